#pragma once

#include "CheckedRemoval.h"

#include <string>

// Deletes the file now (through the checks of removeFileChecked), or, when it exists but is in
// use or access is denied, schedules it for deletion at the next restart: a pending delete on
// the NT family, a [Rename] record of WinInit.Ini on the 95 family. A missing file schedules
// nothing, since a file of that name installed later by someone else must not vanish at the
// next boot. Redirected when the file was kept because its path leads elsewhere than it says;
// Failed when it could not be deleted and is not in use, or the system refused to schedule it.
// Throws WinException("Couldn't check Windows version") when the family cannot be told.
Removal deleteNowOrAtRestart(const std::string& path);

// Schedules a move (or, without a new path, a deletion) for the next restart; falls back to
// WinInit.Ini whenever the system refuses. True when something was scheduled.
bool moveAtRestart(const std::string& existing, const std::string* newPath = nullptr);

// Inserts "new=existing" (NUL for a deletion) right after the [Rename] header of WinInit.Ini
// in the Windows directory, creating file or header as needed. False, with the file unchanged,
// when it cannot be opened (someone holds it) or mapped, or the record would not fit 1,023
// characters.
bool addWinInitRename(const std::string& existing, const std::string* newPath = nullptr);
