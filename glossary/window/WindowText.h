#pragma once

#include "win32/WindowText.h"

#include <windows.h>

#include <algorithm>
#include <string>

// Text conversions of the glossary window: UTF-8 for the database path, and a control's text.

inline std::string utf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(length, 0)), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            length, nullptr, nullptr);
    return bytes;
}

inline std::u16string windowText(HWND window) {
    const std::wstring text = win32::windowText(window);
    return std::u16string(text.begin(), text.end());
}
