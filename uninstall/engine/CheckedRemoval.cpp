#include "CheckedRemoval.h"

#include "PathRules.h"
#include "win32/Handles.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The logged path with its short components made long, as the system reports open files.
// Only a path with a "~" can hold a short name; asking for any other costs a folder listing.
std::string longForm(const std::string& path) {
    if (path.find('~') == std::string::npos)
        return path;
    char full[MAX_PATH * 2] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), full, sizeof full);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

bool isWow64Process() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

} // namespace

bool resolvesToPath(HANDLE file, const std::string& path) {
    char resolved[MAX_PATH * 2] = {};
    const DWORD length = GetFinalPathNameByHandleA(file, resolved, sizeof resolved,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    // A path the system cannot name is not one we can vouch for.
    if (length == 0 || length >= sizeof resolved)
        return false;
    // Vista counts the terminating zero in the length of the ANSI form; the text ends there.
    const std::string logged = longForm(path);
    if (samePath(std::string(resolved), logged))
        return true;
    // A 32-bit build on 64-bit Windows is sent to SysWOW64 by the system itself.
    static const bool redirected = isWow64Process();
    if (!redirected)
        return false;
    char windows[MAX_PATH] = {};
    const UINT windowsLength = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    return windowsLength > 0 && windowsLength < MAX_PATH &&
           samePath(std::string(resolved), wow64Redirected(logged, windows));
}

namespace {

bool markForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

bool clearReadOnlyAttribute(HANDLE file) {
    FILE_BASIC_INFO basic = {};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) == 0)
        return false;
    basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    // Zero times leave the times as they are.
    basic.CreationTime.QuadPart = basic.LastAccessTime.QuadPart = 0;
    basic.LastWriteTime.QuadPart = basic.ChangeTime.QuadPart = 0;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

bool isReadOnly(HANDLE file) {
    FILE_BASIC_INFO basic = {};
    return !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
           (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

Removal failed(DWORD error) {
    return {Removal::Outcome::Failed, error};
}

Removal removeChecked(const std::string& path, DWORD access, DWORD flags, bool clearReadOnly) {
    const win32::Handle item(CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                         flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!item) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? Removal{Removal::Outcome::Missing, error}
                                             : failed(error);
    }
    if (!resolvesToPath(item.get(), path))
        return {Removal::Outcome::Redirected, ERROR_SUCCESS};
    if (markForDeletion(item.get()))
        return {Removal::Outcome::Removed, ERROR_SUCCESS};
    DWORD error = GetLastError();
    if (clearReadOnly && error == ERROR_ACCESS_DENIED && clearReadOnlyAttribute(item.get()) &&
        markForDeletion(item.get()))
        return {Removal::Outcome::Removed, ERROR_SUCCESS};
    if (error == ERROR_ACCESS_DENIED && !isReadOnly(item.get()))
        error = ERROR_USER_MAPPED_FILE;
    return failed(error);
}

} // namespace

Removal removeFileChecked(const std::string& path, bool clearReadOnly) {
    const DWORD access =
        DELETE | FILE_READ_ATTRIBUTES | (clearReadOnly ? FILE_WRITE_ATTRIBUTES : 0);
    return removeChecked(path, access, FILE_ATTRIBUTE_NORMAL, clearReadOnly);
}

Removal removeFolderChecked(const std::string& path) {
    return removeChecked(path, DELETE | FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS, false);
}

namespace {

Removal checkInPlace(const std::string& path, bool folder) {
    const win32::Handle item(
        CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!item) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? Removal{Removal::Outcome::Missing, error}
                   : failed(error);
    }
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!GetFileInformationByHandleEx(item.get(), FileAttributeTagInfo, &tag, sizeof tag))
        return failed(GetLastError());
    if (((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder)
        return failed(ERROR_ACCESS_DENIED); // a folder is no file, and a file no folder
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        !resolvesToPath(item.get(), path))
        return {Removal::Outcome::Redirected, ERROR_SUCCESS};
    return {Removal::Outcome::Removed, ERROR_SUCCESS};
}

} // namespace

Removal checkFileInPlace(const std::string& path) {
    return checkInPlace(path, false);
}

Removal checkFolderInPlace(const std::string& path) {
    return checkInPlace(path, true);
}
