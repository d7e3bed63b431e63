#pragma once

#include "CheckedRemoval.h"
#include "win32/AccessRights.h"

#include <windows.h>

#include <string>
#include <vector>

// Deletes the file now (through the checks of removeFileChecked, a read-only attribute cleared
// once), or, when it exists but is in use, schedules it for deletion at the next restart: a
// pending delete on the NT family, a [Rename] record of WinInit.Ini on the 95 family. Only a
// plain path that is no protected folder is scheduled, and only once the file, opened for its
// attributes while it is held, proved to be itself and no link, on a way that no one else may
// change until the boot. A missing file schedules
// nothing, since a file of that name installed later by someone else must not vanish at the
// next boot. Redirected when the file was kept because its path leads elsewhere than it says;
// Failed when it could not be deleted and is not in use (access denied above all: what may
// not be deleted now may not be deleted at the boot either), or the system refused to
// schedule it. Throws WinException("Couldn't check Windows version") when the family cannot
// be told. `trusted`: the running account, as the way to the file is judged.
Removal deleteNowOrAtRestart(const std::string& path, const win32::RunningAccount& trusted);

// Schedules a folder of the product for deletion at the next restart, where the system
// removes it if it is empty by then: for a folder that still holds files scheduled before it,
// or that a running program has as its current folder. Only plain paths of no protected
// folder, checked in place as no junction; never on the 95 family, whose boot removes no
// folders. True when it was scheduled.
bool scheduleFolderAtRestart(const std::string& path, const win32::RunningAccount& trusted);

// Whether someone other than an administrator (or `trusted`, where it is trusted; may be empty:
// no one) may swap a folder on the way to `path` for a junction before the next restart: rename
// or delete it, delete what its parent holds, or change the permissions of either. The boot
// deletes by name, so such a path is never scheduled. An access list that cannot be read counts
// as open.
bool othersMayReroute(const std::string& path, const win32::RunningAccount& trusted);

// Whether an immediate delete that failed with `error` may wait for the next restart: only a
// file in use (sharing or lock violation, or a running program's image) may.
bool waitsForRestart(DWORD error);

// Schedules a move (or, without a new path, a deletion) for the next restart; falls back to
// WinInit.Ini whenever the system refuses. True when something was scheduled.
bool moveAtRestart(const std::string& existing, const std::string* newPath = nullptr);

// Inserts "new=existing" (NUL for a deletion) right after the [Rename] header of WinInit.Ini
// in the Windows directory, creating file or header as needed. False, with the file unchanged,
// when it cannot be opened (someone holds it) or mapped, or the record would not fit 1,023
// characters.
bool addWinInitRename(const std::string& existing, const std::string* newPath = nullptr);
