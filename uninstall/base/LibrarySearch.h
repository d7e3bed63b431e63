#pragma once

// From here on the process loads libraries from the system directory only (where the system
// can be told so) and never from the current directory: the uninstaller runs beside folders
// that anyone may write to, with rights that are worth taking over.
void restrictLibrarySearch();

// True when LoadLibraryEx understands the LOAD_LIBRARY_SEARCH_* flags: Windows 8 and later,
// and Windows 7 with the update that brought SetDefaultDllDirectories.
bool librarySearchFlagsSupported();
