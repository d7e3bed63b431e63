#pragma once

#include <string>

// The variables of a program that the uninstaller starts, as a block of wide strings each
// ended by a zero, sorted by name as the system keeps a block: the running account's profile
// folders and names (from its token and its known folders), the system's own (its folders,
// PATH of the system folders only, the computer and processor) and `temp` as TEMP and TMP.
// Never those of whoever started the uninstaller. A variable that cannot be given is left
// out: none is empty, and none names a folder without its drive, where "%X%\\y" would become
// "\\y" at the root of the drive that anyone may write. Empty when the Windows folder cannot
// be found.
std::wstring programEnvironment(const std::wstring& temp);
