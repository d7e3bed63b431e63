#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// Writes all of `bytes` at the file's position. Returns ERROR_SUCCESS, the system's error
// read at the failing call itself (anything called after it may overwrite it, and a full disk
// then reads as success), or ERROR_HANDLE_DISK_FULL when the system took fewer bytes.
inline DWORD writeWhole(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return GetLastError();
    return written == bytes.size() ? ERROR_SUCCESS : ERROR_HANDLE_DISK_FULL;
}

} // namespace win32
