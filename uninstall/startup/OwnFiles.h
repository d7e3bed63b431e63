#pragma once

#include <windows.h>

#include <string>

// The uninstaller's own files, which go at the next restart and count for nothing else.

// Schedules the temporary copy for deletion at the next restart, and on the NT family its
// private folder after it. Only a copy that the relay made (it lies in such a folder, on a way
// that no one but administrators may reroute before the boot): for any other file, such as
// the real program file of a main stage started by hand, false.
bool scheduleCopyRemoval(const std::string& copy);

// In an unattended run the program file that the user started still runs, because the relay
// waits for the copy; it cannot be deleted, but it can be renamed on the same volume. At the
// end of the run it is moved into the copy's folder and scheduled for deletion at the next
// restart there, under the same rule as the copy. False, with the system's error, when it
// cannot be moved (another volume): then it stays.
bool moveOriginalAside(const std::string& original, const std::string& copy, std::string& movedTo,
                       DWORD& error);
