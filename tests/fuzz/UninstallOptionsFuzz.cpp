// Any bytes as the uninstaller's arguments (separated by zero bytes): no crash, and options
// that were read are written as arguments that read as the same options.
#include "base/Options.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// The C runtime's rule for one command line: blanks part arguments outside quotes, 2n
// backslashes before a quote are n and the quote counts, 2n+1 are n and a literal quote.
std::vector<std::string> commandLineArguments(const std::string& line) {
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false, started = false;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t backslashes = 0;
        while (i < line.size() && line[i] == '\\') {
            ++backslashes;
            ++i;
        }
        if (i < line.size() && line[i] == '"') {
            current.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1)
                current += '"';
            else
                quoted = !quoted;
            started = true;
            ++i;
            continue;
        }
        current.append(backslashes, '\\');
        started = started || backslashes > 0;
        if (i == line.size())
            break;
        if (!quoted && (line[i] == ' ' || line[i] == '\t')) {
            if (started)
                arguments.push_back(current);
            current.clear();
            started = false;
        } else {
            current += line[i];
            started = true;
        }
        ++i;
    }
    if (started)
        arguments.push_back(current);
    return arguments;
}

UninstallOptions read(const std::vector<std::string>& arguments) {
    std::vector<const char*> pointers = {"uninstall.exe"};
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    return readOptions(static_cast<int>(pointers.size()), pointers.data(), 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = split(text, '\0');
    for (const std::string& argument : arguments)
        isOption(argument.c_str());
    const UninstallOptions options = read(arguments);
    if (!options.valid())
        return 0;
    // What the copy's command line carries reads back, by the C runtime's rule, as the same.
    const std::vector<std::string> again = commandLineArguments(optionArguments(options));
    const UninstallOptions reread = read(again);
    if (!reread.valid() || reread.unattended != options.unattended ||
        reread.closeApps != options.closeApps || reread.removeShared != options.removeShared ||
        reread.reportPath != options.reportPath)
        std::abort();
    return 0;
}
