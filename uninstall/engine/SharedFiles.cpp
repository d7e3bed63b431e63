#include "SharedFiles.h"

#include "win32/ScopedHandle.h"
#include "win32/ScopedKey.h"

#include <windows.h>

namespace {

constexpr char kSharedFilesKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

} // namespace

int releaseSharedFile(const std::string& path) {
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      key.receive()) != ERROR_SUCCESS)
        return -1;
    DWORD count = 0;
    DWORD length = sizeof count;
    if (RegQueryValueExA(key.get(), path.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&count),
                         &length) != ERROR_SUCCESS)
        return -1;
    if (count > 0) {
        --count;
        RegSetValueExA(key.get(), path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                       length);
    }
    return static_cast<int>(count);
}

void forgetSharedFile(const std::string& path) {
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_SET_VALUE, key.receive()) ==
        ERROR_SUCCESS)
        RegDeleteValueA(key.get(), path.c_str());
}

bool fileExists(const std::string& path) {
    const ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid();
}
