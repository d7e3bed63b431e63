#include "LongPath.h"

#include "VolumeNames.h"
#include "win32/Handles.h"

#include <windows.h>

#include <vector>

namespace {

// Every drive and the device it leads to; a drive that leads to a folder is left to
// onDosDevice to pass over.
std::vector<DosDevice> dosDevices() {
    std::vector<DosDevice> devices;
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        if ((drives & (1u << (letter - L'A'))) == 0)
            continue;
        const wchar_t drive[] = {letter, L':', L'\0'};
        wchar_t target[MAX_PATH * 2] = {};
        if (QueryDosDeviceW(drive, target, MAX_PATH * 2) != 0)
            devices.push_back({drive, target});
    }
    return devices;
}

// "Volume{...}\rest" where the volume is mounted, "\Device\...\rest" on its drive; as given
// when it is mounted nowhere.
std::wstring onItsDrive(const std::wstring& path) {
    if (path.size() > 1 && path[0] == L'\\' && path[1] != L'\\')
        return onDosDevice(path, dosDevices());
    const std::size_t close = path.find(L'}');
    if (path.compare(0, 7, L"Volume{") != 0 || close == std::wstring::npos)
        return path;
    const std::wstring volume = L"\\\\?\\" + path.substr(0, close + 1) + L"\\";
    wchar_t names[MAX_PATH * 2] = {};
    DWORD length = 0;
    if (!GetVolumePathNamesForVolumeNameW(volume.c_str(), names, MAX_PATH * 2, &length))
        return path;
    return onMountName(path, names);
}

// The name the system gives the file or folder at `path` once opened: the final part not
// followed, so that a link is named, not what it leads to. Opened for its attributes alone,
// and anonymously: a link on the way that leads to a pipe must not lend its server our
// rights. Empty when it cannot be opened.
std::wstring systemName(const std::wstring& path) {
    const win32::Handle handle(
        CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT |
                        SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS,
                    nullptr));
    if (!handle.valid())
        return std::wstring();
    wchar_t name[MAX_PATH * 2] = {};
    const DWORD length = GetFinalPathNameByHandleW(handle.get(), name, MAX_PATH * 2,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= MAX_PATH * 2)
        return std::wstring();
    std::wstring result(name, length);
    if (result.compare(0, 4, L"\\\\?\\") == 0)
        result.erase(0, 4);
    return isDrivePath(result) ? result : std::wstring();
}

// The long names of an existing path, as its folders list them, without opening it.
std::wstring longName(const std::wstring& path) {
    wchar_t name[MAX_PATH * 2] = {};
    const DWORD length = GetLongPathNameW(path.c_str(), name, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(name, length) : std::wstring();
}

// `path` with its deepest existing part named by `name`.
template <typename Name> std::wstring deepestNamed(const std::wstring& path, Name name) {
    // From the whole path up to its drive's root, the first part that exists.
    for (std::size_t end = path.size(); end >= 2;) {
        std::wstring named = name(end == 2 ? path.substr(0, 3) : path.substr(0, end));
        if (!named.empty()) {
            while (named.size() > 3 && named.back() == L'\\')
                named.pop_back();
            std::wstring rest = path.substr(end);
            if (!rest.empty() && rest[0] == L'\\' && named.back() == L'\\')
                rest.erase(0, 1);
            return named + rest;
        }
        if (end == 2)
            break;
        const std::size_t slash = path.rfind(L'\\', end - 1);
        end = slash == std::wstring::npos || slash < 2 ? 2 : slash;
    }
    return path;
}

} // namespace

std::wstring longNamesOf(const std::wstring& path) {
    return isDrivePath(path) ? deepestNamed(path, longName) : path;
}

std::wstring longPathOf(const std::wstring& given) {
    const std::wstring path = onItsDrive(given);
    if (!isDrivePath(path))
        return given;
    return deepestNamed(path, [](const std::wstring& part) {
        const std::wstring named = systemName(part);
        return named.empty() ? longName(part) : named;
    });
}
