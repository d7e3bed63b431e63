#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class SetupLog;

// How long programs asked to close get to end.
constexpr DWORD kCloseTimeoutMs = 15000;

// A running program of the product, which holds its files open while it runs.
struct RunningProgram {
    DWORD id = 0;
    std::string path; // its program file
    // Its window's title, in any script, and file name: "Technical Glossary (glossary.exe)".
    std::wstring name;
    // Opened when it was listed and held since, so that its id names no other process however
    // long the question stays open.
    std::shared_ptr<const win32::Handle> process;
    unsigned long long started = 0; // its creation time
    // False for a service and for a program of another session (another user's, or the
    // user's while this run is SYSTEM's): listed, never asked to close.
    bool ours = true;
};

// The processes, other than this one and `relayId`, whose program file lies in the application
// directory (no protected folder) or is a file of [APPFILES]; where the system has the
// Restart Manager, also those that hold a file of [APPFILES] open.
std::vector<RunningProgram> runningProductPrograms(const SetupLog& log, DWORD relayId);

// Asks each program of this session that is still the one listed (same program file, same
// start) to close (WM_CLOSE to its top-level windows) and waits up to `timeoutMs` for them to
// end; returns those still running then, services and other sessions' programs among them.
std::vector<RunningProgram> closePrograms(const std::vector<RunningProgram>& programs,
                                          DWORD timeoutMs);

// "Technical Glossary (glossary.exe) is running.", a line each.
std::wstring runningText(const std::vector<RunningProgram>& programs);
