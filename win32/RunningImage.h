#pragma once

#include "Handles.h"

#include <windows.h>

#include <tlhelp32.h>

#include <string>

namespace win32 {

namespace detail {

// The name after the last backslash.
inline std::wstring leafOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Whether a process's program path may be opened to compare it: only one on a fixed local
// drive ("X:\...") and of the same file name. Any process's path is chosen by whoever started
// it: a share or a device would make an elevated caller connect out, or wait for ever.
inline bool mayOpenToCompare(const std::wstring& image, const std::wstring& path) {
    if (image.size() < 4 || image[1] != L':' || image[2] != L'\\')
        return false;
    const std::wstring root = image.substr(0, 3);
    const std::wstring leaf = leafOf(image), wanted = leafOf(path);
    return GetDriveTypeW(root.c_str()) == DRIVE_FIXED &&
           CompareStringOrdinal(leaf.c_str(), static_cast<int>(leaf.size()), wanted.c_str(),
                                static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL;
}

// The identity of the file `path` names, opened without following a link and anonymously.
inline bool identityOf(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& identity) {
    const Handle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT |
                                      SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS,
                                  nullptr));
    return file && GetFileInformationByHandle(file.get(), &identity);
}

} // namespace detail

// Whether a running process's program file is the very file `path` names (volume and file
// index): a file held open by a scanner or a backup agent is no running program, and another
// spelling of the same file (short name, other case) is the same program.
inline bool runsAsProcess(const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION identity = {};
    if (!detail::identityOf(path, identity))
        return false;
    const Handle processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(processes.get(), &entry); more;
         more = Process32NextW(processes.get(), &entry)) {
        const Handle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        wchar_t image[MAX_PATH * 4] = {};
        DWORD length = MAX_PATH * 4;
        if (!process || !QueryFullProcessImageNameW(process.get(), 0, image, &length))
            continue;
        const std::wstring imagePath(image, length);
        BY_HANDLE_FILE_INFORMATION found = {};
        if (detail::mayOpenToCompare(imagePath, path) && detail::identityOf(imagePath, found) &&
            found.dwVolumeSerialNumber == identity.dwVolumeSerialNumber &&
            found.nFileIndexHigh == identity.nFileIndexHigh &&
            found.nFileIndexLow == identity.nFileIndexLow)
            return true;
    }
    return false;
}

} // namespace win32
