#include "UnregistrationMode.h"

#include "UnregisterServer.h"
#include "base/AppException.h"
#include "base/ComSession.h"
#include "base/LibrarySearch.h"
#include "base/ProcessValues.h"
#include "setuplog/SetupLog.h"

#include <objbase.h>
#include <windows.h>

namespace {

constexpr int kCannotStart = 1;

} // namespace

int runUnregistrationMode(char** arguments) {
    // This process loads foreign libraries: none of theirs may come from a folder that anyone
    // may write to, and no box of the system's may wait for a user who is not there.
    restrictLibrarySearch();
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Nothing is shown in this mode; a start that fails ends with a non-zero code, which the
    // uninstall sequence that waits for this process does not read.
    try {
        const ComSession com;
        setApplicationDirectory(arguments[1]);
        SetupLog log(arguments[1], "Setup.log");
        std::string path;
        for (int i = 0; i < log.entryCount("REGDLLS"); ++i) {
            if (log.entry(path, "REGDLLS", i))
                unregisterServer(path);
        }
        log.clear();
    } catch (const AppException&) {
        return kCannotStart;
    }
    return 0;
}
