#pragma once

#include "Handles.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

// A list of lines kept in one REG_MULTI_SZ value: written in one call, so that a run stopped
// while it writes leaves the list before or after, never a part of it.
namespace win32 {

// More than this is no list of ours.
inline constexpr DWORD kMaxLinesBytes = 2 * 1024 * 1024;

// The lines of `value` in the open `key`, empty ones left out; none when the value is missing,
// of another type or larger than `maxBytes`.
inline std::vector<std::u16string> readLines(HKEY key, const std::wstring& value,
                                             DWORD maxBytes = kMaxLinesBytes) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size > maxBytes)
        return {};
    std::u16string text(size / sizeof(char16_t) + 2, u'\0');
    if (RegQueryValueExW(key, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return {};
    text.resize(size / sizeof(char16_t));
    std::vector<std::u16string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(u'\0', at), text.size());
        if (end > at)
            lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// The same for the key `keyName` under `root`; none when the key is missing.
inline std::vector<std::u16string> readLines(HKEY root, const wchar_t* keyName,
                                             const std::wstring& value,
                                             DWORD maxBytes = kMaxLinesBytes) {
    Key key;
    if (RegOpenKeyExW(root, keyName, 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS)
        return {};
    return readLines(key.get(), value, maxBytes);
}

// Writes the lines; no lines, no value.
inline void writeLines(HKEY root, const wchar_t* keyName, const std::wstring& value,
                       const std::vector<std::u16string>& lines) {
    Key key;
    if (RegCreateKeyExW(root, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS)
        return;
    if (lines.empty()) {
        RegDeleteValueW(key.get(), value.c_str());
        return;
    }
    std::u16string text;
    for (const std::u16string& line : lines)
        text += line + u'\0';
    text += u'\0';
    RegSetValueExW(key.get(), value.c_str(), 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(text.data()),
                   static_cast<DWORD>(text.size() * sizeof(char16_t)));
}

} // namespace win32
