#pragma once

#include <string>

// The variables of a program that the uninstaller starts, as a block of wide strings each
// ended by a zero, sorted by name as the system keeps a block: the running account's profile
// folders and names (from its token and its known folders), the system's own (those
// of the system's environment key, which only administrators change, its folders, PATH of
// the system folders only, the computer and processor) and `temp` as TEMP and TMP.
// Never those of whoever started the uninstaller. Without the account's, a script's
// "%LOCALAPPDATA%\\y" would become "\\y", at the drive's root, where anyone may write. A
// variable the system cannot name is left out, never given empty or as a folder without its
// drive. Empty when the Windows folder cannot be found.
std::wstring programEnvironment(const std::wstring& temp);
