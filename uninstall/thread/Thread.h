#pragma once

#include "GenericError.h"
#include "win32/Handles.h"

#include <windows.h>

namespace thread {

// An object with a body for a thread to run; `run` is the second slot, after the destructor.
class Runnable {
public:
    virtual ~Runnable() = default;
    virtual void run() = 0;
};

// A thread that runs one body once. It is created suspended at construction and runs from
// `start`. Whatever the body throws is swallowed; the thread always ends with exit code 0.
// The owner must not destroy the object while the thread still runs.
class Thread {
public:
    class Error : public GenericError {
    public:
        explicit Error(const char* errorMessage) : GenericError("class Thread", errorMessage) {}
    };

    explicit Thread(Runnable* runnable = nullptr);
    virtual ~Thread() = default;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    virtual void run();

    // Resumes the thread, once; returns the previous suspend count.
    DWORD start();
    // Index 0 (lowest) to 5 (time critical); returns nonzero on success.
    BOOL setPriority(int index);
    int priority() const { return priority_; }
    // Waits without limit; returns WAIT_OBJECT_0, WAIT_ABANDONED or WAIT_TIMEOUT.
    DWORD wait();
    // Waits at most `milliseconds`; returns what Windows reports, WAIT_FAILED included.
    DWORD wait(DWORD milliseconds);
    HANDLE handle() const { return handle_.get(); }

private:
    static unsigned __stdcall entry(void* self);

    Runnable* runnable_;
    bool started_ = false;
    int priority_ = 2;
    win32::Handle handle_;
};

// Suspends the calling thread; always true.
bool sleep(DWORD milliseconds);

} // namespace thread
