#pragma once

#include <windows.h>

#include <string>

// The system directory, without a trailing backslash.
std::string systemDirectory();

// Loads a library of the system directory by its full path, so that no other folder is ever
// searched for it. Null when it cannot be loaded. The library stays loaded for the process.
HMODULE loadSystemLibrary(const char* name);

// An export of such a library, or null.
template <typename Function> Function systemFunction(const char* library, const char* name) {
    const HMODULE module = loadSystemLibrary(library);
    return module == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
