#pragma once

#include <string>

// Options for administrators, given after the program name: "/S" (also "/s", "/SILENT",
// "/VERYSILENT", "/quiet", "/qn", "-S") for an unattended run, "/LOG=<path>" for a report,
// "/SHARED=KEEP" or "/SHARED=REMOVE" for the answer to every shared-file question,
// "/CLOSEAPPS" to close the product's running programs first in an unattended run,
// "/NORESTART" and "/SUPPRESSMSGBOXES" accepted as deployment tools pass them (the uninstaller
// never restarts the computer, exit code 3010 telling that a restart is needed, and shows no box
// under /S).
// Portable.
struct UninstallOptions {
    bool unattended = false;
    bool closeApps = false;    // /CLOSEAPPS
    bool removeShared = false; // /SHARED=REMOVE; KEEP is the default
    std::string reportPath;    // empty: no report; as given, in the arguments' encoding
    std::string unknown;       // the first argument that is not an option we know, the same way

    bool valid() const { return unknown.empty(); }
};

// A first argument that begins with '/' or '-' is an option, never a directory.
bool isOption(const char* argument);

// Reads arguments[first] up to arguments[count - 1]; every one of them must be an option. The
// program passes them in UTF-8, read from its Unicode command line.
UninstallOptions readOptions(int count, const char* const* arguments, int first);

// The options as further arguments of a command line, each quoted, in one fixed form:
// " "/S" "/LOG=C:\a b.txt" "/SHARED=REMOVE"".
std::string optionArguments(const UninstallOptions& options);

// The process exit codes of the unattended run (and of the report's summary line).
constexpr int kExitRemoved = 0;           // everything removed
constexpr int kExitSomeKept = 1;          // some items could not be removed
constexpr int kExitNothingRemoved = 2;    // no log, no COM, no report file: nothing was removed
constexpr int kExitBadCommandLine = 87;   // ERROR_INVALID_PARAMETER
constexpr int kExitRestartNeeded = 3010;  // ERROR_SUCCESS_REBOOT_REQUIRED
constexpr int kExitAnotherRunning = 1618; // ERROR_INSTALL_ALREADY_RUNNING: the run lock is held
