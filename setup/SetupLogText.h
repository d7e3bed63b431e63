#pragma once

#include <string>
#include <vector>

// What one installation put on the system, as the uninstaller's log names it. Paths and
// registry records in the system's ANSI code page, as the uninstaller reads them.
struct InstalledProduct {
    std::string applicationName;
    std::string applicationDirectory;
    std::vector<std::string> sharedFiles;
    std::vector<std::string> files;        // every file created, the log itself included
    std::vector<std::string> folders;      // folders outside the application directory
    std::vector<std::string> parents;      // folders it made above it, deepest first
    std::vector<std::string> registryKeys; // "HKLM,SOFTWARE\..."
};

// The text of Setup.log (CR LF lines) for the product: the uninstaller's message texts in
// [COMMON], then one section for each kind of item.
std::string setupLogText(const InstalledProduct& product);

// Every byte XOR 0xFF: the log's stored form when it is written inverted.
std::string inverted(std::string text);

// The entries of [SHAREDFILES] in a log written before (plain or inverted); none when the
// text is no log.
std::vector<std::string> sharedFilesOf(std::string log);

// The entries of [APPDIR] in a log written before: the application directory first.
std::vector<std::string> directoriesOf(std::string log);

// Application_Name of [COMMON] in a log written before (plain or inverted); empty when the
// text is no log or names none.
std::string applicationNameOf(std::string log);
