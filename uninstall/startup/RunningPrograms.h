#pragma once

#include <windows.h>

#include <string>
#include <vector>

class SetupLog;

// How long programs asked to close get to end.
constexpr DWORD kCloseTimeoutMs = 15000;

// A running program of the product, which holds its files open while it runs.
struct RunningProgram {
    DWORD id = 0;
    std::string path; // its program file
    std::string name; // its window's title and file name: "Technical Glossary (glossary.exe)"
};

// The processes, other than this one and `relayId`, whose program file lies in the application
// directory or a folder the log names (no protected folder), or is a file the log names; where
// the system has the Restart Manager, also those that hold a file of [APPFILES] open.
std::vector<RunningProgram> runningProductPrograms(const SetupLog& log, DWORD relayId);

// Asks each program to close (WM_CLOSE to its top-level windows) and waits up to `timeoutMs`
// for them to end; returns those still running then.
std::vector<RunningProgram> closePrograms(const std::vector<RunningProgram>& programs,
                                          DWORD timeoutMs);

// "Technical Glossary (glossary.exe) is running.", a line each.
std::string runningText(const std::vector<RunningProgram>& programs);
