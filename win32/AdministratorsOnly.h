#pragma once

#include "AccessRights.h"

#include <windows.h>

#include <vector>

namespace win32 {

// A security descriptor for a new kernel object: owned by the Administrators, `rights` for
// SYSTEM and the Administrators alone, nothing inherited.
class AdministratorsOnlySecurity : public AdministratorsOwnedSecurity {
public:
    explicit AdministratorsOnlySecurity(DWORD rights)
        : AdministratorsOwnedSecurity(
              {{WinLocalSystemSid, rights}, {WinBuiltinAdministratorsSid, rights}}, 0) {}
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
