#include "LibrarySearch.h"

#include <windows.h>

namespace {

using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);

// Looked up at run time: the function is newer than the oldest system the program runs on.
SetDefaultDirectories setDefaultDllDirectories() {
    return reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
}

} // namespace

void restrictLibrarySearch() {
    if (const SetDefaultDirectories setDefault = setDefaultDllDirectories())
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}

bool librarySearchFlagsSupported() {
    return setDefaultDllDirectories() != nullptr;
}
