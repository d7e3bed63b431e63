#pragma once

#include <string>
#include <vector>

// The setup program's command line: /S (unattended), /D=<folder> (the destination; the rest of
// the command line, blanks and all, so it comes last), /INVERT (the setup log stored
// byte-inverted). Letters in either case; `-` for `/` too.
struct SetupOptions {
    bool unattended = false;
    bool invertLog = false;
    std::wstring destination; // empty: the default
    std::wstring unknown;     // the first argument that is none of these
};

// `arguments` without the program's own name; `tail` is the raw command line after the program
// name, from which /D= takes everything to its end.
SetupOptions parseSetupOptions(const std::vector<std::wstring>& arguments,
                               const std::wstring& tail);

// Exit codes of the setup program.
constexpr int kSetupInstalled = 0;
constexpr int kSetupCancelled = 1602;
constexpr int kSetupFailed = 1603;
constexpr int kSetupBadCommandLine = 87;
