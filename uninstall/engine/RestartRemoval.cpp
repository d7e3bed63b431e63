#include "RestartRemoval.h"

#include "CheckedRemoval.h"
#include "PathRules.h"
#include "ProtectedFolders.h"
#include "base/AppException.h"
#include "base/SystemErrorText.h"
#include "win32/AccessRights.h"
#include "win32/Handles.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr char kRenameHeader[] = "[Rename]\r\n";
constexpr DWORD kHeaderLength = sizeof kRenameHeader - 1;
constexpr std::size_t kRecordBuffer = 1024;
constexpr DWORD kExtendedVersionSize = sizeof(OSVERSIONINFOEXA); // 156
constexpr DWORD kPlainVersionSize = sizeof(OSVERSIONINFOA);      // 148

DWORD windowsPlatform() {
    OSVERSIONINFOEXA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = kExtendedVersionSize;
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) {
        version.dwOSVersionInfoSize = kPlainVersionSize;
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)))
            throw WinException(GetLastError(), "Couldn't check Windows version");
    }
    return version.dwPlatformId;
}

std::string winInitPath() {
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\WinInit.Ini";
}

// Where the new record goes, and how long the file becomes; writes a header when needed.
// The contents are searched as text, so a zero byte ends the search.
DWORD placeRecord(char* contents, DWORD size, DWORD recordLength, DWORD& insertAt) {
    const char* header = std::strstr(contents, kRenameHeader);
    if (header != nullptr) {
        insertAt = static_cast<DWORD>(std::strchr(header, '\n') - contents) + 1;
        std::memmove(contents + insertAt + recordLength, contents + insertAt, size - insertAt);
        return size + recordLength;
    }
    // A header appended to a last line without a line break would join that line.
    DWORD at = size;
    if (size > 0 && contents[size - 1] != '\n') {
        std::memcpy(contents + at, "\r\n", 2);
        at += 2;
    }
    std::memcpy(contents + at, kRenameHeader, kHeaderLength);
    insertAt = at + kHeaderLength;
    return insertAt + recordLength;
}

} // namespace

bool othersMayReroute(const std::string& path, const win32::RunningAccount& trusted) {
    const auto exposed = [&trusted](const std::string& folder, DWORD rights) {
        const std::vector<BYTE> descriptor = win32::securityOf(ansiToWide(folder));
        return static_cast<bool>(win32::nonAdministratorAccess(
            descriptor.empty() ? nullptr : const_cast<BYTE*>(descriptor.data()), rights, trusted));
    };
    // Each folder on the way, up to the root: nobody else may take it away (rename or delete
    // it, or what its parent holds) or give himself the right to.
    constexpr DWORD kTakeAway = DELETE | WRITE_DAC | WRITE_OWNER;
    constexpr DWORD kTakeFromIt = FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;
    std::string folder = path;
    for (std::size_t slash; (slash = folder.find_last_of("\\/")) != std::string::npos;) {
        folder.resize(slash);
        const bool driveRoot = folder.size() == 2 && folder[1] == ':';
        if (driveRoot)
            return exposed(folder + "\\", kTakeFromIt);
        const bool shareRoot = folder.compare(0, 2, "\\\\") == 0 &&
                               std::count(folder.begin(), folder.end(), '\\') == 3;
        if (shareRoot)
            return exposed(folder, kTakeFromIt);
        if (exposed(folder, kTakeAway | kTakeFromIt))
            return true;
    }
    return false;
}

bool addWinInitRename(const std::string& existing, const std::string* newPath) {
    const std::string record =
        (newPath != nullptr ? *newPath : std::string("NUL")) + "=" + existing + "\r\n";
    // A record that does not fit its buffer is refused whole: a cut one would corrupt the file.
    if (record.size() >= kRecordBuffer)
        return false;
    const auto recordLength = static_cast<DWORD>(record.size());

    const win32::Handle file(
        CreateFileA(winInitPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    const DWORD size = GetFileSize(file.get(), nullptr);
    DWORD length = size;
    bool written = false;
    {
        // Room for the record, a header and a line break; the zeros past the old end also
        // terminate the text for the search.
        const DWORD mappedSize = size + recordLength + kHeaderLength + 2;
        const win32::Handle mapping(
            CreateFileMappingA(file.get(), nullptr, PAGE_READWRITE, 0, mappedSize, nullptr));
        const win32::View view(mapping ? MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0)
                                       : nullptr);
        if (view) {
            char* const bytes = static_cast<char*>(view.get());
            DWORD insertAt = 0;
            length = placeRecord(bytes, size, recordLength, insertAt);
            std::memcpy(bytes + insertAt, record.data(), recordLength);
            written = true;
        }
    }
    // Cut the file back to what it holds: all of the lengthening when nothing was written.
    SetFilePointer(file.get(), static_cast<LONG>(length), nullptr, FILE_BEGIN);
    SetEndOfFile(file.get());
    return written;
}

bool moveAtRestart(const std::string& existing, const std::string* newPath) {
    if (MoveFileExA(existing.c_str(), newPath != nullptr ? newPath->c_str() : nullptr,
                    MOVEFILE_DELAY_UNTIL_REBOOT))
        return true;
    return addWinInitRename(existing, newPath);
}

bool scheduleFolderAtRestart(const std::string& path, const win32::RunningAccount& trusted) {
    if (!isPlainAbsolutePath(path) || isProtectedFolder(path) ||
        windowsPlatform() != VER_PLATFORM_WIN32_NT ||
        checkFolderInPlace(path).outcome != Removal::Outcome::Removed ||
        othersMayReroute(path, trusted))
        return false;
    return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool waitsForRestart(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_USER_MAPPED_FILE;
}

Removal deleteNowOrAtRestart(const std::string& path, const win32::RunningAccount& trusted) {
    if (!isPlainAbsolutePath(path) || isProtectedFolder(path))
        return {Removal::Outcome::Failed, ERROR_ACCESS_DENIED};
    const Removal removal = removeFileChecked(path, true);
    if (removal.outcome != Removal::Outcome::Failed)
        return removal;
    // A file whose folder is gone is gone as well.
    if (removal.error == ERROR_PATH_NOT_FOUND)
        return {Removal::Outcome::Missing, removal.error};
    if (!waitsForRestart(removal.error))
        return removal;
    // The holder shares the file for reading its attributes: enough to see what it really is.
    const Removal check = checkFileInPlace(path);
    if (check.outcome != Removal::Outcome::Removed)
        return check;
    // The boot deletes by name: a folder on the way that others may swap for a junction until
    // then would lead it elsewhere.
    if (othersMayReroute(path, trusted))
        return {Removal::Outcome::Redirected, ERROR_SUCCESS};
    bool scheduled = false;
    switch (windowsPlatform()) {
    case VER_PLATFORM_WIN32_NT:
        scheduled = MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        scheduled = addWinInitRename(path);
        break;
    default:
        break;
    }
    if (!scheduled)
        return {Removal::Outcome::Failed, GetLastError()};
    return {Removal::Outcome::Scheduled, removal.error};
}
