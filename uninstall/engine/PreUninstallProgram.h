#pragma once

#include "PreUninstallRecord.h"
#include "TrustedCode.h"

#include <windows.h>

#include <string>
#include <utility>

// The program that [RUNAPPS] "BeforeUninstall" names, run before anything is removed.
class PreUninstallProgram {
public:
    // A program named without a full path is looked for in `applicationDirectory`, then in the
    // system directory, and nowhere else: not in the current directory, the temporary folder or
    // the PATH, where anyone may have put a program of that name. `trusted`: the running
    // account, as the program and its folders are judged.
    PreUninstallProgram(const std::string& record, std::string applicationDirectory,
                        win32::RunningAccount trusted)
        : record_(record), applicationDirectory_(std::move(applicationDirectory)),
          trusted_(std::move(trusted)) {}

    // Starts the program and, unless the record says not to, waits for it without limit.
    // Returns the system's last error after the attempt; nothing is reported to the user, and
    // nothing is started when the program is not where it may be looked for, or whyRefused
    // has a reason. The file is held against writing, renaming and deleting until it ended
    // (or, without waiting, until it started).
    DWORD run() const;
    // Why the program may not be started with administrator rights: others than
    // administrators may change its file, plant a library beside it, or in the folder it is
    // to start in. Empty when it may, or when there is no program to start.
    std::string whyRefused() const;
    const PreUninstallRecord& record() const { return record_; }

    // The full path of the program that would run, or empty.
    std::string programPath() const;

    // What is started for `program`, found by programPath: the program with the record's
    // arguments; a script through the system directory's cmd.exe, and cmd.exe itself, with /D.
    struct Start {
        std::string program, commandLine;
    };
    Start start(const std::string& program) const;

private:
    std::string refusal(HeldCode& held) const;
    // The record's folder, else the uninstaller's own: never the current directory, which
    // whoever started the uninstaller chose, and where a script looks first for the programs
    // it names.
    std::string startFolder() const;

    PreUninstallRecord record_;
    std::string applicationDirectory_;
    win32::RunningAccount trusted_;
};
