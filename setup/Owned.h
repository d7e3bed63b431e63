#pragma once

#include <windows.h>

// A file or registry key that this scope opened and closes, on every way out.
class OwnedFile {
public:
    explicit OwnedFile(HANDLE handle) : handle_(handle) {}
    ~OwnedFile() {
        if (valid())
            CloseHandle(handle_);
    }
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class OwnedKey {
public:
    OwnedKey() = default;
    ~OwnedKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    OwnedKey(const OwnedKey&) = delete;
    OwnedKey& operator=(const OwnedKey&) = delete;
    HKEY* receive() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};
