#include "SetupReport.h"

#include "Destination.h"
#include "engine/PathRules.h"

#include <windows.h>

std::string utf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            length, nullptr, nullptr);
    return bytes;
}

bool SetupReport::open(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (path.size() < 4 || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/') ||
        slash == std::wstring::npos || slash + 1 == path.size() ||
        namesDevice(utf8(path.substr(slash + 1))) || path.find(L"\\..") != std::wstring::npos)
        return false;
    // The folder first, held against renaming while the file is made: nothing is ever created
    // through a link on the way. A report at a drive's root is in its root, not its current
    // folder.
    const std::wstring folderPath = path.substr(0, slash == 2 ? 3 : slash);
    const win32::Handle folder(CreateFileW(
        folderPath.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!folder.valid() ||
        !GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        !namedByItsPath(folder.get(), folderPath))
        return false;
    // Opened, not created over: a link at the end is opened itself, and a pipe's server learns
    // nothing of whom it talks to.
    win32::Handle file(CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE,
                                   FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT |
                                       SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                   nullptr));
    if (!file.valid())
        return false;
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION identity = {};
    const bool usable =
        GetFileType(file.get()) == FILE_TYPE_DISK &&
        GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
        (tag.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
        namedByItsPath(file.get(), path) && GetFileInformationByHandle(file.get(), &identity) &&
        identity.nNumberOfLinks == 1;
    if (!usable) {
        if (!existed) {
            FILE_DISPOSITION_INFO disposition = {TRUE};
            SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                       sizeof disposition);
        }
        return false;
    }
    if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(file.get()))
        return false;
    file_ = std::move(file);
    return true;
}

void SetupReport::scheduled(const char* stage, const std::wstring& item, const std::wstring& why) {
    ++scheduled_;
    line(stage, item, "scheduled for restart: " + utf8(why));
}

void SetupReport::kept(const char* stage, const std::wstring& item, const std::wstring& why) {
    ++kept_;
    line(stage, item, "kept: " + utf8(why));
}

void SetupReport::failed(const char* stage, const std::wstring& item, const std::wstring& why) {
    ++failed_;
    line(stage, item, "failed: " + utf8(why));
}

void SetupReport::summary(int exitCode) {
    if (!file_)
        return;
    const std::string text = "Summary\tinstalled " + std::to_string(installed_) + ", replaced " +
                             std::to_string(replaced_) + ", kept " + std::to_string(kept_) +
                             ", scheduled for restart " + std::to_string(scheduled_) + ", failed " +
                             std::to_string(failed_) + "\texit code " +
                             std::to_string(static_cast<DWORD>(exitCode)) + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void SetupReport::line(const char* stage, const std::wstring& item, const std::string& outcome) {
    if (outcome == "installed")
        ++installed_;
    else if (outcome == "replaced")
        ++replaced_;
    if (!file_)
        return;
    // Straight to the system, line by line: nothing waits in a buffer of ours.
    const std::string text = std::string(stage) + "\t" + controlsEscaped(utf8(item)) + "\t" +
                             controlsEscaped(outcome) + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
