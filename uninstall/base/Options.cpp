#include "Options.h"

namespace {

std::string upper(std::string text) {
    for (char& c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    return text;
}

// "/LOG=x" and "-LOG=x" alike: the name in upper case and what follows the first '='.
void split(const std::string& argument, std::string& name, std::string& value) {
    const std::size_t equals = argument.find('=');
    name = upper(argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1));
    value = equals == std::string::npos ? std::string() : argument.substr(equals + 1);
}

// What management tools pass for "show nothing", whichever installer they think they run.
bool isSilentSwitch(const std::string& name) {
    return name == "S" || name == "SILENT" || name == "VERYSILENT" || name == "QUIET" ||
           name == "QN";
}

} // namespace

bool isOption(const char* argument) {
    return argument != nullptr && (argument[0] == '/' || argument[0] == '-');
}

UninstallOptions readOptions(int count, const char* const* arguments, int first) {
    UninstallOptions options;
    for (int i = first; i < count; ++i) {
        const std::string argument = arguments[i] != nullptr ? arguments[i] : "";
        std::string name, value;
        // No Windows path holds a double quote, and one would break the copy's command line.
        bool known = isOption(argument.c_str()) && argument.find('"') == std::string::npos;
        if (known) {
            split(argument, name, value);
            const bool hasValue = argument.find('=') != std::string::npos;
            if (isSilentSwitch(name) && !hasValue)
                options.unattended = true;
            else if (name == "CLOSEAPPS" && !hasValue)
                options.closeApps = true;
            else if ((name == "NORESTART" || name == "SUPPRESSMSGBOXES") && !hasValue)
                ; // what deployment tools pass everywhere: this program never restarts anyway,
                  // and under /S shows no box
            else if (name == "LOG" && !value.empty())
                options.reportPath = value;
            else if (name == "SHARED" && upper(value) == "KEEP")
                options.removeShared = false;
            else if (name == "SHARED" && upper(value) == "REMOVE")
                options.removeShared = true;
            else
                known = false;
        }
        if (!known) {
            if (options.unknown.empty())
                options.unknown = argument.empty() ? std::string("\"\"") : argument;
        }
    }
    return options;
}

std::string optionArguments(const UninstallOptions& options) {
    std::string text;
    if (options.unattended)
        text += " \"/S\"";
    if (!options.reportPath.empty()) {
        // A path ending in a backslash would escape the closing quote.
        std::string path = options.reportPath;
        std::size_t backslashes = 0;
        for (auto it = path.rbegin(); it != path.rend() && *it == '\\'; ++it)
            ++backslashes;
        path.append(backslashes, '\\');
        text += " \"/LOG=" + path + "\"";
    }
    if (options.removeShared)
        text += " \"/SHARED=REMOVE\"";
    if (options.closeApps)
        text += " \"/CLOSEAPPS\"";
    return text;
}
