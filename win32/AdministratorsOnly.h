#pragma once

#include "AccessRights.h"

#include <windows.h>

#include <vector>

namespace win32 {

// A security descriptor for a new kernel object: owned by the Administrators, `rights` for
// SYSTEM and the Administrators alone, nothing inherited.
class AdministratorsOnlySecurity {
public:
    explicit AdministratorsOnlySecurity(DWORD rights) {
        const std::vector<BYTE> system = wellKnownSid(WinLocalSystemSid);
        owner_ = wellKnownSid(WinBuiltinAdministratorsSid);
        if (system.empty() || owner_.empty())
            return;
        const DWORD size = static_cast<DWORD>(sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) +
                                              system.size() + owner_.size());
        acl_.resize(size);
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        valid_ =
            InitializeAcl(acl, size, ACL_REVISION) &&
            AddAccessAllowedAceEx(acl, ACL_REVISION, 0, rights, const_cast<BYTE*>(system.data())) &&
            AddAccessAllowedAceEx(acl, ACL_REVISION, 0, rights, owner_.data()) &&
            InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE) &&
            SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
            SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    }
    AdministratorsOnlySecurity(const AdministratorsOnlySecurity&) = delete;
    AdministratorsOnlySecurity& operator=(const AdministratorsOnlySecurity&) = delete;

    SECURITY_ATTRIBUTES* attributes() { return valid_ ? &attributes_ : nullptr; }

private:
    std::vector<BYTE> owner_;
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_ = {};
    SECURITY_ATTRIBUTES attributes_ = {};
    bool valid_ = false;
};

// Whether this thread's token (its impersonation token, else the process's) holds the
// Administrators group enabled: elevated, or SYSTEM. A token where it is for deny only (a run
// without elevation) does not.
inline bool runsAsAdministrator() {
    std::vector<BYTE> administrators = wellKnownSid(WinBuiltinAdministratorsSid);
    BOOL member = FALSE;
    return !administrators.empty() &&
           CheckTokenMembership(nullptr, administrators.data(), &member) && member;
}

} // namespace win32
