#pragma once

#include <windows.h>

namespace win32 {

using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);

// Looked up at run time: the function is newer than the oldest system the programs run on
// (Windows 7 has it only with the update that brought the LOAD_LIBRARY_SEARCH_* flags).
inline SetDefaultDirectories setDefaultDllDirectories() {
    return reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
}

// From here on the process loads libraries by bare name from the system directory only (where
// the system can be told so) and never from the current directory: the programs run elevated
// beside folders, such as Downloads, that anyone may write to.
inline void restrictLibrarySearch() {
    if (const SetDefaultDirectories setDefault = setDefaultDllDirectories())
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
}

} // namespace win32
