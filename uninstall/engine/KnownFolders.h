#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Every file-system folder that the system's known-folder manager lists, for the running
// account, the public profile and all users, as the running account sees them (ANSI). Empty
// where the system has no such manager.
std::vector<std::string> knownFolderPaths();

// `text` with %SystemDrive% and %SystemRoot% (in any capitals) put in from the system's own
// Windows folder, never from the environment, which the account sets for itself unelevated;
// other references stay as written.
std::wstring withSystemFolders(const std::wstring& text);

// The profiles the system keeps: its profiles root, the default and public profiles and every
// user's profile folder, from its profile list.
std::vector<std::string> profileFolders();

// The path of the running account's known folder `id` (its profile, its application data, the
// public profile), whether or not the folder exists yet; empty when the system cannot name it.
std::wstring knownFolderPath(const GUID& id);
