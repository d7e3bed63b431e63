#include "UnregistrationMode.h"

#include "AppException.h"
#include "ProcessValues.h"
#include "UnregisterServer.h"
#include "setuplog/SetupLog.h"
#include "win32/ComSession.h"

#include <objbase.h>
#include <windows.h>

namespace {

constexpr int kCannotStart = 1;

} // namespace

int runUnregistrationMode(char** arguments) {
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
