#pragma once

#include "win32/AccessRights.h"
#include "win32/Handles.h"
#include "win32/LabelProbe.h"

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
    std::vector<BYTE> system_, administrators_, user_, acl_;
    win32::HighNoWriteUpLabel label_;
    SECURITY_DESCRIPTOR descriptor_ = {};
    SECURITY_ATTRIBUTES attributes_ = {};
    bool valid_ = false;
};

// True when this process runs with an administrator's full rights or as SYSTEM.
bool runsElevated();

// Whether the folder `descriptor` describes (its owner and label) may be a private folder of
// ours: owned by this account, SYSTEM or the Administrators and, elevated, labelled high with no
// write up. Elevated where files keep labels (`labelsKept`), a folder without that label is not
// the one given: another program's, or one whose label was taken away. Where files keep none
// (Wine), none comes back at all, which is not refused; any other label is not the one given.
bool describesOurFolder(PSECURITY_DESCRIPTOR descriptor, bool elevated, bool labelsKept);

// Where the private folders go: the temporary directory; elevated or as SYSTEM, a folder that
// only administrators can change (the system's own temporary folder where the system has one,
// else the Windows folder's Temp), since the administrator's own %TEMP% is open to the
// administrator's programs without elevation. With a trailing backslash; empty when unknown.
std::string privateFolderRoot();

// A private folder, held open without delete sharing for as long as `handle` lives, so that
// no one renames it or what leads to it away from what was checked.
struct PrivateFolder {
    std::string path; // without a trailing backslash; empty on failure
    win32::Handle handle;
};

// Creates a new folder with an unpredictable name and that access list directly in `root`,
// opens it at once and checks on that handle that it is a plain folder (no reparse point)
// owned by this account, SYSTEM or the Administrators, labelled as asked when elevated (with
// no label at all only where `account` says files keep none), on a way no one else may
// reroute, `account` counting as it was made where the program started. Empty path (and the
// folder removed again) on failure.
PrivateFolder createPrivateFolder(const std::string& root, const win32::RunningAccount& account);

// Removes what earlier runs left in `root` (a copy whose run was killed, and so never scheduled
// its folder for the restart; or one that waits for a restart that has not come): every
// folder of the private folders' name that no run holds any more (a running copy holds its
// folder without delete sharing), that passes the checks of a new one (a plain folder, owned
// by this account, SYSTEM or the Administrators, labelled as made, on a way no one else may
// reroute) and that no one but the administrators (and `account`, where trusted) may change. Only
// plain files and empty plain folders in it go, each through a handle that follows no link; a
// folder with anything else in it stays as it is. Returns the folders of that name kept
// because they failed those checks: not ours, whoever made them, and so never emptied; and those
// that could not even be opened to be judged (denied to us, a name too long), with the error.
struct KeptFolder {
    std::string path;
    DWORD openError = ERROR_SUCCESS; // set: it could not be opened, so nothing was judged
};
std::vector<KeptFolder> removeStaleFolders(const std::string& root,
                                           const win32::RunningAccount& account);
