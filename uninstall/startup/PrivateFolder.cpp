#include "PrivateFolder.h"

#include "PrivateFolderName.h"
#include "base/SystemLibrary.h"
#include "engine/CheckedRemoval.h"
#include "engine/RestartRemoval.h"
#include "win32/AccessRights.h"

#include <aclapi.h>
#include <ntsecapi.h>

#include <cstdint>
#include <initializer_list>

bool runsElevated() {
    win32::Handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
        return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated)
        return true;
    std::vector<BYTE> user = win32::processUserSid();
    return !user.empty() && win32::sameSid(win32::wellKnownSid(WinLocalSystemSid), user.data());
}

PrivateFolderSecurity::PrivateFolderSecurity(bool elevated)
    : system_(win32::wellKnownSid(WinLocalSystemSid)),
      administrators_(win32::wellKnownSid(WinBuiltinAdministratorsSid)),
      user_(elevated ? std::vector<BYTE>{} : win32::processUserSid()), label_(true) {
    if (system_.empty() || administrators_.empty() || (!elevated && user_.empty()))
        return;
    std::vector<std::vector<BYTE>*> granted = {&system_, &administrators_};
    if (!elevated)
        granted.push_back(&user_);
    DWORD size = sizeof(ACL);
    for (const std::vector<BYTE>* sid : granted)
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(sid->size());
    acl_.resize(size);
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    if (!InitializeAcl(acl, size, ACL_REVISION))
        return;
    for (std::vector<BYTE>* sid : granted) {
        if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   FILE_ALL_ACCESS, sid->data()))
            return;
    }
    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return;
    if (elevated && (label_.get() == nullptr ||
                     !SetSecurityDescriptorSacl(&descriptor_, TRUE, label_.get(), FALSE)))
        return;
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    valid_ = true;
}

namespace {

std::string withBackslash(std::string path) {
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path;
}

bool runsAsSystem() {
    std::vector<BYTE> user = win32::processUserSid();
    return !user.empty() && win32::sameSid(win32::wellKnownSid(WinLocalSystemSid), user.data());
}

// What the new folder must be, seen through its own handle.
bool isOurFolder(HANDLE folder, bool elevated, bool labelsKept) {
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!GetFileInformationByHandleEx(folder, FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const SECURITY_INFORMATION asked =
        OWNER_SECURITY_INFORMATION | (elevated ? LABEL_SECURITY_INFORMATION : 0);
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, asked, nullptr, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> held(descriptor);
    return describesOurFolder(descriptor, elevated, labelsKept);
}

} // namespace

bool describesOurFolder(PSECURITY_DESCRIPTOR descriptor, bool elevated, bool labelsKept) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    PACL label = nullptr;
    if (descriptor == nullptr || !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorSacl(descriptor, &present, &label, &defaulted))
        return false;
    if (!present)
        label = nullptr;
    const bool ownedByUs =
        owner != nullptr &&
        (win32::sameSid(win32::processUserSid(), owner) ||
         win32::sameSid(win32::wellKnownSid(WinLocalSystemSid), owner) ||
         win32::sameSid(win32::wellKnownSid(WinBuiltinAdministratorsSid), owner));
    return ownedByUs && (!elevated || win32::labelsHighNoWriteUp(label) ||
                         (!labelsKept && (label == nullptr || label->AceCount == 0)));
}

