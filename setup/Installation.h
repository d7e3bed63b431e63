#pragma once

#include <windows.h>

#include "InstallError.h"
#include "win32/AccessRights.h"

class SetupReport;

#include <functional>
#include <string>

struct InstallRequest {
    std::wstring destination;
    bool invertLog = false;
    bool allowDowngrade = false;   // an older version may replace a newer one
    SetupReport* report = nullptr; // each item is told there as the run goes
    // The account running setup, as the destination's owner and writers are judged.
    win32::RunningAccount administrator;
};

// The product's name, as the system's list of programs and the Start menu show it.
extern const wchar_t kProductName[];
// The version this setup carries, as the registration's DisplayVersion shows it.
extern const wchar_t kProductVersion[];
// Its registration under HKLM.
extern const wchar_t kUninstallKey[];
// The registration's value (REG_MULTI_SZ) naming the folders setup made above the application
// folder, as the setup log does: a removal stopped after the log went leaves the registration,
// and the next setup names them again in its log, so that they go with the product.
extern const wchar_t kFoldersMadeAbove[];

// The default destination: the Program Files folder of the program's own bitness.
std::wstring defaultDestination();

// Installs the payload that `module` carries: files, shared files and their use counts, the
// Start-menu shortcuts, the registration in the list of installed programs and Setup.log.
// `progress` is told (done, total) after each step. Throws InstallError after undoing
// everything this run created or changed; a destination it refuses is left untouched. Returns
// why a restart is needed to complete it (a file in use, replaced as the system starts), empty
// when none is. COM must be initialised.
std::wstring install(HMODULE module, const InstallRequest& request,
                     const std::function<void(int, int)>& progress);
