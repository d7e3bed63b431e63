#pragma once

#include <string>

// Folders that the system or the user owns: drive and share roots, the Windows, system and
// temporary directories, both Program Files and Common Files folders, the profiles root and
// the user's profile, and the well-known shell folders (desktop, Start menu, its programs and
// start-up folders, documents, application data) of the user and of all users. The setup log
// may name one of them, but none is ever removed, not even when it is empty.
bool isProtectedFolder(const std::string& path);
