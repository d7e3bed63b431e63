#pragma once

#include "AccessRights.h"
#include "AdministratorsOnly.h"
#include "Handles.h"

#include <aclapi.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace win32 {

// The one lock of setup and the uninstaller: a run holds it from before it reads anything to
// its end, so that no run undoes or removes what another one is doing. In the global namespace,
// judged by its owner and list. Not in a private namespace: one can no longer be opened once the
// process that made it has closed it, and the relay that would make it ends while its copy
// holds the lock, so the next run would make another namespace and a lock of its own.
constexpr wchar_t kRunLockName[] = L"Global\\Technical Glossary setup and removal";
// Taken before the run lock and held until the run lock is safely held: the uninstaller's
// first process lets the run lock go for its copy, which takes it again, and a run waiting
// for the run lock would otherwise come in between and repair what the copy then removes.
constexpr wchar_t kRunEntryLockName[] = L"Global\\Technical Glossary setup and removal, entry";
// How long a second run waits for the first before it ends with 1618.
constexpr DWORD kRunLockWaitMs = 10000;

// Rights over the lock that let their holder take it, keep it or change who may.
constexpr DWORD kRunLockRights = SYNCHRONIZE | MUTEX_MODIFY_STATE | WRITE_DAC | WRITE_OWNER;

// Who but the administrators may take, hold or change the object `descriptor` describes: the
// lock is only the administrators' when its owner is one of them and no one else may use it.
// Any user may make an object of the lock's name while no run holds it; one of theirs could
// be held for ever, released at will or made to look abandoned.
inline Exposure runLockExposure(PSECURITY_DESCRIPTOR descriptor) {
    return nonAdministratorAccess(descriptor, kRunLockRights);
}

// The run lock as one run holds it, released at the end of its scope. Released by the thread
// that took it: a mutex that a thread leaves held when it ends is "abandoned", which the next
// run takes for a stopped run.
class RunLock {
public:
    enum class State {
        Held,             // no other run held it
        TakenOver,        // the run that held it ended without letting go: it was stopped
        Busy,             // another run held it for the whole wait
        Untrusted,        // the name is taken by an object others than administrators may use
        NotAdministrator, // only administrators may take it, and this run is none: error()
        Failed,           // it could not be made or waited for: error()
    };

    // Waits at most `waitMs` for the lock named `name` (kRunLockName or kRunEntryLockName, or
    // the tests' own).
    static RunLock take(const wchar_t* name = kRunLockName, DWORD waitMs = kRunLockWaitMs) {
        RunLock lock;
        lock.name_ = name;
        AdministratorsOnlySecurity security(MUTEX_ALL_ACCESS);
        if (security.attributes() == nullptr) {
            lock.error_ = GetLastError();
            return lock;
        }
        lock.handle_.reset(CreateMutexW(security.attributes(), FALSE, lock.name_.c_str()));
        const DWORD made = GetLastError();
        if (!lock.handle_) {
            // An object of another kind, or one whose list keeps this run out; or an owner this
            // run, no administrator, cannot give.
            if (made == ERROR_INVALID_HANDLE || made == ERROR_ACCESS_DENIED ||
                made == ERROR_INVALID_OWNER)
                lock.refused(made);
            else
                lock.error_ = made;
            return lock;
        }
        if (made == ERROR_ALREADY_EXISTS) {
            PSECURITY_DESCRIPTOR descriptor = nullptr;
            const DWORD read =
                GetSecurityInfo(lock.handle_.get(), SE_KERNEL_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &descriptor);
            const LocalMemory<PSECURITY_DESCRIPTOR> held(descriptor);
            const Exposure exposure = runLockExposure(read == ERROR_SUCCESS ? descriptor : nullptr);
            if (exposure) {
                lock.handle_.reset();
                lock.state_ = State::Untrusted;
                lock.who_ = exposure.who;
                return lock;
            }
        }
        switch (WaitForSingleObject(lock.handle_.get(), waitMs)) {
        case WAIT_OBJECT_0:
            lock.state_ = State::Held;
            break;
        case WAIT_ABANDONED:
            lock.state_ = State::TakenOver;
            break;
        case WAIT_TIMEOUT:
            lock.state_ = State::Busy;
            break;
        default:
            lock.error_ = GetLastError();
            break;
        }
        return lock;
    }

    RunLock(RunLock&& other) noexcept
        : handle_(std::move(other.handle_)), name_(std::move(other.name_)), state_(other.state_),
          who_(std::move(other.who_)), error_(other.error_) {
        other.state_ = State::Failed;
    }
    RunLock& operator=(RunLock&&) = delete;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    ~RunLock() { release(); }

    // Lets the lock go before the end of the scope, as a process that hands the work on does.
    void release() {
        if (held())
            ReleaseMutex(handle_.get());
        handle_.reset();
        state_ = State::Failed;
    }

    State state() const { return state_; }
    // The lock this is: the run lock, or the entry lock that every run takes first.
    const std::wstring& name() const { return name_; }
    // Which lock, for the texts of a refusal: `entry lock "Global\..."` or `run lock "..."`.
    std::wstring described() const {
        const bool entry = name_ == kRunEntryLockName;
        return std::wstring(entry ? L"entry lock \"" : L"run lock \"") + name_ + L"\"";
    }
    bool held() const { return state_ == State::Held || state_ == State::TakenOver; }
    // Untrusted: who else may take, hold or change the object of the lock's name.
    const std::wstring& who() const { return who_; }
    DWORD error() const { return error_; }

private:
    RunLock() = default;

    // Kept out by the object's list: a run that is no administrator lacks rights; an
    // administrator kept out meets an object of the lock's name that someone else made.
    void refused(DWORD error) {
        error_ = error;
        if (!runsAsAdministrator()) {
            state_ = State::NotAdministrator;
        } else {
            state_ = State::Untrusted;
            who_ = L"An account that is no administrator";
        }
    }

    Handle handle_;
    std::wstring name_ = kRunLockName;
    State state_ = State::Failed;
    std::wstring who_;
    DWORD error_ = ERROR_SUCCESS;
};

} // namespace win32
