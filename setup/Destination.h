#pragma once

#include "win32/AccessRights.h"

#include <windows.h>

#include <string>
#include <vector>

// The checks a destination passes before anything is created, and the text the log gets.

// `text` in the system's ANSI code page, exactly as the uninstaller will read it back; throws
// InstallError naming the first character that the code page cannot hold. No character ever
// turns into a look-alike (a best fit), which would name another folder.
std::string exactAnsi(const std::wstring& text);

// Refuses a drive root, a folder whose name holds `[` or `]` (the log reader takes a section
// header anywhere in the file), and a path the log cannot hold exactly.
void checkDestinationText(const std::wstring& directory);

// Refuses a destination that anyone but the administrators may change, or below an existing
// folder that they may (inherited entries count): the elevated uninstaller later runs and
// deletes what the log in it names. Refuses one that is, or is reached through, a link or
// junction. Returns the length of the first folder on the way that does not exist (npos when
// the destination exists): that folder and those below it are the run's to create.
// `administrator` is the account running setup, which counts as one where it is trusted.
std::size_t checkDestinationRights(const std::wstring& directory,
                                   const win32::RunningAccount& administrator);

// A text value of the product's registration; empty when there is none.
std::wstring registeredValue(const wchar_t* name);
// The folder where the product is registered; empty when it is not.
std::wstring registeredFolder();

// What an earlier installation in the destination left that the run goes on.
struct EarlierInstallation {
    // The shared files that this product's own installation there counted already (none for
    // a log that is not known to be its own).
    std::vector<std::string> countedShared;
    // Why the registered product's own setup log there is damaged (empty, saved again with a
    // byte order mark, any other bytes); empty when it is whole or there is none. The run
    // writes it anew.
    std::wstring damagedLog;
};

// Refuses a destination other than the folder the product is registered in, one that holds
// the setup log of another product or one that is no setup log where the product is not
// registered, one whose setup log another program holds open (named where the system can
// tell), and, unless `allowDowngrade`, one where a newer version is registered.
EarlierInstallation checkEarlierInstallation(const std::wstring& directory, bool allowDowngrade);

// Whether the system names the file or folder open as `handle` by `path` itself (no link or
// junction on the way or at its end); `reached`, when given, gets the path it names it by.
bool namedByItsPath(HANDLE handle, const std::wstring& path, std::wstring* reached = nullptr);

// Whole file, at most 16 MB; `found` says whether there is one (an unreadable one counts).
// `openError`, when given, gets the system's error when it cannot be opened.
std::string readWholeFile(const std::wstring& path, bool& found, DWORD* openError = nullptr);

// The folders above `directory` that do not exist yet, deepest first, and those an earlier
// installation of this product there made (named after the directory in its log's [APPDIR]):
// the uninstaller removes them after the directory, so that no empty parent stays behind.
std::vector<std::wstring> parentsToRemove(const std::wstring& directory);
