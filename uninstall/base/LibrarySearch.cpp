#include "LibrarySearch.h"

#include "win32/LibrarySearch.h"

void restrictLibrarySearch() {
    win32::restrictLibrarySearch();
}

bool librarySearchFlagsSupported() {
    return win32::setDefaultDllDirectories() != nullptr;
}
