#pragma once

#include "Handles.h"
#include "IntegrityLabel.h"

#include <aclapi.h>
#include <windows.h>

#include <string>
#include <vector>

namespace win32 {

// A system access list holding one label: high integrity, no write up, passed on to what a
// folder holds when `inherited`. What an elevated program gives a folder of its own, so that
// none of its account's programs without elevation writes there.
class HighNoWriteUpLabel {
public:
    explicit HighNoWriteUpLabel(bool inherited) {
        std::vector<BYTE> high(SECURITY_MAX_SID_SIZE);
        DWORD size = static_cast<DWORD>(high.size());
        if (!CreateWellKnownSid(WinHighLabelSid, nullptr, high.data(), &size))
            return;
        const DWORD aclSize =
            sizeof(ACL) + sizeof(SYSTEM_MANDATORY_LABEL_ACE) - sizeof(DWORD) + size;
        acl_.resize(aclSize);
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
            !AddMandatoryAce(acl, ACL_REVISION,
                             inherited ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0,
                             SYSTEM_MANDATORY_LABEL_NO_WRITE_UP, high.data()))
            acl_.clear();
    }
    PACL get() { return acl_.empty() ? nullptr : reinterpret_cast<ACL*>(acl_.data()); }

private:
    std::vector<BYTE> acl_;
};

// Whether the object open as `object` (with READ_CONTROL) reads back as labelled high with no
// write up; `unreadable` when its label cannot be read at all: the strict answer differs for a
// probe of what the system keeps (kept) and for an object judged as ours (not labelled).
inline bool readsBackHighNoWriteUp(HANDLE object, bool unreadable) {
    PACL label = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr,
                        nullptr, &label, &descriptor) != ERROR_SUCCESS)
        return unreadable;
    const LocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    return labelsHighNoWriteUp(label);
}

// Whether files keep the label this program writes: a new file in `root` (ends with a
// backslash) is labelled high with no write up, read back through its handle, and goes when
// that closes. Where the label does not come back (a system before Vista, or one like Wine that
// takes a file's security from elsewhere), every program of the account acts with its rights.
// Below high integrity no such label can be written and there is nothing to tell apart: false.
// A file that cannot be made leaves it unknown, and so does a volume that keeps no security
// (FAT, a disc, some network shares), where no label could come back: true, the strict answer.
inline bool filesKeepLabels(const std::wstring& root) {
    if (!systemHasIntegrityLevels() || !runsAboveMediumIntegrity())
        return false;
    HighNoWriteUpLabel label(false);
    SECURITY_DESCRIPTOR descriptor = {};
    if (label.get() == nullptr ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorSacl(&descriptor, TRUE, label.get(), FALSE))
        return true;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    // A name taken already is someone else's: another is tried, and none is opened by it.
    for (unsigned attempt = 0; attempt < 4; ++attempt) {
        const std::wstring path = root + L"LabelProbe-" + std::to_wstring(GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(GetTickCount64() + attempt) + L".tmp";
        const Handle probe(CreateFileW(path.c_str(), READ_CONTROL | DELETE, 0, &attributes,
                                       CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE |
                                           SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS,
                                       nullptr));
        if (probe.valid()) {
            // Asked of the file made, not of the path: whatever `root` leads to is where it is.
            DWORD volume = 0;
            if (!GetVolumeInformationByHandleW(probe.get(), nullptr, 0, nullptr, nullptr, &volume,
                                               nullptr, 0) ||
                (volume & FILE_PERSISTENT_ACLS) == 0)
                return true;
            return readsBackHighNoWriteUp(probe.get(), true);
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return true;
    }
    return true;
}

// The Windows folder's Temp, with a trailing backslash: on the system volume, which keeps
// security, and a place no program of the account chooses (unlike its %TEMP%, which the
// account's programs without elevation may point at a stick or a share). The system's own one:
// on a terminal server each user has a Windows folder of his own. Empty when unknown.
inline std::wstring systemTemporaryFolder() {
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    std::wstring folder = windows;
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder + L"Temp\\";
}

// Whether this system's files keep labels, as each program decides it where it starts: tried
// on the system volume, so that nothing the account chooses can make the answer lax. Where no
// label comes back there, the account's temporary folder is tried too, and only ever makes it
// stricter (a folder that is missing or on a volume without security leaves it unknown): a
// run can be made strict from outside, never lax. The account picks that folder: only a
// folder named by its drive ("X:\...") is tried, and the probe is opened anonymously, so a
// share or a pipe it names learns nothing of our rights and lends its server none.
inline bool systemKeepsLabels() {
    const std::wstring system = systemTemporaryFolder();
    if (system.empty() || filesKeepLabels(system))
        return true;
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return true;
    const bool onADrive =
        length >= 3 && temp[1] == L':' && temp[2] == L'\\' &&
        ((temp[0] >= L'A' && temp[0] <= L'Z') || (temp[0] >= L'a' && temp[0] <= L'z'));
    return onADrive && filesKeepLabels(temp);
}

} // namespace win32
