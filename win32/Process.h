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

// The start-up information and environment block both character widths share.
template <class StartupInfo> struct StartParts {
    StartupInfo startup = {};
    std::string ansiBlock;
    std::wstring wideBlock;
    void* block = nullptr;
    DWORD flags = 0;

    explicit StartParts(const StartOptions& options)
        : ansiBlock(options.environment + '\0'), wideBlock(options.wideEnvironment + L'\0') {
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
        if (!options.wideEnvironment.empty())
            block = const_cast<wchar_t*>(wideBlock.c_str());
        else if (!options.environment.empty())
            block = const_cast<char*>(ansiBlock.c_str());
        flags = options.flags | (options.wideEnvironment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT);
    }
};

inline Process startedProcess(const PROCESS_INFORMATION& started) {
    const Handle thread(started.hThread);
    Process process;
    process.handle.reset(started.hProcess);
    process.id = started.dwProcessId;
    return process;
}

// Starts `commandLine`. `program` is the file to run, given apart so that the system searches
// nowhere for it; empty, the system takes the first word of the command line (tests and tools
// only). On failure the Process holds nothing and GetLastError tells why.
inline Process startProcess(const std::string& program, std::string commandLine,
                            const StartOptions& options = {}) {
    StartParts<STARTUPINFOA> parts(options);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr,
                        nullptr, options.inheritHandles ? TRUE : FALSE, parts.flags, parts.block,
                        options.directory.empty() ? nullptr : options.directory.c_str(),
                        &parts.startup, &started))
        return Process();
    return startedProcess(started);
}

// The same with a command line in UTF-16, for arguments no ANSI code page holds (a report path
// in another script). The current directory, when given, is ANSI as above.
inline Process startProcess(const std::wstring& program, std::wstring commandLine,
                            const StartOptions& options = {}) {
    StartParts<STARTUPINFOW> parts(options);
    std::wstring directory;
    if (!options.directory.empty()) {
        const int length =
            MultiByteToWideChar(CP_ACP, 0, options.directory.c_str(), -1, nullptr, 0);
        directory.resize(static_cast<std::size_t>(length > 0 ? length : 1));
        MultiByteToWideChar(CP_ACP, 0, options.directory.c_str(), -1, &directory[0], length);
    }
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), &commandLine[0], nullptr,
                        nullptr, options.inheritHandles ? TRUE : FALSE, parts.flags, parts.block,
                        directory.empty() ? nullptr : directory.c_str(), &parts.startup, &started))
        return Process();
    return startedProcess(started);
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
