#pragma once

#include "recovery/JournalError.h"

#include <functional>
#include <string>

// Why an installation failed, in words for the user; what it had done is undone by then. The
// journal's own failures (JournalError) end a run alike.
class InstallError : public JournalError {
public:
    using JournalError::JournalError;
};

// The uninstaller of the product runs from the destination while setup holds the run lock: a
// removal waits for it (or shows why it cannot start). Replaced or moved aside under it, the
// program would leave a file in the folder the removal empties, and the removal would take
// what setup installed: setup gives way (1618) with its work undone, and the removal goes on.
class RemovalInProgress : public InstallError {
public:
    using InstallError::InstallError;
};

// How a run of the setup ended: its exit code and, on a failure, the words for the user.
struct SetupOutcome {
    int code;
    std::wstring message;
};

// Runs `install` and turns whatever it throws into a failure (exit code 1603; 1618 for a
// removal in progress) with words for
// the user: an exception must never end the program before what was done is undone, nor
// leave through the window procedures of the system.
SetupOutcome guardedInstall(const std::function<void()>& install);
