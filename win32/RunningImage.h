#pragma once

#include "FileIdentity.h"
#include "Handles.h"

#include <windows.h>

#include <tlhelp32.h>

#include <string>

namespace win32 {

// Whether a running process's program file is the very file `path` names (volume and file
// index): a file held open by a scanner or a backup agent is no running program, and another
// spelling of the same file (short name, other case, a second hard link) is the same program.
inline bool runsAsProcess(const std::wstring& path) {
    const Handle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION identity = {};
    if (!file || !GetFileInformationByHandle(file.get(), &identity))
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
        if (process && QueryFullProcessImageNameW(process.get(), 0, image, &length) &&
            sameFile(identity, std::wstring(image, length)))
            return true;
    }
    return false;
}

} // namespace win32
