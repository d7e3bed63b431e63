#include "RelayStage.h"

#include "ProcessValues.h"
#include "RelayCommandLine.h"
#include "win32/ModulePath.h"
#include "win32/ScopedHandle.h"

#include <windows.h>

int runRelayStage() {
    const std::string program = modulePath();

    // The system creates the empty file; copying over it keeps the unique name ours.
    // Neither result is checked: a failure shows when the copy cannot be started.
    char copy[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, copy);
    GetTempFileNameA(copy, "Del", 0, copy);
    CopyFileA(program.c_str(), copy, FALSE);

    // The copy waits on this handle, so that the file the user started is free to delete.
    const ScopedHandle self(OpenProcess(SYNCHRONIZE, TRUE, GetCurrentProcessId()));
    std::string commandLine = relayCommandLine(copy, reinterpret_cast<std::uintptr_t>(self.get()),
                                               program, programDirectory());

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
        MessageBoxA(nullptr, "Cannot create child process", "Error", MB_OK);
        return -1;
    }
    const ScopedHandle process(started.hProcess);
    const ScopedHandle thread(started.hThread);
    return -1;
}
