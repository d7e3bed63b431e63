#include "TrustedCode.h"

#include "CheckedRemoval.h"
#include "PathRules.h"
#include "RestartRemoval.h"
#include "base/SystemErrorText.h"
#include "win32/AccessRights.h"

#include <aclapi.h>

namespace {

constexpr char kLeadsElsewhere[] = "not a plain file: it leads elsewhere through a link";
constexpr char kNotPlainFolder[] = "not a plain absolute path";

// Writing the file, or taking it away to put another in its place.
constexpr DWORD kFileRights = win32::kWriteRights | DELETE | win32::kPermissionRights;
// Creating a file beside it (a library it imports) is all that planting takes.
constexpr DWORD kFolderRights = win32::kChangeRights;

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return std::string();
    // A drive's root keeps its backslash: "C:" alone is the drive's current folder.
    return slash == 2 && path[1] == ':' ? path.substr(0, 3) : path.substr(0, slash);
}

std::vector<BYTE> securityOfHandle(HANDLE file) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                            (win32::systemHasIntegrityLevels() ? LABEL_SECURITY_INFORMATION : 0),
                        nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return {};
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    const DWORD size = GetSecurityDescriptorLength(descriptor);
    const auto* bytes = static_cast<const BYTE*>(descriptor);
    return std::vector<BYTE>(bytes, bytes + size);
}

PSECURITY_DESCRIPTOR described(std::vector<BYTE>& descriptor) {
    return descriptor.empty() ? nullptr : descriptor.data();
}

} // namespace

bool othersMayChangeCode(PSECURITY_DESCRIPTOR file, PSECURITY_DESCRIPTOR folder,
                         const win32::RunningAccount& trusted) {
    return static_cast<bool>(win32::nonAdministratorAccess(file, kFileRights, trusted)) ||
           othersMayPlantIn(folder, trusted);
}

bool othersMayPlantIn(PSECURITY_DESCRIPTOR folder, const win32::RunningAccount& trusted) {
    return static_cast<bool>(win32::nonAdministratorAccess(folder, kFolderRights, trusted));
}

HeldCode holdTrustedCode(const std::string& path, const win32::RunningAccount& trusted) {
    HeldCode held;
    win32::Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        held.error = GetLastError();
        held.why = systemErrorText(held.error);
        return held;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    const std::string folder = parentOf(path);
    if (!GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !resolvesToPath(file.get(), path) || folder.empty()) {
        held.why = kLeadsElsewhere;
        return held;
    }
    std::vector<BYTE> fileSecurity = securityOfHandle(file.get()),
                      folderSecurity = win32::securityOf(ansiToWide(folder));
    if (othersMayChangeCode(described(fileSecurity), described(folderSecurity), trusted) ||
        othersMayReroute(path, trusted)) {
        held.why = kOthersMayChangeIt;
        return held;
    }
    held.file = std::move(file);
    return held;
}

bool othersMayChangeFolder(const std::string& folder, const win32::RunningAccount& trusted) {
    const win32::Handle handle(
        CreateFileA(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    // One this run cannot even judge (its list keeps administrators out) is not theirs: kept.
    if (!handle) {
        const DWORD error = GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
    std::vector<BYTE> security = securityOfHandle(handle.get());
    return othersMayPlantIn(described(security), trusted);
}

std::string whyFolderIsExposed(const std::string& folder, const win32::RunningAccount& trusted) {
    std::string way = folder;
    while (way.size() > 3 && (way.back() == '\\' || way.back() == '/'))
        way.pop_back();
    // Relative to whatever folder this run is in: no folder that can be judged.
    if (!isPlainAbsolutePath(way))
        return kNotPlainFolder;
    std::vector<BYTE> security = win32::securityOf(ansiToWide(way));
    if (othersMayPlantIn(described(security), trusted) ||
        othersMayReroute(way + (way.back() == '\\' ? "" : "\\"), trusted))
        return kOthersMayChangeIt;
    return std::string();
}
