#pragma once

#include "Handles.h"

#include <windows.h>

#include <string>

namespace win32 {

inline HANDLE createFileOf(const char* path, DWORD access, DWORD share, DWORD disposition,
                           DWORD flags) {
    return CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}

inline HANDLE createFileOf(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                           DWORD flags) {
    return CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
}

// Opens a report file of an elevated run, created or emptied, at an absolute `path` with a
// folder part: nothing is ever created or written through a link on the way or at the end.
// The folder is held against renaming while the file is made, and must be a plain folder;
// the file a plain file on a disk with one name (a second name may be anyone's file, linked
// there to be overwritten), not one that `refused` rejects by its identity. Both must be what
// `namedBy(handle, path)` says the system names by their paths. A file made here and then
// refused is deleted again. An invalid handle when refused.
template <class Char, class NamedBy, class Refused>
Handle openReportFile(const std::basic_string<Char>& path, NamedBy namedBy, Refused refused) {
    const Char separators[] = {Char('\\'), Char('/'), Char(0)};
    const std::size_t slash = path.find_last_of(separators);
    if (slash == std::basic_string<Char>::npos || slash == 0)
        return Handle();
    // "C:" alone would be the drive's current folder, not its root.
    const bool inDriveRoot = slash == 2 && path[1] == Char(':');
    const std::basic_string<Char> folderPath = path.substr(0, inDriveRoot ? 3 : slash);
    const Handle folder(createFileOf(folderPath.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!folder.valid() ||
        !GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        !namedBy(folder.get(), folderPath))
        return Handle();
    // Opened, not created over: a link at the end is opened itself, and a pipe's server learns
    // nothing of whom it talks to.
    Handle file(createFileOf(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE,
                             FILE_SHARE_READ, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT |
                                 SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION));
    if (!file.valid())
        return Handle();
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION identity = {};
    const bool usable =
        GetFileType(file.get()) == FILE_TYPE_DISK &&
        GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
        (tag.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
        namedBy(file.get(), path) && GetFileInformationByHandle(file.get(), &identity) &&
        identity.nNumberOfLinks == 1 && !refused(identity);
    if (!usable) {
        if (!existed) {
            FILE_DISPOSITION_INFO disposition = {TRUE};
            SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                       sizeof disposition);
        }
        return Handle();
    }
    if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(file.get()))
        return Handle();
    return file;
}

} // namespace win32
