#include "Thread.h"

#include "WaitResult.h"

#include <process.h>

#include <cstdint>

namespace thread {

namespace {

constexpr int kPriorities[] = {THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                               THREAD_PRIORITY_NORMAL,  THREAD_PRIORITY_ABOVE_NORMAL,
                               THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL};
constexpr int kPriorityCount = sizeof kPriorities / sizeof kPriorities[0];

} // namespace

Thread::Thread(Runnable* runnable) : runnable_(runnable) {
    const std::uintptr_t created =
        _beginthreadex(nullptr, 0, &Thread::entry, this, CREATE_SUSPENDED, nullptr);
    if (created == 0)
        throw Error("Can't create thread.");
    handle_.reset(reinterpret_cast<HANDLE>(created));
}

unsigned __stdcall Thread::entry(void* self) {
    try {
        static_cast<Thread*>(self)->run();
    } catch (...) {
        // A body's failure ends its thread quietly; the owner learns of it in its own way.
    }
    _endthreadex(0);
    return 0;
}

void Thread::run() {
    if (runnable_ != nullptr)
        runnable_->run();
}

DWORD Thread::start() {
    if (started_)
        throw Error("Thread can be started only once.");
    started_ = true; // a failed resume still counts as the one start
    const DWORD previous = ResumeThread(handle_.get());
    if (previous == static_cast<DWORD>(-1))
        throw Error("Thread can not be started.");
    return previous;
}

BOOL Thread::setPriority(int index) {
    if (index < 0 || index >= kPriorityCount)
        throw Error("Illegal priority value.");
    if (!SetThreadPriority(handle_.get(), kPriorities[index]))
        throw Error("Can't set priority.");
    priority_ = index;
    return TRUE;
}

DWORD Thread::wait() {
    const DWORD result = WaitForSingleObject(handle_.get(), INFINITE);
    if (!isReportedWaitResult(result))
        throw Error("Waiting for thread termination failed.");
    return result;
}

DWORD Thread::wait(DWORD milliseconds) {
    return WaitForSingleObject(handle_.get(), milliseconds);
}

bool sleep(DWORD milliseconds) {
    Sleep(milliseconds);
    return true;
}

} // namespace thread
