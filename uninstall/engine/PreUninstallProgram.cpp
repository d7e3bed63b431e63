#include "PreUninstallProgram.h"

#include "win32/ScopedHandle.h"

DWORD PreUninstallProgram::run() const {
    std::string commandLine = record_.commandLine();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(record_.showWindow & 0xFFFF);
    PROCESS_INFORMATION started = {};
    const char* directory =
        record_.workingDirectory.empty() ? nullptr : record_.workingDirectory.c_str();
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                       &startup, &started)) {
        const ScopedHandle process(started.hProcess);
        const ScopedHandle thread(started.hThread);
        if (record_.noWait == 0)
            WaitForSingleObject(process.get(), INFINITE);
    }
    return GetLastError();
}
