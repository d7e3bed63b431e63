#pragma once

#include <string>
#include <vector>

// The setup program's command line, read whole before anything else: /S (unattended; also
// /SILENT, /VERYSILENT, /QUIET, /QN, as management tools pass them), /D=<folder> (the
// destination; the rest of the command line, blanks and all, up to a " /": no folder name holds
// a '/', so switches may follow it), /INVERT (the setup log stored byte-inverted), /LOG=<file>
// (a report of every item), /NORESTART and /SUPPRESSMSGBOXES (accepted: setup never restarts
// the computer, and shows no box under /S), /ALLOWDOWNGRADE (an older version may replace a
// newer one). Letters in either case; `-` for `/` too.
struct SetupOptions {
    bool unattended = false;
    bool invertLog = false;
    bool allowDowngrade = false;
    std::wstring destination; // empty: the registered folder, else the default
    std::wstring reportPath;  // empty: no report
    std::wstring unknown;     // the first argument that is none of these
};

// `arguments` without the program's own name; `tail` is the raw command line after the program
// name, from which /D= takes its folder. /S anywhere counts, also after an unknown
// option, so that an unattended run never shows anything.
SetupOptions parseSetupOptions(const std::vector<std::wstring>& arguments,
                               const std::wstring& tail);

// The options, as the box for an unknown one lists them.
extern const wchar_t kSetupUsage[];

// Exit codes of the setup program.
constexpr int kSetupInstalled = 0;
constexpr int kSetupCancelled = 1602;
constexpr int kSetupFailed = 1603;
constexpr int kSetupBadCommandLine = 87;
constexpr int kSetupRestartNeeded = 3010;
// Another run of setup or the uninstaller holds the run lock (Windows Installer's code).
constexpr int kSetupAnotherRunning = 1618;
