#pragma once

#include "win32/AccessRights.h"

#include <windows.h>

#include <string>
#include <vector>

class UninstallReport;

// With administrator rights the uninstaller deletes and runs what the setup log names: a log,
// or an application directory, that others may change would let them choose. Returns why the
// log at `directory` (ends with a backslash) is not to be trusted, naming the file or folder
// and who may change it (an account by its name, in any script); empty when only
// administrators may change both. `administrator` is the account running the uninstaller, which
// counts as one of them where it is trusted.
std::wstring whyLogIsUntrusted(const std::string& directory,
                               const win32::RunningAccount& administrator);

// True when this run has administrator rights and the application directory's log is not to
// be trusted (`administrator` counting as above): the reason is shown in a box, or noted in the
// report of an unattended run, and nothing is to be removed.
bool refuseUntrustedLog(UninstallReport& report, const win32::RunningAccount& administrator);

// Why this run, when it has administrator rights, may not act on the log at `directory`
// (ends with a backslash); empty when it may. For the unregistration mode, which loads what
// the log names and so judges it as the main stage does.
std::wstring whyThisRunDistrustsLog(const std::string& directory,
                                    const win32::RunningAccount& administrator);
