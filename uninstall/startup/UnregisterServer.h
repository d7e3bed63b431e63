#pragma once

#include "win32/AccessRights.h"

#include <string>

// What became of one COM server of the setup log.
struct ServerResult {
    enum class Outcome {
        Unregistered, // its DllUnregisterServer was called and succeeded
        Kept,         // skipped on purpose; `reason` says why
        Failed,       // it could not be loaded, or its unregistration failed or faulted
    };
    Outcome outcome = Outcome::Failed;
    std::string reason;
};

// Loads the COM server at `path` and calls its DllUnregisterServer, surviving any fault it
// raises. The current directory is restored. Kept without loading it: a path that is not a
// plain absolute one, a server whose shared use count cannot be used or says that another
// product still uses it (above 1), a server that others than administrators may change or
// plant a library beside (the file, its folder or a folder on the way), a server built for
// the other bitness, and a module without the export. `trusted`: the running account, as
// those are judged.
ServerResult unregisterServer(const std::string& path, const win32::RunningAccount& trusted);
