#pragma once

#include "PreUninstallRecord.h"

#include <windows.h>

#include <string>
#include <utility>

// The program that [RUNAPPS] "BeforeUninstall" names, run before anything is removed.
class PreUninstallProgram {
public:
    // A program named without a full path is looked for in `applicationDirectory`, then in the
    // system directory, and nowhere else: not in the current directory, the temporary folder or
    // the PATH, where anyone may have put a program of that name.
    PreUninstallProgram(const std::string& record, std::string applicationDirectory)
        : record_(record), applicationDirectory_(std::move(applicationDirectory)) {}

    // Starts the program and, unless the record says not to, waits for it without limit.
    // Returns the system's last error after the attempt; nothing is reported to the user, and
    // nothing is started when the program is not where it may be looked for.
    DWORD run() const;
    const PreUninstallRecord& record() const { return record_; }

    // The full path of the program that would run, or empty.
    std::string programPath() const;

private:
    PreUninstallRecord record_;
    std::string applicationDirectory_;
};
