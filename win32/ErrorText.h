#pragma once

#include "Handles.h"

#include <windows.h>

#include <string>

namespace win32 {

// The system's own text for an error code, without its line break; empty when it has none.
inline std::wstring systemMessage(DWORD error) {
    LocalMemory<wchar_t*> text;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(text.receive()), 0, nullptr);
    std::wstring message = text ? text.get() : L"";
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return message;
}

} // namespace win32
