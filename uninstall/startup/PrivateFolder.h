#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The access list of the folder that holds the temporary copy: protected, so nothing is
// inherited from the temporary directory, and granting full control, passed on to what the
// folder holds, to SYSTEM, the Administrators group and the current user only. No one else can
// swap the copy or put a library beside it. An elevated run (or one as SYSTEM) leaves the
// user out, whose programs without elevation run under the same account, and labels the
// folder high integrity with no write up, so that none of those programs writes into it.
class PrivateFolderSecurity {
public:
    explicit PrivateFolderSecurity(bool elevated);
    PrivateFolderSecurity(const PrivateFolderSecurity&) = delete;
    PrivateFolderSecurity& operator=(const PrivateFolderSecurity&) = delete;

    bool valid() const { return valid_; }
    SECURITY_ATTRIBUTES* attributes() { return valid_ ? &attributes_ : nullptr; }

private:
    std::vector<BYTE> system_, administrators_, user_, high_, acl_, label_;
    SECURITY_DESCRIPTOR descriptor_ = {};
    SECURITY_ATTRIBUTES attributes_ = {};
    bool valid_ = false;
};

// True when this process runs with an administrator's full rights or as SYSTEM.
bool runsElevated();

// Creates a new folder with an unpredictable name and that access list directly in
// `temporaryDirectory`; returns its path without a trailing backslash, or empty on failure.
std::string createPrivateFolder(const std::string& temporaryDirectory);
