#pragma once

#include <string>

// Loads the COM server at `path` and calls its DllUnregisterServer, surviving any fault it
// raises. True when the export was found and called. The current directory is restored.
// Skipped (false): a path that is not a plain absolute one, and a server whose shared use
// count says that another product still uses it (above 1).
bool unregisterServer(const std::string& path);
