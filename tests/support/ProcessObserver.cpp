#include "ProcessObserver.h"

#include "win32/Handles.h"
#include "win32/Process.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>

namespace testsupport {

namespace {

std::string imageOf(HANDLE process) {
    char path[MAX_PATH * 4] = {};
    DWORD length = sizeof path;
    return QueryFullProcessImageNameA(process, 0, path, &length) ? std::string(path, length)
                                                                 : std::string();
}

// The command line lives in the process parameters that the PEB points to.
std::string commandLineOf(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic = {};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0)
        return std::string();
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
        !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
        return std::string();
    std::wstring wide(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, wide.data(),
                           parameters.CommandLine.Length, nullptr))
        return std::string();
    std::string narrow(wide.size() * 4 + 1, '\0');
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                            static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(std::max(length, 0)));
    return narrow;
}

DWORD parentOf(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic = {};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0)
        return 0;
    return static_cast<DWORD>(basic.InheritedFromUniqueProcessId);
}

bool isWineDesktop(const std::string& image) {
    std::string lower = image;
    for (char& c : lower)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return lower.size() >= 21 &&
           lower.compare(lower.size() - 21, 21, "system32\\explorer.exe") == 0;
}

ObservedProcess* find(ObservedRun& run, DWORD id) {
    for (ObservedProcess& process : run.processes) {
        if (process.id == id && !process.exited)
            return &process;
    }
    return nullptr;
}

// After a time-out: end what still runs and take its last events, so that no process stays
// attached to this thread and no stale event reaches the next run on it.
void endAndDetach(ObservedRun& run, int running) {
    for (const ObservedProcess& process : run.processes) {
        const win32::Handle handle(OpenProcess(PROCESS_TERMINATE, FALSE, process.id));
        if (!process.exited && handle)
            TerminateProcess(handle.get(), 1);
    }
    const ULONGLONG deadline = GetTickCount64() + 10000;
    DEBUG_EVENT event = {};
    while (running > 0 && GetTickCount64() < deadline && WaitForDebugEvent(&event, 1000)) {
        const win32::Handle image(
            event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT ? event.u.CreateProcessInfo.hFile
            : event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT     ? event.u.LoadDll.hFile
                                                                 : nullptr);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            if (ObservedProcess* process = find(run, event.dwProcessId)) {
                process->exited = true;
                --running;
            }
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
    }
    for (const ObservedProcess& process : run.processes) {
        if (!process.exited)
            DebugActiveProcessStop(process.id);
    }
}

// A breakpoint on one function in one process: the first byte becomes int3, and after each
// hit but the last the byte is put back for one step of the thread and then set again.
class Breakpoint {
public:
    Breakpoint(const StopPoint& stop, const std::function<void()>& instead)
        : stop_(stop), instead_(instead) {
        if (stop.call <= 0)
            return;
        HMODULE module = LoadLibraryA(stop.module.c_str());
        address_ = reinterpret_cast<BYTE*>(
            module != nullptr ? GetProcAddress(module, stop.function.c_str()) : nullptr);
        HMODULE owner = nullptr;
        if (address_ != nullptr &&
            GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCSTR>(address_), &owner))
            base_ = owner;
    }

    void created(DWORD id, HANDLE process, const std::string& image) {
        const std::size_t slash = image.find_last_of("\\/");
        if (target_ != 0 || base_ == nullptr ||
            image.compare(slash + 1, stop_.image.size(), stop_.image) != 0)
            return;
        target_ = id;
        process_ = process;
    }
    void loaded(DWORD id, void* base) {
        if (id == target_ && base == base_ && !armed_) {
            armed_ = ReadProcessMemory(process_, address_, &original_, 1, nullptr) && arm();
        }
    }
    // True when the event was this breakpoint's; `stopped` when the process was ended.
    bool hit(const DEBUG_EVENT& event, bool& stopped) {
        const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
        if (event.dwProcessId != target_ || !armed_)
            return false;
        if (record.ExceptionCode == EXCEPTION_SINGLE_STEP && event.dwThreadId == stepping_) {
            stepping_ = 0;
            arm();
            return true;
        }
        if (record.ExceptionCode != EXCEPTION_BREAKPOINT || record.ExceptionAddress != address_)
            return false;
        if (++hits_ == stop_.call && instead_) {
            instead_();
        } else if (hits_ == stop_.call) {
            TerminateProcess(process_, 1);
            stopped = true;
            return true;
        }
        patch(original_);
        const win32::Handle thread(
            OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, event.dwThreadId));
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        if (thread && GetThreadContext(thread.get(), &context)) {
            context.Rip = reinterpret_cast<DWORD64>(address_);
            context.EFlags |= 0x100; // one step, then the breakpoint again
            SetThreadContext(thread.get(), &context);
            stepping_ = event.dwThreadId;
        }
        return true;
    }
    int hits() const { return hits_; }

