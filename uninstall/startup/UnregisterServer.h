#pragma once

#include <string>

// Loads the COM server at `path` and calls its DllUnregisterServer, surviving any fault it
// raises. True when the export was found and called. The current directory is restored.
bool unregisterServer(const std::string& path);
