#include "SetupLogText.h"

#include <utility>

namespace {

// The uninstaller's words: %1 and %2 are filled in by it where it fills them in; "#" stands for
// the product's name in the texts it shows as they are.
const char* const kMessages[][2] = {
    {"1001", "Uninstall #"},
    {"1101", "Remove #"},
    {"1102", "Do you really want to remove %1 and all of its components?"},
    {"1201", "Removing #..."},
    {"1202", "The uninstaller will remove %1 from your computer. Please wait while each of the "
             "following components is removed..."},
    {"1203", "Some items could not be removed. Choose Details to see them."},
    {"1204", "All components were removed."},
    {"1205", "Restart the computer to complete the removal."},
    {"1302", "The shared file %1 in %2 is no longer used by any program.\\rRemove it?"},
    {"1400", "Items not removed"},
    {"1401", "The following items could not be removed:"},
    {"1402", "Can't remove folder"},
    {"1403", "Can't remove file"},
    {"1404", "(in use: it goes at the next restart)"},
};

void section(std::string& log, const char* name, const std::vector<std::string>& entries) {
    log += std::string("[") + name + "]\r\n";
    for (const std::string& entry : entries)
        log += entry + "\r\n";
}

} // namespace

std::string setupLogText(const InstalledProduct& product) {
    std::string log = "[COMMON]\r\nApplication_Name=" + product.applicationName + "\r\n";
    for (const auto& message : kMessages) {
        std::string text = message[1];
        const std::size_t name = text.find('#');
        if (name != std::string::npos)
            text.replace(name, 1, product.applicationName);
        log += std::string(message[0]) + "=" + text + "\r\n";
    }
    section(log, "SHAREDFILES", product.sharedFiles);
    section(log, "APPFILES", product.files);
    section(log, "APPFOLDERS", product.folders);
    std::vector<std::string> directories = {product.applicationDirectory};
    directories.insert(directories.end(), product.parents.begin(), product.parents.end());
    section(log, "APPDIR", directories);
    section(log, "REGENTRY", product.registryKeys);
    section(log, "REGVALUES", {});
    return log;
}

std::string inverted(std::string text) {
    for (char& c : text)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return text;
}

namespace {

// The lines of a section of a log written before (plain or inverted), CR LF or LF.
std::vector<std::string> sectionOf(std::string log, const std::string& header) {
    if (!log.empty() && log[0] != '[')
        log = inverted(log);
    std::vector<std::string> lines;
    bool inSection = false;
    for (std::size_t start = 0; start < log.size();) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        std::string line = log.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[')
            inSection = line == header;
        else if (inSection)
            lines.push_back(line);
    }
    return lines;
}

} // namespace

std::vector<std::string> sharedFilesOf(std::string log) {
    std::vector<std::string> files;
    for (const std::string& line : sectionOf(std::move(log), "[SHAREDFILES]")) {
        if (line.size() >= 3)
            files.push_back(line);
    }
    return files;
}

std::vector<std::string> directoriesOf(std::string log) {
    return sectionOf(std::move(log), "[APPDIR]");
}

std::string applicationNameOf(std::string log) {
    const std::string key = "Application_Name=";
    for (const std::string& line : sectionOf(std::move(log), "[COMMON]")) {
        if (line.rfind(key, 0) == 0)
            return line.substr(key.size());
    }
    return std::string();
}
