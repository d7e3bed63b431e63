#pragma once

#include "Unique.h"

#include <windows.h>

namespace win32 {

// A GDI object made by the caller: font, bitmap, brush, pen.
template <typename Object> inline void deleteObject(Object object) {
    DeleteObject(object);
}
template <typename Object> using Gdi = Unique<NullIsNone<Object, deleteObject<Object>>>;

// A device context made by CreateCompatibleDC.
inline void deleteDc(HDC dc) {
    DeleteDC(dc);
}
using MemoryDc = Unique<NullIsNone<HDC, deleteDc>>;

// A window's device context from GetDC, given back to that window.
struct WindowDcTraits {
    struct Type {
        HWND window;
        HDC dc;
    };
    static Type none() { return {nullptr, nullptr}; }
    static bool valid(Type value) { return value.dc != nullptr; }
    static void free(Type value) { ReleaseDC(value.window, value.dc); }
};
class WindowDc : public Unique<WindowDcTraits> {
public:
    // The whole screen's when `window` is null.
    explicit WindowDc(HWND window) : Unique({window, GetDC(window)}) {}
    HDC dc() const { return get().dc; }
};

// An object selected into a device context; the one it replaced goes back at the end.
struct SelectionTraits {
    struct Type {
        HDC dc;
        HGDIOBJ previous;
    };
    static Type none() { return {nullptr, nullptr}; }
    static bool valid(Type value) { return value.dc != nullptr && value.previous != nullptr; }
    static void free(Type value) { SelectObject(value.dc, value.previous); }
};
class Selection : public Unique<SelectionTraits> {
public:
    Selection(HDC dc, HGDIOBJ object) : Unique({dc, SelectObject(dc, object)}) {}
};

} // namespace win32
