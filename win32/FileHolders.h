#pragma once

#include "Handles.h"

#include <windows.h>

#include <restartmanager.h>

#include <string>
#include <vector>

namespace win32 {

// The processes that hold any of `paths` open, as the Restart Manager lists them. Empty where
// the system cannot tell (no Restart Manager, or it knows of none). The library is no known one
// of the system: it is loaded by its full path in the system directory, never searched for
// beside a program started from a folder such as Downloads.
inline std::vector<RM_PROCESS_INFO> processesHolding(const std::vector<std::wstring>& paths) {
    std::vector<RM_PROCESS_INFO> holders;
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (paths.empty() || length == 0 || length >= MAX_PATH)
        return holders;
    const Library library(
        LoadLibraryExW((std::wstring(system) + L"\\rstrtmgr.dll").c_str(), nullptr, 0));
    if (!library)
        return holders;
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
        return holders;
    std::vector<LPCWSTR> names;
    for (const std::wstring& path : paths)
        names.push_back(path.c_str());
    holders.resize(16);
    UINT needed = 0, count = static_cast<UINT>(holders.size());
    DWORD reasons = 0;
    DWORD result =
        add(session, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0, nullptr);
    if (result == ERROR_SUCCESS)
        result = list(session, &needed, &count, holders.data(), &reasons);
    if (result == ERROR_MORE_DATA) {
        holders.resize(needed);
        count = needed;
        result = list(session, &needed, &count, holders.data(), &reasons);
    }
    holders.resize(result == ERROR_SUCCESS && count <= holders.size() ? count : 0);
    end(session);
    return holders;
}

// A name a program gives itself, on one line: its line breaks and other controls would let it
// write lines of its own into the report, the event log and the tool's standard error.
inline std::wstring oneLine(std::wstring name) {
    for (wchar_t& c : name) {
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029)
            c = L' ';
    }
    return name;
}

// The programs that hold `path` open, as the Restart Manager names them: "Backup Agent
// (process 1234)". Empty where the system cannot tell.
inline std::vector<std::wstring> programsHolding(const std::wstring& path) {
    std::vector<std::wstring> names;
    for (const RM_PROCESS_INFO& holder : processesHolding({path})) {
        const std::wstring name = oneLine(holder.strAppName);
        names.push_back((name.empty() ? L"a program" : name) + L" (process " +
                        std::to_wstring(holder.Process.dwProcessId) + L")");
    }
    return names;
}

} // namespace win32
