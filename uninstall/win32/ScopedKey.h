#pragma once

#include <windows.h>

// Owns an open registry key.
class ScopedKey {
public:
    ScopedKey() = default;
    ~ScopedKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    // For RegOpenKeyExA and friends to fill in.
    HKEY* receive() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};
