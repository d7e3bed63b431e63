#include "UninstallReport.h"

#include "CheckedRemoval.h"
#include "PathRules.h"
#include "base/Options.h"
#include "base/SystemErrorText.h"
#include "win32/FileIdentity.h"

namespace {

// A plain file on a disk that the system names by `path` itself.
bool isOwnPlainFile(HANDLE file, const std::string& path) {
    if (GetFileType(file) != FILE_TYPE_DISK)
        return false;
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return false;
    return resolvesToPath(file, path);
}

const char* outcomeText(UninstallReport::Outcome outcome) {
    switch (outcome) {
    case UninstallReport::Outcome::Removed:
        return "removed";
    case UninstallReport::Outcome::NotFound:
        return "not found";
    case UninstallReport::Outcome::Kept:
        return "kept";
    case UninstallReport::Outcome::Scheduled:
        return "scheduled for restart";
    case UninstallReport::Outcome::Failed:
        break;
    }
    return "failed";
}

} // namespace

bool UninstallReport::open(const std::string& path, const std::vector<std::string>& untouchable) {
    const std::size_t slash = path.find_last_of("\\/");
    if (!isPlainAbsolutePath(path) || namesDevice(path) || slash == std::string::npos)
        return false;
    // The folder first, held against renaming while the file is made: nothing is ever created
    // through a link on the way.
    // "C:" alone would be the drive's current folder, not its root.
    const bool inDriveRoot = slash == 2 && path[1] == ':';
    const std::string folderPath = path.substr(0, inDriveRoot ? 3 : slash);
    const win32::Handle folder(CreateFileA(
        folderPath.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO folderTag = {};
    if (!folder ||
        !GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &folderTag,
                                      sizeof folderTag) ||
        (folderTag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (folderTag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        !resolvesToPath(folder.get(), folderPath))
        return false;
    // Opened, not created over: a link at the end is opened itself, and a pipe's server learns
    // nothing of whom it talks to.
    win32::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE,
                                   FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT |
                                       SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                   nullptr));
    if (!file)
        return false;
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    bool usable = isOwnPlainFile(file.get(), path);
    BY_HANDLE_FILE_INFORMATION identity = {};
    if (usable && existed) {
        // A second name may be anyone's file, linked here to be overwritten.
        usable = GetFileInformationByHandle(file.get(), &identity) != FALSE &&
                 identity.nNumberOfLinks == 1;
        for (const std::string& other : untouchable)
            usable = usable && !win32::sameFile(identity, other);
    }
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

void UninstallReport::item(const char* stage, const std::string& item, Outcome outcome,
                           const std::string& detail) {
    ++counts_[static_cast<int>(outcome)];
    std::string text = outcomeText(outcome);
    if (!detail.empty())
        text += ": " + detail;
    write(std::string(stage) + "\t" + controlsEscaped(item) + "\t" + controlsEscaped(text));
}

void UninstallReport::unfinished(const char* stage, const std::string& item,
                                 const std::string& why) {
    ++unfinished_;
    this->item(stage, item, Outcome::Kept, why);
}

void UninstallReport::note(const char* stage, const std::string& item, const std::string& text) {
    write(std::string(stage) + "\t" + controlsEscaped(item) + "\t" + controlsEscaped(text));
}

void UninstallReport::summary(int exitCode) {
    write("Summary\tremoved " + std::to_string(count(Outcome::Removed)) + ", not found " +
          std::to_string(count(Outcome::NotFound)) + ", kept " +
          std::to_string(count(Outcome::Kept)) + ", scheduled for restart " +
          std::to_string(count(Outcome::Scheduled)) + ", failed " +
          std::to_string(count(Outcome::Failed)) + "\texit code " +
          std::to_string(static_cast<DWORD>(exitCode)));
}

int UninstallReport::exitCode() const {
    if (count(Outcome::Failed) > 0 || unfinished_ > 0)
        return kExitSomeKept;
    return count(Outcome::Scheduled) > 0 ? kExitRestartNeeded : kExitRemoved;
}

void UninstallReport::write(const std::string& line) {
    if (!file_)
        return;
    // Straight to the system, line by line: nothing waits in a buffer of ours.
    const std::string bytes = ansiToUtf8(line) + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
