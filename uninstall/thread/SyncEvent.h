#pragma once

#include "GenericError.h"
#include "win32/Handles.h"

#include <windows.h>

namespace thread {

class SyncEvent {
public:
    class Error : public GenericError {
    public:
        explicit Error(const char* errorMessage) : GenericError("class SyncEvent", errorMessage) {}
    };

    // Creates a new event (inheritable handle); note the order: initial state, then manual
    // reset. A name already in use is an error.
    SyncEvent(bool initialState, bool manualReset, const char* name);
    // Opens an existing named event.
    explicit SyncEvent(const char* name);
    virtual ~SyncEvent() = default;
    SyncEvent(const SyncEvent&) = delete;
    SyncEvent& operator=(const SyncEvent&) = delete;

    BOOL set();
    BOOL reset();
    DWORD wait();
    // True when signalled (or abandoned), false on time-out.
    bool wait(DWORD milliseconds);
    HANDLE handle() const { return handle_.get(); }

private:
    win32::Handle handle_;
};

} // namespace thread
