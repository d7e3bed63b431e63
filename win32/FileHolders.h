#pragma once

#include "Handles.h"

#include <windows.h>

#include <restartmanager.h>

#include <string>
#include <vector>

namespace win32 {

// The programs that hold `path` open, as the Restart Manager names them: "Backup Agent
// (process 1234)". Empty where the system cannot tell (no Restart Manager, or it knows of
// none). The library is no known one of the system: it is loaded by its full path in the
// system directory, never searched for beside a program started from Downloads.
inline std::vector<std::wstring> programsHolding(const std::wstring& path) {
    std::vector<std::wstring> names;
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return names;
    const Library library(
        LoadLibraryExW((std::wstring(system) + L"\\rstrtmgr.dll").c_str(), nullptr, 0));
    if (!library)
        return names;
    const auto find = [&](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(library.get(), name));
    };
    using Start = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
    using Register =
        DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
    using List = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
    using End = DWORD(WINAPI*)(DWORD);
    const auto start = reinterpret_cast<Start>(find("RmStartSession"));
    const auto add = reinterpret_cast<Register>(find("RmRegisterResources"));
    const auto list = reinterpret_cast<List>(find("RmGetList"));
    const auto end = reinterpret_cast<End>(find("RmEndSession"));
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (start == nullptr || add == nullptr || list == nullptr || end == nullptr ||
        start(&session, 0, key) != ERROR_SUCCESS)
        return names;
    LPCWSTR files[] = {path.c_str()};
    std::vector<RM_PROCESS_INFO> holders(8);
    UINT needed = 0, count = static_cast<UINT>(holders.size());
    DWORD reasons = 0;
    DWORD result = add(session, 1, files, 0, nullptr, 0, nullptr);
    if (result == ERROR_SUCCESS)
        result = list(session, &needed, &count, holders.data(), &reasons);
    if (result == ERROR_MORE_DATA) {
        holders.resize(needed);
        count = needed;
        result = list(session, &needed, &count, holders.data(), &reasons);
    }
    for (UINT i = 0; result == ERROR_SUCCESS && i < count && i < holders.size(); ++i) {
        const std::wstring name = holders[i].strAppName;
        names.push_back((name.empty() ? L"a program" : name) + L" (process " +
                        std::to_wstring(holders[i].Process.dwProcessId) + L")");
    }
    end(session);
    return names;
}

} // namespace win32
