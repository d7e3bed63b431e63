#pragma once

#include "Handles.h"
#include "IntegrityLabel.h"

#include <sddl.h>
#include <windows.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace win32 {

// Rights over a folder or file that let its holder change what an elevated program later
// runs, reads or deletes there: write or create files (FILE_ADD_FILE and FILE_ADD_SUBDIRECTORY
// are the same bits), delete what is in it, change its permissions or owner.
constexpr DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA;
constexpr DWORD kDeleteChildRight = FILE_DELETE_CHILD;
constexpr DWORD kPermissionRights = WRITE_DAC | WRITE_OWNER;
constexpr DWORD kChangeRights = kWriteRights | kDeleteChildRight | kPermissionRights;

inline std::vector<BYTE> wellKnownSid(WELL_KNOWN_SID_TYPE type) {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size))
        return {};
    sid.resize(size);
    return sid;
}

inline bool sameSid(const std::vector<BYTE>& sid, PSID other) {
    return !sid.empty() && other != nullptr && EqualSid(const_cast<BYTE*>(sid.data()), other);
}

inline std::vector<BYTE> copySid(PSID sid) {
    const auto* bytes = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

inline std::wstring sidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text))
        return L"an unknown account";
    const LocalMemory<LPWSTR> owned(text);
    return text;
}

// An account as a person finds it: its name where the system knows it, in whatever script it is
// written ("PC\\Γιώργος, S-1-5-21-..."), and always its SID.
inline std::wstring accountText(PSID sid) {
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use = SidTypeUnknown;
    if (!LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use) ||
        name[0] == L'\0')
        return sidText(sid);
    const std::wstring account = domain[0] == L'\0' ? name : std::wstring(domain) + L"\\" + name;
    return account + L", " + sidText(sid);
}

// Who may change a folder or file although no administrator, and what they may do.
struct Exposure {
    std::wstring who; // empty: only administrators
    DWORD rights = 0; // those of kChangeRights they hold
    explicit operator bool() const { return !who.empty(); }
    std::wstring text() const {
        std::wstring what;
        for (const auto& [bits, words] :
             {std::pair<DWORD, const wchar_t*>{kWriteRights, L"write or create files in it"},
              {kDeleteChildRight, L"delete what it holds"},
              {kPermissionRights, L"change its permissions"}}) {
            if ((rights & bits) != 0)
                what += (what.empty() ? L"" : L", ") + std::wstring(words);
        }
        return who + L" may " + what + L".";
    }
};

// The account or group an access entry names, or nullptr when the entry is of a kind whose
// layout is not read here or does not fit in it. Plain and callback entries share one layout;
// object entries put one or two GUIDs before the account.
inline PSID entrySid(const ACE_HEADER* header) {
    DWORD offset = 0;
    switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
        offset = offsetof(ACCESS_ALLOWED_ACE, SidStart);
        break;
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE: {
        if (header->AceSize < offsetof(ACCESS_ALLOWED_OBJECT_ACE, ObjectType))
            return nullptr;
        const DWORD flags = reinterpret_cast<const ACCESS_ALLOWED_OBJECT_ACE*>(header)->Flags;
        offset = offsetof(ACCESS_ALLOWED_OBJECT_ACE, ObjectType) +
                 ((flags & ACE_OBJECT_TYPE_PRESENT) != 0 ? sizeof(GUID) : 0) +
                 ((flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) != 0 ? sizeof(GUID) : 0);
        break;
    }
    default:
        return nullptr;
    }
    // A SID is at least 8 bytes: revision, count, authority.
    if (header->AceSize < offset + 8)
        return nullptr;
    const auto sid =
        reinterpret_cast<PSID>(reinterpret_cast<BYTE*>(const_cast<ACE_HEADER*>(header)) + offset);
    if (!IsValidSid(sid) || offset + GetLengthSid(sid) > header->AceSize)
        return nullptr;
    return sid;
}

// The account running us, which a judgement trusts besides the administrators. Elevated, only
// where its programs without elevation cannot act as it: on an object labelled high with no
// write up, or everywhere on a system whose files carry no labels. Empty: no account.
struct RunningAccount {
    std::vector<BYTE> sid;
    bool onlyWhereLabelledHigh = true;
    RunningAccount() = default;
    RunningAccount(std::vector<BYTE> account, bool onlyLabelledHigh = true)
        : sid(std::move(account)), onlyWhereLabelledHigh(onlyLabelledHigh) {}
    bool trustedOn(PSECURITY_DESCRIPTOR descriptor) const {
        return !sid.empty() && (!onlyWhereLabelledHigh || labelledHighNoWriteUp(descriptor));
    }
};

