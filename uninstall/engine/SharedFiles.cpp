#include "SharedFiles.h"

#include "win32/Handles.h"

#include <windows.h>

namespace {

constexpr char kSharedFilesKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr DWORD kHighestCount = 0x7FFFFFFF;

// Reads the count into `count`, with the type the registry gave; kNoCount, kCountUnusable or
// 0 for a count that can be used. A count is 4 bytes, as a number or, from some older setup
// programs, as binary data; anything else ("2" as text, 2 bytes, nothing) is no count we know.
int readCount(HKEY key, const std::string& path, DWORD& count, DWORD& type) {
    count = 0;
    type = REG_NONE;
    DWORD length = sizeof count;
    const LONG read = RegQueryValueExA(key, path.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&count), &length);
    if (read == ERROR_FILE_NOT_FOUND)
        return kNoCount;
    if (read != ERROR_SUCCESS || !isUsableCount(type, length) || count > kHighestCount)
        return kCountUnusable;
    return 0;
}

} // namespace

bool isUsableCount(DWORD type, DWORD length) {
    return (type == REG_DWORD || type == REG_BINARY) && length == sizeof(DWORD);
}

int releaseSharedFile(const std::string& path) {
    win32::Key key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      key.receive()) != ERROR_SUCCESS)
        return kCountUnusable;
    DWORD count = 0, type = REG_NONE;
    if (const int unusable = readCount(key.get(), path, count, type))
        return unusable;
    if (count > 0) {
        --count;
        RegSetValueExA(key.get(), path.c_str(), 0, type, reinterpret_cast<const BYTE*>(&count),
                       sizeof count);
    }
    return static_cast<int>(count);
}

int sharedUseCount(const std::string& path) {
    win32::Key key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_QUERY_VALUE, key.receive()) !=
        ERROR_SUCCESS)
        return kCountUnusable;
    DWORD count = 0, type = REG_NONE;
    if (const int unusable = readCount(key.get(), path, count, type))
        return unusable;
    return static_cast<int>(count);
}

void forgetSharedFile(const std::string& path) {
    win32::Key key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedFilesKey, 0, KEY_SET_VALUE, key.receive()) ==
        ERROR_SUCCESS)
        RegDeleteValueA(key.get(), path.c_str());
}

bool fileExists(const std::string& path) {
    const win32::Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid();
}
