#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// A window's or control's text, whole.
inline std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

} // namespace win32