// Whether anyone but SYSTEM, the Administrators, TrustedInstaller and `running` (where it is
// trusted on this object) holds any of `rights` over the object that `descriptor` describes.
// Entries that apply to the object count, inherited or not, in their order: a deny entry takes away
// what was not yet granted. The owner may always read and change the permissions: an OWNER RIGHTS
// entry limits only handles opened later, and whoever made the object may keep the one it was
// made with, with every right it asked for. CREATOR OWNER entries only pass rights on to new
// objects; a user who may create those is exposed already. Every doubt counts as a grant: an allow
// entry with a condition or an object type grants as if it had none, and one that cannot be read
// grants to anyone; a deny entry takes away only from an account that surely holds what it names.
inline Exposure nonAdministratorAccess(PSECURITY_DESCRIPTOR descriptor, DWORD rights,
                                       const RunningAccount& running = {}) {
    // No write up keeps the account's other programs from the write rights only; deleting what a
    // folder holds is not one of them, so that right counts as if the account were not trusted.
    if (running.onlyWhereLabelledHigh && (rights & kDeleteChildRight) != 0 &&
        running.trustedOn(descriptor)) {
        if (Exposure other = nonAdministratorAccess(descriptor, rights, {running.sid, false}))
            return other;
        return nonAdministratorAccess(descriptor, kDeleteChildRight);
    }
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    if (descriptor == nullptr ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) ||
        !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted))
        return Exposure{L"Anyone", rights}; // unreadable: assume the worst
    if (!present || dacl == nullptr)
        return Exposure{L"Everyone", rights}; // no access list: everyone has every right

    struct Entry {
        bool allow;
        DWORD mask;
        PSID sid;
    };
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    const std::vector<BYTE> everyone = wellKnownSid(WinWorldSid),
                            authenticated = wellKnownSid(WinAuthenticatedUserSid),
                            users = wellKnownSid(WinBuiltinUsersSid),
                            interactive = wellKnownSid(WinInteractiveSid),
                            local = wellKnownSid(WinLocalSid),
                            creatorOwner = wellKnownSid(WinCreatorOwnerSid),
                            creatorGroup = wellKnownSid(WinCreatorGroupSid),
                            ownerRights = wellKnownSid(WinCreatorOwnerRightsSid);
    std::vector<std::vector<BYTE>> trustedSids = {wellKnownSid(WinLocalSystemSid),
                                                  wellKnownSid(WinBuiltinAdministratorsSid),
                                                  creatorOwner, creatorGroup, ownerRights};
    PSID installer = nullptr;
    if (ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                               &installer)) {
        const LocalMemory<PSID> owned(installer);
        trustedSids.push_back(copySid(installer));
    }
    if (running.trustedOn(descriptor))
        trustedSids.push_back(running.sid);
    const auto isTrusted = [&](PSID sid) {
        for (const std::vector<BYTE>& known : trustedSids) {
            if (sameSid(known, sid))
                return true;
        }
        return false;
    };

    std::vector<Entry> entries;
    std::vector<PSID> candidates;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header)))
            return Exposure{L"Anyone", rights};
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue;
        const BYTE type = header->AceType;
        const bool allow = type == ACCESS_ALLOWED_ACE_TYPE ||
                           type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
                           type == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                           type == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE ||
                           type == ACCESS_ALLOWED_COMPOUND_ACE_TYPE;
        // A deny entry of any other kind may not apply: leaving it out can only grant more.
        if ((!allow && type != ACCESS_DENIED_ACE_TYPE) ||
            header->AceSize < sizeof(ACE_HEADER) + sizeof(ACCESS_MASK))
            continue;
        // Every kind keeps its mask right after the header.
        DWORD mask = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header)->Mask;
        MapGenericMask(&mask, &mapping);
        const PSID sid = entrySid(header);
        if (sid == nullptr) {
            if (allow && (mask & rights) != 0)
                return Exposure{L"Anyone", mask & rights};
            continue;
        }
        entries.push_back(Entry{allow, mask, sid});
        if (allow && !isTrusted(sid))
            candidates.push_back(sid);
    }
    const bool ownerUntrusted = owner != nullptr && !isTrusted(owner);
    if (ownerUntrusted)
        candidates.push_back(owner);

    // Each untrusted account or group named, as one user who may also be in the groups most
    // users are in, and is surely only in itself; the owner also holds OWNER RIGHTS. Service,
    // network and batch logons are not INTERACTIVE, Guests are no Authenticated Users, and an
    // anonymous logon is not even Everyone; every Authenticated User is.
    for (const PSID candidate : candidates) {
        const bool isOwner = ownerUntrusted && EqualSid(candidate, owner);
        const auto surelyHolds = [&](PSID sid) {
            return EqualSid(sid, candidate) || (isOwner && sameSid(ownerRights, sid)) ||
                   (sameSid(authenticated, candidate) && sameSid(everyone, sid));
        };
        const auto mayHold = [&](PSID sid) {
            if (surelyHolds(sid))
                return true;
            for (const std::vector<BYTE>* group :
                 {&everyone, &authenticated, &users, &interactive, &local}) {
                if (sameSid(*group, sid))
                    return true;
            }
            return false;
        };
        DWORD granted = isOwner ? READ_CONTROL | WRITE_DAC : 0;
        DWORD denied = 0;
        for (const Entry& entry : entries) {
            if (entry.allow && mayHold(entry.sid))
                granted |= entry.mask & ~denied;
            else if (!entry.allow && surelyHolds(entry.sid))
                denied |= entry.mask & ~granted;
        }
        if ((granted & rights) != 0) {
            std::wstring who = sameSid(everyone, candidate)        ? L"Everyone"
                               : sameSid(authenticated, candidate) ? L"Authenticated Users"
                               : sameSid(users, candidate)         ? L"Users"
                                                                   : accountText(candidate);
            if (isOwner)
                who = L"Its owner (" + accountText(candidate) + L")";
            return Exposure{who, granted & rights};
        }
    }
    return Exposure{};
}

