#include "SystemLibrary.h"

std::string systemDirectory() {
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

HMODULE loadSystemLibrary(const char* name) {
    const std::string directory = systemDirectory();
    if (directory.empty())
        return nullptr;
    return LoadLibraryA((directory + "\\" + name).c_str());
}
