#include "PrivateFolder.h"

#include "PrivateFolderName.h"
#include "win32/AccessRights.h"

#include <ntsecapi.h>

#include <cstdint>
#include <initializer_list>

PrivateFolderSecurity::PrivateFolderSecurity()
    : system_(win32::wellKnownSid(WinLocalSystemSid)),
      administrators_(win32::wellKnownSid(WinBuiltinAdministratorsSid)),
      user_(win32::processUserSid()) {
    if (system_.empty() || administrators_.empty() || user_.empty())
        return;
    DWORD size = sizeof(ACL);
    for (const std::vector<BYTE>* sid : {&system_, &administrators_, &user_})
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(sid->size());
    acl_.resize(size);
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    if (!InitializeAcl(acl, size, ACL_REVISION))
        return;
    for (std::vector<BYTE>* sid : {&system_, &administrators_, &user_}) {
        if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   FILE_ALL_ACCESS, sid->data()))
            return;
    }
    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return;
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    valid_ = true;
}

std::string createPrivateFolder(const std::string& temporaryDirectory) {
    PrivateFolderSecurity security;
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