// The owner, access list and (where the system has them) integrity label of a file or folder,
// as a self-relative descriptor; empty when they cannot be read.
inline std::vector<BYTE> securityOf(const std::wstring& path) {
    const SECURITY_INFORMATION wanted =
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
        (systemHasIntegrityLevels() ? LABEL_SECURITY_INFORMATION : 0);
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), wanted, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    if (size == 0 || !GetFileSecurityW(path.c_str(), wanted, descriptor.data(), size, &size))
        return {};
    return descriptor;
}

// The user account of this process's token; empty when it cannot be read.
inline std::vector<BYTE> processUserSid() {
    Handle token;
    {
        HANDLE opened = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
            return {};
        token.reset(opened);
    }
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return {};
    return copySid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

// This process's account, as the judgements trust it; made once where a program starts, with
// `filesCarryLabels` read back from a label the program wrote. Elevated where files carry
// labels, the account counts only on objects labelled high with no write up. Below high
// integrity, or where files carry none, every program of the account may do what this one may:
// there is nothing to keep them from.
inline RunningAccount runningAccount(bool filesCarryLabels) {
    return RunningAccount(processUserSid(), filesCarryLabels && runsAboveMediumIntegrity());
}

// A security descriptor owned by the Administrators whose list grants each account its rights
// and nothing inherited from the parent; `aceFlags` passes the entries on to what lies inside.
// Not movable: the descriptor points into the owner and list it keeps.
class AdministratorsOwnedSecurity {
public:
    struct Entry {
        WELL_KNOWN_SID_TYPE account;
        DWORD rights;
    };

    AdministratorsOwnedSecurity(std::initializer_list<Entry> entries, BYTE aceFlags) {
        std::vector<std::pair<std::vector<BYTE>, DWORD>> sids;
        DWORD size = sizeof(ACL);
        for (const Entry& entry : entries) {
            sids.emplace_back(wellKnownSid(entry.account), entry.rights);
            if (sids.back().first.empty())
                return;
            size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) +
                    static_cast<DWORD>(sids.back().first.size());
        }
        owner_ = wellKnownSid(WinBuiltinAdministratorsSid);
        if (owner_.empty())
            return;
        acl_.resize(size);
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (!InitializeAcl(acl, size, ACL_REVISION))
            return;
        for (auto& [sid, rights] : sids) {
            if (!AddAccessAllowedAceEx(acl, ACL_REVISION, aceFlags, rights, sid.data()))
                return;
        }
        if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE) ||
            !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
            !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
            return;
        attributes_ = {sizeof attributes_, &descriptor_, FALSE};
        valid_ = true;
    }
    AdministratorsOwnedSecurity(const AdministratorsOwnedSecurity&) = delete;
    AdministratorsOwnedSecurity& operator=(const AdministratorsOwnedSecurity&) = delete;

    bool valid() const { return valid_; }
    SECURITY_DESCRIPTOR* descriptor() { return &descriptor_; }
    SECURITY_ATTRIBUTES* attributes() { return valid_ ? &attributes_ : nullptr; }

private:
    std::vector<BYTE> owner_;
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_ = {};
    SECURITY_ATTRIBUTES attributes_ = {};
    bool valid_ = false;
};

// Full control for SYSTEM and the Administrators, read and execute for Users, passed on to
// everything inside: what the setup program gives every folder it creates, so that only
// administrators can change what it installed. Owned by the account running setup, the folder
// would be open to that account's programs without elevation, which may change the permissions
// of what they own.
class ProtectedFolderSecurity : public AdministratorsOwnedSecurity {
public:
    ProtectedFolderSecurity()
        : AdministratorsOwnedSecurity(
              {{WinLocalSystemSid, FILE_ALL_ACCESS},
               {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
               {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}},
              OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) {}
};

} // namespace win32
