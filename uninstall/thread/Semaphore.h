#pragma once

#include "GenericError.h"
#include "win32/Handles.h"

#include <windows.h>

namespace thread {

class Semaphore {
public:
    class Error : public GenericError {
    public:
        explicit Error(const char* errorMessage) : GenericError("class Semaphore", errorMessage) {}
    };

    // Creates a new semaphore (maximum count 0x7FFFFFFF, inheritable handle); a name already
    // in use is an error, never an attachment to the existing object.
    Semaphore(LONG initialCount, const char* name);
    // Opens an existing named semaphore.
    explicit Semaphore(const char* name);
    virtual ~Semaphore() = default;
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    DWORD lock();
    // True when signalled (or abandoned), false on time-out.
    bool lock(DWORD milliseconds);
    BOOL unlock(LONG count);
    HANDLE handle() const { return handle_.get(); }

private:
    win32::Handle handle_;
};

} // namespace thread
