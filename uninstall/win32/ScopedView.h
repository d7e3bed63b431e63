#pragma once

#include <windows.h>

// Owns a mapped view of a file mapping.
class ScopedView {
public:
    explicit ScopedView(void* view) : view_(view) {}
    ~ScopedView() {
        if (view_ != nullptr)
            UnmapViewOfFile(view_);
    }
    ScopedView(const ScopedView&) = delete;
    ScopedView& operator=(const ScopedView&) = delete;

    char* bytes() const { return static_cast<char*>(view_); }
    explicit operator bool() const { return view_ != nullptr; }

private:
    void* view_;
};