private:
    bool arm() { return patch(0xCC); }
    // Code pages are not writable: opened for the one byte, then closed again.
    bool patch(BYTE value) {
        DWORD protection = 0;
        if (!VirtualProtectEx(process_, address_, 1, PAGE_EXECUTE_READWRITE, &protection))
            return false;
        const bool written = WriteProcessMemory(process_, address_, &value, 1, nullptr) != FALSE;
        VirtualProtectEx(process_, address_, 1, protection, &protection);
        FlushInstructionCache(process_, address_, 1);
        return written;
    }

    StopPoint stop_;
    std::function<void()> instead_;
    BYTE* address_ = nullptr;
    HMODULE base_ = nullptr;
    DWORD target_ = 0;
    HANDLE process_ = nullptr; // the debugger's handle, closed by the system
    BYTE original_ = 0;
    bool armed_ = false;
    int hits_ = 0;
    DWORD stepping_ = 0;
};

} // namespace

ObservedRun runObserved(const std::string& commandLine, DWORD timeoutMs, const std::string& program,
                        const StopPoint& stop, const std::function<void()>& instead) {
    ObservedRun run;
    Breakpoint breakpoint(stop, instead);
    win32::StartOptions debugged;
    debugged.flags = DEBUG_PROCESS;
    const win32::Process first = win32::startProcess(program, commandLine, debugged);
    if (!first)
        return run;
    run.started = true;

    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    int running = 0, ended = 0;
    // Until the started process itself has been seen, no event can end the run: one left from
    // an earlier run on this thread (a child whose start Wine reports only after its parent's
    // end) would otherwise end it at once, with no process observed.
    bool seenFirst = false;
    do {
        const ULONGLONG now = GetTickCount64();
        DEBUG_EVENT event = {};
        if (now >= deadline || !WaitForDebugEvent(&event, static_cast<DWORD>(deadline - now))) {
            run.timedOut = true;
            endAndDetach(run, running);
            break;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT: {
            const win32::Handle image(event.u.CreateProcessInfo.hFile);
            ObservedProcess process;
            process.id = event.dwProcessId;
            process.image = imageOf(event.u.CreateProcessInfo.hProcess);
            const DWORD parent = parentOf(event.u.CreateProcessInfo.hProcess);
            const bool ofThisRun =
                event.dwProcessId == first.id ||
                std::any_of(run.processes.begin(), run.processes.end(),
                            [&](const ObservedProcess& known) { return known.id == parent; });
            // Wine starts its desktop under whichever program first needs one: no process of
            // the run, and one that does not end with it. A process of an earlier run is let go.
            if (isWineDesktop(process.image) || !ofThisRun) {
                DebugActiveProcessStop(event.dwProcessId);
                break;
            }
            seenFirst = seenFirst || event.dwProcessId == first.id;
            process.commandLine = commandLineOf(event.u.CreateProcessInfo.hProcess);
            run.processes.push_back(process);
            breakpoint.created(event.dwProcessId, event.u.CreateProcessInfo.hProcess,
                               process.image);
            ++running;
            break;
        }
        case LOAD_DLL_DEBUG_EVENT: {
            const win32::Handle image(event.u.LoadDll.hFile);
            breakpoint.loaded(event.dwProcessId, event.u.LoadDll.lpBaseOfDll);
            break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
            // Only the processes of this run count; an unknown one must not end the run early.
            if (ObservedProcess* process = find(run, event.dwProcessId)) {
                process->exited = true;
                process->exitCode = event.u.ExitProcess.dwExitCode;
                process->exitOrder = ended++;
                --running;
            }
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint and ours are ours to swallow; anything else is the
            // program's.
            if (!breakpoint.hit(event, run.stopped) &&
                event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    } while (running > 0 || !seenFirst);
    run.calls = breakpoint.hits();
    return run;
}

int killPrograms(const std::function<bool(const std::string&)>& which, DWORD timeoutMs) {
    const win32::Handle processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int ended = 0;
    for (BOOL more = Process32First(processes.get(), &entry); more;
         more = Process32Next(processes.get(), &entry)) {
        const win32::Handle process(
            OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                        entry.th32ProcessID));
        std::string image = process ? imageOf(process.get()) : std::string();
        for (char& c : image)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        if (image.empty() || !which(image))
            continue;
        if (TerminateProcess(process.get(), 1) &&
            WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0)
            ++ended;
    }
    return ended;
}

} // namespace testsupport
