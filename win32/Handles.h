#pragma once

#include "Unique.h"

#include <windows.h>

namespace win32 {

// A kernel handle (file, process, thread, event, mapping...). Both null and
// INVALID_HANDLE_VALUE hold nothing, because Win32 calls report failure with either.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type none() { return nullptr; }
    static bool valid(Type value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void free(Type value) { CloseHandle(value); }
};
using Handle = Unique<KernelHandleTraits>;

// FindFirstFile's search handle: it has a closing function of its own.
struct FindHandleTraits {
    using Type = HANDLE;
    static Type none() { return INVALID_HANDLE_VALUE; }
    static bool valid(Type value) { return value != INVALID_HANDLE_VALUE && value != nullptr; }
    static void free(Type value) { FindClose(value); }
};
using FindHandle = Unique<FindHandleTraits>;

inline void closeKey(HKEY key) {
    RegCloseKey(key);
}
using Key = Unique<NullIsNone<HKEY, closeKey>>;

inline void unmapView(void* view) {
    UnmapViewOfFile(view);
}
using View = Unique<NullIsNone<void*, unmapView>>;

inline void freeLibrary(HMODULE module) {
    FreeLibrary(module);
}
using Library = Unique<NullIsNone<HMODULE, freeLibrary>>;

// Memory the system allocated for the caller with LocalAlloc (FormatMessage's buffer,
// CommandLineToArgvW's vector).
template <typename Pointer> inline void freeLocal(Pointer memory) {
    LocalFree(memory);
}
template <typename Pointer> using LocalMemory = Unique<NullIsNone<Pointer, freeLocal<Pointer>>>;

// Memory handed over with GlobalAlloc's handle (a print dialog's printer settings).
inline void freeGlobal(HGLOBAL memory) {
    GlobalFree(memory);
}
using GlobalMemory = Unique<NullIsNone<HGLOBAL, freeGlobal>>;

// A window made for the caller's own use, such as one never shown.
inline void destroyWindow(HWND window) {
    DestroyWindow(window);
}
using OwnWindow = Unique<NullIsNone<HWND, destroyWindow>>;

} // namespace win32
