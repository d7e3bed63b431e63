#include "UnregisterServer.h"

#include "base/FaultGuard.h"
#include "base/LibrarySearch.h"
#include "engine/PathRules.h"
#include "engine/SharedFiles.h"
#include "win32/Handles.h"

#include <windows.h>

#include <cstdint>

namespace {

// A server may change the current directory; the caller gets its own back.
class DirectoryKeeper {
public:
    DirectoryKeeper() { GetCurrentDirectoryA(MAX_PATH, directory_); }
    ~DirectoryKeeper() { SetCurrentDirectoryA(directory_); }
    DirectoryKeeper(const DirectoryKeeper&) = delete;
    DirectoryKeeper& operator=(const DirectoryKeeper&) = delete;

private:
    char directory_[MAX_PATH] = {};
};

using UnregisterFunction = HRESULT(__stdcall*)();

void callUnregister(void* function) {
    reinterpret_cast<UnregisterFunction>(function)();
}

// Anything up to 32 is an error code of the old loader, not a module.
bool isModule(HMODULE module) {
    return reinterpret_cast<std::uintptr_t>(module) > 32;
}

} // namespace

bool unregisterServer(const std::string& path) {
    // A relative path would be looked up where anyone may have put a library.
    if (!isPlainAbsolutePath(path))
        return false;
    // Another product still counts on this server: its registration is that product's too.
    if (sharedUseCount(path) > 1)
        return false;
    const DirectoryKeeper directory;
    {
        // The probe runs none of the library's code.
        const win32::Library probe(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!isModule(probe.get()))
            return false;
    }
    // The server's own libraries come from its own folder and the system directory only.
    const DWORD search = librarySearchFlagsSupported()
                             ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                             : LOAD_WITH_ALTERED_SEARCH_PATH;
    const win32::Library library(LoadLibraryExA(path.c_str(), nullptr, search));
    if (library.get() == nullptr)
        return false;
    const FARPROC function = GetProcAddress(library.get(), "DllUnregisterServer");
    if (function == nullptr)
        return false;
    // Its result and any fault are ignored: unregistration goes on with the next server.
    callGuarded(callUnregister, reinterpret_cast<void*>(function));
    return true;
}
