#pragma once

#include "PreUninstallRecord.h"

#include <windows.h>

#include <string>

// The program that [RUNAPPS] "BeforeUninstall" names, run before anything is removed.
class PreUninstallProgram {
public:
    explicit PreUninstallProgram(const std::string& record) : record_(record) {}

    // Starts the program and, unless the record says not to, waits for it without limit.
    // Returns the system's last error after the attempt; nothing is reported to the user.
    DWORD run() const;
    const PreUninstallRecord& record() const { return record_; }

private:
    PreUninstallRecord record_;
};
