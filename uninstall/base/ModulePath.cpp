#include "ModulePath.h"

std::string modulePath(HMODULE module) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        // A full buffer means the name may have been cut: try again with more room.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
