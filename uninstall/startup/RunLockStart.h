#pragma once

#include "engine/UninstallReport.h"
#include "win32/RunLock.h"

#include <string>

// The lock (the run lock, or the entry lock taken before it) that the uninstaller shares with
// setup, in the words its refused starts use.
struct RunLockRefusal {
    std::wstring item;    // the lock's name, for the report's "Start" line
    std::wstring why;     // for the report, the event log and standard error, in any script
    std::wstring boxText; // for the box of an interactive run
    int exitCode = 0;     // 1618 while another run holds it, 2 when this run may not take it
};

// Why a run that did not get `lock` ends, and with which code.
RunLockRefusal runLockRefusal(const win32::RunLock& lock);

// The same from the lock's parts: its state, its name, who else may use an object of its name
// (Untrusted) and the system's error (NotAdministrator, Failed).
RunLockRefusal runLockRefusal(win32::RunLock::State state, const std::wstring& name,
                              const std::wstring& described, const std::wstring& who, DWORD error);
