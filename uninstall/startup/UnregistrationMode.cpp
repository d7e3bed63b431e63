#include "UnregistrationMode.h"

#include "LogTrust.h"
#include "UnregisterServer.h"
#include "base/AppException.h"
#include "base/ComSession.h"
#include "base/LibrarySearch.h"
#include "base/Options.h"
#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "engine/PathRules.h"
#include "setuplog/SetupLog.h"
#include "win32/LabelProbe.h"

#include <objbase.h>
#include <windows.h>

namespace {

constexpr int kCannotStart = 1;
constexpr int kSomeNotUnregistered = 2;

void write(const std::string& line) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (output != nullptr && output != INVALID_HANDLE_VALUE)
        WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// One line per server for the main stage, which reads them from the pipe it gave as standard
// output: "<position in REGDLLS>\t<unregistered|kept|failed>\t<why>", and "done" at the end,
// so that a server that ends the process cannot pass for one that was unregistered.
void tell(int position, const ServerResult& result) {
    const char* outcome = result.outcome == ServerResult::Outcome::Unregistered ? "\tunregistered\t"
                          : result.outcome == ServerResult::Outcome::Kept       ? "\tkept\t"
                                                                                : "\tfailed\t";
    std::string line = std::to_string(position) + outcome;
    for (const char c : result.reason)
        line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    write(line + "\n");
}

} // namespace

int runUnregistrationMode(char** arguments) {
    // This process loads foreign libraries: none of theirs may come from a folder that anyone
    // may write to, and no box of the system's may wait for a user who is not there.
    restrictLibrarySearch();
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Only a whole directory path: a forgotten slash ("uninstall.exe silent") must not read a
    // setup log of the current folder and unregister what it names.
    if (!isPlainAbsolutePath(arguments[1]))
        return kExitBadCommandLine;
    // A program a server starts must not hold the pipe open after this process ends.
    SetHandleInformation(GetStdHandle(STD_OUTPUT_HANDLE), HANDLE_FLAG_INHERIT, 0);
    // Nothing is shown in this mode; a start that fails ends with a non-zero code, and each
    // server that is not unregistered is told to the uninstall sequence that waits for it.
    int exitCode = 0;
    try {
        const ComSession com;
        setApplicationDirectory(arguments[1]);
        // No private folder here: a label is written for the purpose and read back.
        trustedAccount = win32::runningAccount(win32::systemKeepsLabels());
        SetupLog log(arguments[1], "Setup.log");
        // A log that others may change names what they like: nothing of it is loaded.
        // Told to the uninstall sequence through its pipe, in the code page's letters.
        const std::string distrust =
            wideToAnsi(whyThisRunDistrustsLog(applicationDirectory, trustedAccount));
        std::string path;
        for (int i = 0; i < log.entryCount("REGDLLS"); ++i) {
            if (!log.entry(path, "REGDLLS", i))
                continue;
            const ServerResult result =
                distrust.empty() ? unregisterServer(path, trustedAccount)
                                 : ServerResult{ServerResult::Outcome::Kept,
                                                "the setup log is not trusted: " + distrust};
            tell(i, result);
            if (result.outcome != ServerResult::Outcome::Unregistered)
                exitCode = kSomeNotUnregistered;
        }
        log.clear();
        write("done\n");
    } catch (const AppException&) {
        return kCannotStart;
    }
    return exitCode;
}
