#pragma once

#include "Handles.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

namespace win32 {

// Whether the label list `label` (a system access list) keeps out every program below high
// integrity: its first mandatory label that applies to the object itself (inherit-only entries
// only pass on to new objects) is high or system and forbids writing up. An entry too short for
// its account, or a label cut short, is no label.
inline bool labelsHighNoWriteUp(PACL label) {
    if (label == nullptr)
        return false;
    for (DWORD i = 0; i < label->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(label, i, reinterpret_cast<void**>(&header)))
            return false;
        if (header->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE ||
            (header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue;
        // A SID is at least 8 bytes: revision, count, authority; its length is read only then.
        constexpr DWORD kSidAt = offsetof(SYSTEM_MANDATORY_LABEL_ACE, SidStart);
        if (header->AceSize < kSidAt + 8)
            return false;
        const auto* ace = reinterpret_cast<const SYSTEM_MANDATORY_LABEL_ACE*>(header);
        const auto sid = reinterpret_cast<PSID>(const_cast<DWORD*>(&ace->SidStart));
        if (!IsValidSid(sid) || header->AceSize < kSidAt + GetLengthSid(sid))
            return false;
        const SID_IDENTIFIER_AUTHORITY mandatory = SECURITY_MANDATORY_LABEL_AUTHORITY;
        const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
        return (ace->Mask & SYSTEM_MANDATORY_LABEL_NO_WRITE_UP) != 0 &&
               memcmp(authority, &mandatory, sizeof mandatory) == 0 &&
               *GetSidSubAuthorityCount(sid) == 1 &&
               *GetSidSubAuthority(sid, 0) >= SECURITY_MANDATORY_HIGH_RID;
    }
    return false;
}

// The same for the object `descriptor` describes. An administrator's programs without
// elevation hold the administrator's own account at medium integrity, so on such an object,
// and only there, the account's entries and ownership are its elevated self's.
inline bool labelledHighNoWriteUp(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL label = nullptr;
    return descriptor != nullptr &&
           GetSecurityDescriptorSacl(descriptor, &present, &label, &defaulted) && present &&
           labelsHighNoWriteUp(label);
}

// Whether this system keeps integrity labels at all: before Vista no token has a level, and the
// label cannot even be asked for.
inline bool systemHasIntegrityLevels() {
    static const bool has = [] {
        Handle token;
        HANDLE opened = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
            return true; // unknown: the strict answer
        token.reset(opened);
        DWORD size = 0;
        GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
        return size != 0;
    }();
    return has;
}

// Whether this process runs elevated or as a service: above the medium integrity of a user's
// programs.
inline bool runsAboveMediumIntegrity() {
    Handle token;
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return true;
    token.reset(opened);
    BYTE buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenIntegrityLevel, buffer, sizeof buffer, &size))
        return true;
    const PSID level = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    return *GetSidSubAuthorityCount(level) == 0 ||
           *GetSidSubAuthority(level, *GetSidSubAuthorityCount(level) - 1) >
               SECURITY_MANDATORY_MEDIUM_RID;
}

} // namespace win32
