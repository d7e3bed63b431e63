#pragma once

#include "base/AppException.h"

#include <objbase.h>
#include <windows.h>

// COM initialised for the calling thread for the object's lifetime; anything but S_OK is
// WinException("Couldn't initialize COM").
class ComSession {
public:
    ComSession() {
        if (CoInitialize(nullptr) != S_OK)
            throw WinException(GetLastError(), "Couldn't initialize COM");
    }
    ~ComSession() { CoUninitialize(); }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;
};
