#pragma once

#include "Handles.h"

#include <windows.h>

#include <string>

namespace win32 {

struct StartOptions {
    std::string directory;          // the new process's current directory; empty: ours
    bool inheritHandles = false;    // only the relay hands a handle down
    int show = -1;                  // SW_* for its first window; -1: the system's choice
    DWORD flags = 0;                // creation flags (DEBUG_PROCESS for the tests' observer)
    HANDLE output = nullptr;        // its standard output (inheritable; needs inheritHandles)
    HANDLE error = nullptr;         // its standard error, the same way
    std::string environment{};      // its variables, each ended by a zero; empty: ours
    std::wstring wideEnvironment{}; // the same in UTF-16, which takes the place of environment
};

// A started process: its handle (ours to close) and its id. The thread handle is closed at
// once, since no caller needs it.
struct Process {
    Handle handle;
    DWORD id = 0;
    explicit operator bool() const { return handle.valid(); }
};

// `text` in double quotes, as one argument of a command line.
inline std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Starts `commandLine`. `program` is the file to run, given apart so that the system searches
// nowhere for it; empty, the system takes the first word of the command line (tests and tools
// only). On failure the Process holds nothing and GetLastError tells why.
inline Process startProcess(const std::string& program, std::string commandLine,
                            const StartOptions& options = {}) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (options.show >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(options.show);
    }
    if (options.output != nullptr || options.error != nullptr) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdOutput = options.output;
        startup.hStdError = options.error;
    }
    PROCESS_INFORMATION started = {};
    Process process;
    const std::string ansiBlock = options.environment + '\0';
    const std::wstring wideBlock = options.wideEnvironment + L'\0';
    void* block = nullptr;
    if (!options.wideEnvironment.empty())
        block = const_cast<wchar_t*>(wideBlock.c_str());
    else if (!options.environment.empty())
        block = const_cast<char*>(ansiBlock.c_str());
    const DWORD flags =
        options.flags | (options.wideEnvironment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT);
    if (!CreateProcessA(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr,
                        nullptr, options.inheritHandles ? TRUE : FALSE, flags, block,
                        options.directory.empty() ? nullptr : options.directory.c_str(), &startup,
                        &started))
        return process;
    const Handle thread(started.hThread);
    process.handle.reset(started.hProcess);
    process.id = started.dwProcessId;
    return process;
}

// Waits up to `timeoutMs` for the process to end and takes its exit code; false, with the
// process left running, when it has not ended by then.
inline bool waitForExit(HANDLE process, DWORD timeoutMs, DWORD& exitCode) {
    exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(process, &exitCode) != FALSE;
}

} // namespace win32
