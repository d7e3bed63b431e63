#include "Semaphore.h"
#include "SyncEvent.h"
#include "WaitResult.h"

namespace thread {

namespace {

constexpr LONG kMaximumCount = 0x7FFFFFFF;

SECURITY_ATTRIBUTES inheritable() {
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = TRUE;
    return attributes;
}

// A creating call that found the name taken got a handle to someone else's object: close it.
template <typename ErrorType>
win32::Handle created(HANDLE handle, const char* cannotCreate, const char* alreadyExists) {
    const DWORD error = GetLastError();
    win32::Handle owned(handle);
    if (!owned)
        throw ErrorType(cannotCreate);
    if (error == ERROR_ALREADY_EXISTS)
        throw ErrorType(alreadyExists);
    return owned;
}

template <typename ErrorType>
bool timedWait(HANDLE handle, DWORD milliseconds, const char* failed) {
    const DWORD result = WaitForSingleObject(handle, milliseconds);
    if (!isReportedWaitResult(result))
        throw ErrorType(failed);
    return result != WAIT_TIMEOUT;
}

} // namespace

Semaphore::Semaphore(LONG initialCount, const char* name) {
    SECURITY_ATTRIBUTES attributes = inheritable();
    handle_ = created<Error>(CreateSemaphoreA(&attributes, initialCount, kMaximumCount, name),
                             "Can't create semaphore.", "Semaphore already exists.");
}

Semaphore::Semaphore(const char* name) {
    handle_.reset(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, TRUE, name));
    if (!handle_)
        throw Error("Can't open existing semaphore.");
}

DWORD Semaphore::lock() {
    const DWORD result = WaitForSingleObject(handle_.get(), INFINITE);
    if (!isReportedWaitResult(result))
        throw Error("Lock of the semaphore failed.");
    return result;
}

bool Semaphore::lock(DWORD milliseconds) {
    return timedWait<Error>(handle_.get(), milliseconds, "Lock of the semaphore failed.");
}

BOOL Semaphore::unlock(LONG count) {
    if (!ReleaseSemaphore(handle_.get(), count, nullptr))
        throw Error("Can't unlock semaphore.");
    return TRUE;
}

SyncEvent::SyncEvent(bool initialState, bool manualReset, const char* name) {
    SECURITY_ATTRIBUTES attributes = inheritable();
    handle_ = created<Error>(CreateEventA(&attributes, manualReset, initialState, name),
                             "Can't create event.", "Event already exists.");
}

SyncEvent::SyncEvent(const char* name) {
    handle_.reset(OpenEventA(EVENT_ALL_ACCESS, TRUE, name));
    if (!handle_)
        throw Error("Can't open existing event.");
}

BOOL SyncEvent::set() {
    if (!SetEvent(handle_.get()))
        throw Error("Can't set event.");
    return TRUE;
}

BOOL SyncEvent::reset() {
    if (!ResetEvent(handle_.get()))
        throw Error("Can't reset event.");
    return TRUE;
}

DWORD SyncEvent::wait() {
    const DWORD result = WaitForSingleObject(handle_.get(), INFINITE);
    if (!isReportedWaitResult(result))
        throw Error("Wait failed.");
    return result;
}

bool SyncEvent::wait(DWORD milliseconds) {
    return timedWait<Error>(handle_.get(), milliseconds, "Wait failed.");
}

} // namespace thread
