#pragma once

#include <windows.h>

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

struct InstallRequest {
    std::wstring destination;
    bool invertLog = false;
};

// The product's name, as the system's list of programs and the Start menu show it.
extern const wchar_t kProductName[];

// The default destination: the Program Files folder of the program's own bitness.
std::wstring defaultDestination();

// Installs the payload that `module` carries: files, shared files and their use counts, the
// Start-menu shortcuts, the registration in the list of installed programs and Setup.log.
// `progress` is told (done, total) after each step. Throws InstallError after undoing
// everything this run created. COM must be initialised.
void install(HMODULE module, const InstallRequest& request,
             const std::function<void(int, int)>& progress);
