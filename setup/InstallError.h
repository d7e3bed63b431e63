#pragma once

#include <functional>
#include <stdexcept>
#include <string>

// Why an installation failed, in words for the user; what it had done is undone by then.
class InstallError : public std::runtime_error {
public:
    explicit InstallError(const std::wstring& message)
        : std::runtime_error("installation failed"), message_(message) {}
    const std::wstring& message() const { return message_; }

private:
    std::wstring message_;
};

// How a run of the setup ended: its exit code and, on a failure, the words for the user.
struct SetupOutcome {
    int code;
    std::wstring message;
};

// Runs `install` and turns whatever it throws into a failure (exit code 1603) with words for
// the user: an exception must never end the program before what was done is undone, nor
// leave through the window procedures of the system.
SetupOutcome guardedInstall(const std::function<void()>& install);
