#pragma once

#include "win32/AccessRights.h"

#include <windows.h>

#include <string>

class UninstallWindow; // startup/: only the message catalogue looks through it, upward

// Values every part of the uninstaller reads. Each is written once by the running mode before
// a second thread exists, and only read afterwards.
extern std::string applicationDirectory; // ends with a backslash when it was given one
extern HINSTANCE instanceHandle;
extern const char* const windowClassName;
extern UninstallWindow* mainWindow;
extern DWORD relayProcessId; // the process that started this main stage, or 0
// The relayed copy's own file, held by the main stage for its whole run (from the relay, by
// inheritance), or null: a process started from "this program" is started only from the path
// that is proven to name this file.
extern HANDLE ownProgramFile;
// The program file that the relay ran (the main stage's argument 2), or empty.
extern std::string relayedProgram;
extern bool unattended; // "/S": no window, no box; the exit code and the report tell the outcome
// The running account as the trust judgements count it, made by the running mode from the label
// it wrote and read back; the judgements take it as a parameter.
extern win32::RunningAccount trustedAccount;

// Directory of the running program file, trailing backslash included.
std::string programDirectory();
void setApplicationDirectory(const std::string& text);