std::string privateFolderRoot() {
    char path[MAX_PATH] = {};
    if (!runsElevated()) {
        const DWORD length = GetTempPathA(MAX_PATH, path);
        return length > 0 && length < MAX_PATH ? withBackslash(path) : std::string();
    }
    // Only for SYSTEM does it differ from the account's own %TEMP%.
    using TempPath2 = DWORD(WINAPI*)(DWORD, LPSTR);
    if (const auto tempPath2 =
            runsAsSystem() ? systemFunction<TempPath2>("kernel32.dll", "GetTempPath2A") : nullptr) {
        const DWORD length = tempPath2(MAX_PATH, path);
        return length > 0 && length < MAX_PATH ? withBackslash(path) : std::string();
    }
    // The system's own: on a terminal server each user has a Windows folder of his own, which
    // he may change.
    const UINT length = GetSystemWindowsDirectoryA(path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? withBackslash(path) + "Temp\\" : std::string();
}

PrivateFolder createPrivateFolder(const std::string& root, const win32::RunningAccount& account) {
    PrivateFolder made;
    const bool elevated = runsElevated();
    PrivateFolderSecurity security(elevated);
    if (!security.valid() || root.empty())
        return made;
    const std::string base = withBackslash(root);
    // A name already taken is not ours: try another rather than use it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::uint8_t random[16] = {};
        if (!RtlGenRandom(random, sizeof random))
            return made;
        const std::string folder = base + privateFolderName(random);
        if (!CreateDirectoryA(folder.c_str(), security.attributes())) {
            if (GetLastError() != ERROR_ALREADY_EXISTS)
                return made;
            continue;
        }
        win32::Handle handle(CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
        if (!handle || !isOurFolder(handle.get(), elevated, account.onlyWhereLabelledHigh) ||
            (elevated && othersMayReroute(folder, account))) {
            handle.reset();
            RemoveDirectoryA(folder.c_str());
            return made;
        }
        made.path = folder;
        made.handle = std::move(handle);
        return made;
    }
    return made;
}

namespace {

// No one but the administrators (and this account, where it is trusted) may change it.
bool onlyAdministratorsMayChange(HANDLE folder, const win32::RunningAccount& account) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                            LABEL_SECURITY_INFORMATION,
                        nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> held(descriptor);
    return !win32::nonAdministratorAccess(descriptor, win32::kChangeRights | DELETE, account);
}

// What is in the folder goes, one plain item at a time; false when anything stays. An empty
// one stays too: it may be a new run's, made an instant before that run holds it.
bool emptyStaleFolder(const std::string& folder) {
    WIN32_FIND_DATAA found = {};
    const win32::FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    std::vector<std::string> items;
    for (bool more = search.valid(); more; more = FindNextFileA(search.get(), &found) != FALSE) {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            items.push_back(folder + "\\" + name);
    }
    bool empty = !items.empty();
    for (const std::string& item : items) {
        const DWORD attributes = GetFileAttributesA(item.c_str());
        const Removal removal =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                ? removeFolderChecked(item)
                : removeFileChecked(item, true);
        empty = empty && (removal.outcome == Removal::Outcome::Removed ||
                          removal.outcome == Removal::Outcome::Missing);
    }
    return empty;
}

// A run's copy holds its folder from the start to its end without delete sharing: a folder
// that cannot be opened for deletion for that reason (a sharing violation) is a running copy's.
// Any other failure is told by its error: nothing can be judged of a folder that cannot be opened.
DWORD openForDeletion(const std::string& folder) {
    const win32::Handle probe(
        CreateFileA(folder.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return probe ? ERROR_SUCCESS : GetLastError();
}

} // namespace

std::vector<KeptFolder> removeStaleFolders(const std::string& root,
                                           const win32::RunningAccount& account) {
    std::vector<KeptFolder> notOurs;
    if (root.empty())
        return notOurs;
    const std::string base = withBackslash(root);
    const bool elevated = runsElevated();
    WIN32_FIND_DATAA found = {};
    const win32::FindHandle search(
        FindFirstFileA((base + kPrivateFolderPrefix + "*").c_str(), &found));
    for (bool more = search.valid(); more; more = FindNextFileA(search.get(), &found) != FALSE) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            !isPrivateFolderName(found.cFileName))
            continue;
        const std::string folder = base + found.cFileName;
        const DWORD probed = openForDeletion(folder);
        if (probed == ERROR_SHARING_VIOLATION || probed == ERROR_FILE_NOT_FOUND)
            continue; // a running copy's, or gone meanwhile
        if (probed != ERROR_SUCCESS) {
            notOurs.push_back({folder, probed});
            continue;
        }
        {
            // Held against deleting and renaming while it is judged and emptied.
            const win32::Handle handle(
                CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!handle) {
                notOurs.push_back({folder, GetLastError()});
                continue;
            }
            if (!isOurFolder(handle.get(), elevated, account.onlyWhereLabelledHigh) ||
                !onlyAdministratorsMayChange(handle.get(), account) ||
                (elevated && othersMayReroute(folder, account))) {
                notOurs.push_back({folder});
                continue;
            }
            if (!emptyStaleFolder(folder))
                continue;
        }
        removeFolderChecked(folder);
    }
    return notOurs;
}
