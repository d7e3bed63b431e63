#include "UnregisterServer.h"

#include "win32/FaultGuard.h"

#include <windows.h>

#include <cstdint>

namespace {

// Owns a loaded library.
class ScopedLibrary {
public:
    explicit ScopedLibrary(HMODULE module) : module_(module) {}
    ~ScopedLibrary() {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }
    ScopedLibrary(const ScopedLibrary&) = delete;
    ScopedLibrary& operator=(const ScopedLibrary&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

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
    const DirectoryKeeper directory;
    {
        // The probe runs none of the library's code.
        const ScopedLibrary probe(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!isModule(probe.get()))
            return false;
    }
    const ScopedLibrary library(LoadLibraryA(path.c_str()));
    if (library.get() == nullptr)
        return false;
    const FARPROC function = GetProcAddress(library.get(), "DllUnregisterServer");
    if (function == nullptr)
        return false;
    // Its result and any fault are ignored: unregistration goes on with the next server.
    callGuarded(callUnregister, reinterpret_cast<void*>(function));
    return true;
}
