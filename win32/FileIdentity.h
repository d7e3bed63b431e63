#pragma once

#include "Handles.h"

#include <windows.h>

#include <string>

namespace win32 {

// Whether `path` names, right now, the very file (volume and file index) that `held` is open
// on: a name proves nothing by itself, an identity does.
inline bool sameFile(const BY_HANDLE_FILE_INFORMATION& held, const std::string& path) {
    const Handle other(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION found = {};
    return other && GetFileInformationByHandle(other.get(), &found) &&
           held.dwVolumeSerialNumber == found.dwVolumeSerialNumber &&
           held.nFileIndexHigh == found.nFileIndexHigh && held.nFileIndexLow == found.nFileIndexLow;
}

inline bool sameFile(HANDLE held, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION identity = {};
    return held != nullptr && held != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(held, &identity) && sameFile(identity, path);
}

} // namespace win32
