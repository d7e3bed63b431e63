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
// write up; a label that cannot be read at all counts as kept, the strict answer.
inline bool readsBackHighNoWriteUp(HANDLE object) {
    PACL label = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr,
                        nullptr, &label, &descriptor) != ERROR_SUCCESS)
        return true;
    const LocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    return labelsHighNoWriteUp(label);
}

// Whether files keep the label this program writes: a new file in `root` (ends with a
// backslash) is labelled high with no write up, read back through its handle, and goes when
// that closes. Where the label does not come back (a system before Vista, or one like Wine that
// takes a file's security from elsewhere), every program of the account acts with its rights.
// Below high integrity no such label can be written and there is nothing to tell apart: false.
// A file that cannot be made leaves it unknown: true, the strict answer.
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
        const Handle probe(
            CreateFileW(path.c_str(), READ_CONTROL | DELETE, 0, &attributes, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (probe.valid())
            return readsBackHighNoWriteUp(probe.get());
        if (GetLastError() != ERROR_FILE_EXISTS)
            return true;
    }
    return true;
}

// The same tried in this account's temporary folder; unknown is the strict answer.
inline bool filesKeepLabelsInTemporaryFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    return length == 0 || length > MAX_PATH || filesKeepLabels(temp);
}

} // namespace win32
