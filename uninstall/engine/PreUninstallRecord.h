#pragma once

#include <string>

// The "BeforeUninstall" value of [RUNAPPS]: up to seven comma-separated fields. Reading stops
// at the first absent field; it and the later ones keep their initial values.
struct PreUninstallRecord {
    std::string program;
    std::string arguments;
    std::string workingDirectory; // empty: the folder the uninstaller runs from
    int showWindow = 0;           // SW_HIDE unless the record says otherwise
    int fifth = 0;                // read and kept, not used
    int noWait = 0;               // non-zero: do not wait for the program
    std::string seventh;          // read and kept, not used

    explicit PreUninstallRecord(const std::string& record);

    // The program always in double quotes, then a blank and the arguments if there are any.
    std::string commandLine() const;
};
