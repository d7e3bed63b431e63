#include "UnregisterServer.h"

#include "base/FaultGuard.h"
#include "base/LibrarySearch.h"
#include "base/SystemErrorText.h"
#include "engine/PathRules.h"
#include "engine/SharedFiles.h"
#include "engine/TrustedCode.h"
#include "win32/Handles.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

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

struct UnregisterCall {
    void* function = nullptr;
    HRESULT result = E_FAIL;
};

void callUnregister(void* context) {
    auto* call = static_cast<UnregisterCall*>(context);
    call->result = reinterpret_cast<UnregisterFunction>(call->function)();
}

#ifdef _WIN64
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_AMD64;
#else
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_I386;
#endif

// The machine a module's headers name; 0 when the file has no such headers.
WORD machineOf(const std::string& path) {
    const win32::Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    IMAGE_DOS_HEADER dos = {};
    DWORD read = 0;
    if (!file || !ReadFile(file.get(), &dos, sizeof dos, &read, nullptr) || read != sizeof dos ||
        dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0)
        return 0;
    struct {
        DWORD signature;
        IMAGE_FILE_HEADER header;
    } nt = {};
    if (SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file.get(), &nt, sizeof nt, &read, nullptr) || read != sizeof nt ||
        nt.signature != IMAGE_NT_SIGNATURE)
        return 0;
    return nt.header.Machine;
}

ServerResult kept(const std::string& reason) {
    return {ServerResult::Outcome::Kept, reason};
}

ServerResult failed(const std::string& reason) {
    return {ServerResult::Outcome::Failed, reason};
}

// Anything up to 32 is an error code of the old loader, not a module.
bool isModule(HMODULE module) {
    return reinterpret_cast<std::uintptr_t>(module) > 32;
}

} // namespace

ServerResult unregisterServer(const std::string& path, const win32::RunningAccount& trusted) {
    // A relative path would be looked up where anyone may have put a library.
    if (!isPlainAbsolutePath(path))
        return kept("not a plain absolute path");
    // Another product still counts on this server: its registration is that product's too.
    const int uses = sharedUseCount(path);
    if (uses == kCountUnusable)
        return kept("its use count cannot be read or used");
    if (uses > 1)
        return kept("still used by " + std::to_string(uses - 1) + " other products");
    // Held against writing, renaming and deleting until it is unloaded: the library loaded is
    // the file judged.
    const HeldCode held = holdTrustedCode(path, trusted);
    if (!held && held.error != ERROR_SUCCESS)
        return failed(held.why);
    if (!held)
        return kept(held.why);
    const DirectoryKeeper directory;
    {
        // The probe runs none of the library's code.
        const win32::Library probe(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!isModule(probe.get()))
            return failed(systemErrorText(GetLastError()));
    }
    const WORD machine = machineOf(path);
    if (machine != kOwnMachine)
        return kept(machine == IMAGE_FILE_MACHINE_AMD64 || machine == IMAGE_FILE_MACHINE_I386
                        ? "a server of the other bitness than this uninstaller"
                        : "not a Windows library");
    // The server's own libraries come from its own folder and the system directory only.
    const DWORD search = librarySearchFlagsSupported()
                             ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                             : LOAD_WITH_ALTERED_SEARCH_PATH;
    const win32::Library library(LoadLibraryExA(path.c_str(), nullptr, search));
    if (library.get() == nullptr)
        return failed(systemErrorText(GetLastError()));
    UnregisterCall call;
    call.function = reinterpret_cast<void*>(GetProcAddress(library.get(), "DllUnregisterServer"));
    if (call.function == nullptr)
        return kept("no DllUnregisterServer");
    // Unregistration goes on with the next server whatever this one does.
    if (!callGuarded(callUnregister, &call))
        return failed("DllUnregisterServer faulted");
    if (FAILED(call.result)) {
        char text[64];
        std::snprintf(text, sizeof text, "DllUnregisterServer returned 0x%08lX",
                      static_cast<unsigned long>(call.result));
        return failed(text);
    }
    return {ServerResult::Outcome::Unregistered, std::string()};
}
