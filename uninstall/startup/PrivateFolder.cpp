#include "PrivateFolder.h"

#include "PrivateFolderName.h"
#include "win32/AccessRights.h"

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
      user_(elevated ? std::vector<BYTE>{} : win32::processUserSid()),
      high_(elevated ? win32::wellKnownSid(WinHighLabelSid) : std::vector<BYTE>{}) {
    if (system_.empty() || administrators_.empty() || (user_.empty() == high_.empty()))
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
    if (elevated) {
        const DWORD labelSize = sizeof(ACL) + sizeof(SYSTEM_MANDATORY_LABEL_ACE) - sizeof(DWORD) +
                                static_cast<DWORD>(high_.size());
        label_.resize(labelSize);
        auto* label = reinterpret_cast<ACL*>(label_.data());
        if (!InitializeAcl(label, labelSize, ACL_REVISION) ||
            !AddMandatoryAce(label, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                             SYSTEM_MANDATORY_LABEL_NO_WRITE_UP, high_.data()) ||
            !SetSecurityDescriptorSacl(&descriptor_, TRUE, label, FALSE))
            return;
    }
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    valid_ = true;
}

std::string createPrivateFolder(const std::string& temporaryDirectory) {
    PrivateFolderSecurity security(runsElevated());
    if (!security.valid() || temporaryDirectory.empty())
        return std::string();
    std::string base = temporaryDirectory;
    if (base.back() != '\\')
        base += '\\';
    // A name already taken is not ours: try another rather than use it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::uint8_t random[16] = {};
        if (!RtlGenRandom(random, sizeof random))
            return std::string();
        const std::string folder = base + privateFolderName(random);
        if (CreateDirectoryA(folder.c_str(), security.attributes()))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
    return std::string();
}
