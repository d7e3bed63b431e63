#include "RelayStage.h"

#include "PrivateFolder.h"
#include "ProductFiles.h"
#include "RefusedStart.h"
#include "RelayCommandLine.h"
#include "RunLockStart.h"
#include "VerifiedCopy.h"
#include "base/AppException.h"
#include "base/ModulePath.h"
#include "base/Options.h"
#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "base/SystemLibrary.h"
#include "base/UserMessage.h"
#include "engine/PathRules.h"
#include "engine/UninstallReport.h"
#include "setuplog/SetupLog.h"
#include "win32/Process.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kNamedKeptFolders = 8;

int cannotStart(const std::string& copy, PrivateFolder& folder) {
    // Released first: a folder held without delete sharing cannot be removed.
    folder.handle.reset();
    if (!copy.empty())
        DeleteFileA(copy.c_str());
    if (!folder.path.empty())
        RemoveDirectoryA(folder.path.c_str());
    showMessage(L"Cannot create child process", L"Error", MB_OK);
    return unattended ? kExitNothingRemoved : -1;
}

bool inheritable(HANDLE handle) {
    return SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) != FALSE;
}

// Why the setup log beside the program is no setup log; empty when it reads as one, or when it
// is missing (the copy tells that as it always did).
std::string whyLogIsMalformed() {
    try {
        return whyNotASetupLog(SetupLog(applicationDirectory, "Setup.log"));
    } catch (const AppException&) {
        return std::string();
    }
}

// Refused before anything is copied: said in a box, or unattended in the report asked for.
int refuse(const UninstallOptions& options, const std::wstring& item, const std::wstring& why,
           const std::wstring& boxText, int exitCode) {
    UninstallReport report;
    if (!options.reportPath.empty())
        report.open(options.reportPath, productFiles(modulePath(), std::string()));
    tellRefusedStart(report, item, why, boxText);
    report.summary(exitCode);
    return exitCode;
}

int refuse(const UninstallOptions& options, const std::wstring& item, const std::string& why,
           const std::wstring& boxText, int exitCode) {
    return refuse(options, item, ansiToWide(why), boxText, exitCode);
}

// A report file named where it must not be: refused without writing it there. `where` says
// where it would land and why that is wrong, `instead` what to name.
int refuseReportPlace(const UninstallOptions& options, const std::string& where,
                      const std::wstring& instead, int exitCode) {
    UninstallOptions noReport = options;
    noReport.reportPath.clear();
    const std::wstring path = utf8ToWide(options.reportPath);
    return refuse(noReport, path, "refused: the report file " + where,
                  L"The report file \"" + path + L"\" " + ansiToWide(where) +
                      L".\n\nNothing was removed. " + instead,
                  exitCode);
}

// Until the copy holds the run lock, this process keeps the entry lock, so that no run comes
// in between. Bounded: the copy waits at most the lock's own wait for it; the rest is its start.
void waitUntilCopyHoldsLock(const win32::Handle& ready, const win32::Process& copy) {
    const HANDLE either[] = {ready.get(), copy.handle.get()};
    WaitForMultipleObjects(2, either, FALSE, 3 * win32::kRunLockWaitMs);
}

} // namespace

int runRelayStage(int count, char** arguments, char** optionArgs) {
    // Arguments that are no options are ignored, as they always were.
    UninstallOptions options;
    if (count >= 2 && isOption(arguments[1]))
        options = readOptions(count, optionArgs, 1);
    unattended = options.unattended;
    setApplicationDirectory(programDirectory());
    if (!options.valid()) {
        const std::wstring text = L"Unknown option: " + utf8ToWide(options.unknown) +
                                  L"\n\nThe options are /S, /LOG=<file>, /SHARED=KEEP or "
                                  L"/SHARED=REMOVE, /CLOSEAPPS and /NORESTART. Nothing was "
                                  L"removed.";
        return refuse(options, utf8ToWide(options.unknown), "not an option of this program", text,
                      kExitBadCommandLine);
    }
    if (!options.reportPath.empty() && isRelativePath(options.reportPath))
        // Made absolute, it would land wherever the tool happened to start us: for SYSTEM, in
        // the system folder. The administrator names the place.
        return refuseReportPlace(options,
                                 "is named by a relative path, which would put it in whatever "
                                 "folder the uninstaller was started in",
                                 L"Name it by its full path, such as /LOG=C:\\Logs\\uninstall.txt.",
                                 kExitBadCommandLine);
    // Taken before the setup log is read, so that a second run is told at once, before any copy
    // is made; let go before the copy starts, which takes it again for the whole removal. The
    // entry lock, held until the copy says it holds the run lock (to an unattended run's end),
    // keeps every other run out while the copy takes the run lock over.
    win32::RunLock entry = win32::RunLock::take(win32::kRunEntryLockName);
    win32::RunLock lock = entry.held() ? win32::RunLock::take() : std::move(entry);
    // A refusal's box may wait for the reader for hours: no other run waits for it meanwhile.
    const auto letGo = [&] {
        lock.release();
        entry.release();
    };
    if (!lock.held()) {
        const RunLockRefusal refusal = runLockRefusal(lock);
        letGo();
        return refuse(options, refusal.item, refusal.why, refusal.boxText, refusal.exitCode);
    }
    const std::string log = applicationDirectory + "Setup.log";
    const std::string malformed = whyLogIsMalformed();
    if (!malformed.empty()) {
        letGo();
        return refuse(options, ansiToWide(log), "refused: " + malformed,
                      ansiToWide("The setup log \"" + log + "\" cannot be used: " + malformed +
                                 ".\n\nNothing was removed. Reinstall the product to repair its "
                                 "setup log, then remove it again."),
                      kExitNothingRemoved);
    }
    if (!options.reportPath.empty() &&
        liesIn(options.reportPath, ansiToUtf8(applicationDirectory))) {
        // Written there, it would keep the folder it reports on from going.
        letGo();
        return refuseReportPlace(options,
                                 "lies in the application directory, which the removal deletes",
                                 L"Name a file in another folder with /LOG=.", kExitNothingRemoved);
    }
    const std::string program = modulePath();
    lock.release();

    // The copy goes into a new folder of our own, and nothing is started that was not checked:
    // whatever runs from here runs with the rights of whoever started the uninstaller.
    // A killed run never scheduled its copy for the restart: the copies of earlier runs go now.
    // Whether files keep labels is tried apart from the folder: a folder is judged by it, so a
    // folder that lost its label, or never had one, cannot make the account count everywhere.
    trustedAccount = win32::runningAccount(win32::systemKeepsLabels());
    const std::string root = privateFolderRoot();
    PrivateFolder folder = createPrivateFolder(root, trustedAccount);
    if (folder.path.empty())
        return cannotStart(std::string(), folder);
    // Any user may make folders there: a few are named and the rest counted, so that a flood
    // of them does not flood the event log.
    const std::vector<KeptFolder> kept = removeStaleFolders(root, trustedAccount);
    for (std::size_t i = 0; i < kept.size() && i < kNamedKeptFolders; ++i)
        tellKeptAtStart(
            ansiToWide(kept[i].path),
            kept[i].openError != ERROR_SUCCESS
                ? "kept: a folder of the uninstaller's name that it cannot open to judge (" +
                      systemErrorText(kept[i].openError) +
                      "); nothing in it was touched. Remove it once you know which program "
                      "made it"
                : "kept: a folder of the uninstaller's name that is not one of its own (its "
                  "label, owner or permissions are not the ones the uninstaller gives); "
                  "nothing in it was touched. Remove it once you know which program made it");
    if (kept.size() > kNamedKeptFolders)
        tellKeptAtStart(ansiToWide(root),
                        "kept: " + std::to_string(kept.size() - kNamedKeptFolders) +
                            " more folders of the uninstaller's name that are not its own or "
                            "that it cannot open; "
                            "nothing in them was touched. Remove them once you know which "
                            "program made them");
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder.path.c_str(), "Del", 0, name) == 0)
        return cannotStart(std::string(), folder);
    const std::string copy = name;
    win32::Handle verified;
    if (CopyFileA(program.c_str(), copy.c_str(), FALSE))
        verified = openIfIdentical(program, copy);
    // The copy waits on this handle, so that the file the user started is free to delete; it
    // also learns from it whose process to leave out of the running programs.
    const win32::Handle self(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, GetCurrentProcessId()));
    const win32::Handle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!verified || !self || !ready || !inheritable(verified.get()) ||
        !inheritable(folder.handle.get()) || !inheritable(ready.get())) {
        verified.reset();
        return cannotStart(copy, folder);
    }
    RelayHandles handed;
    handed.relay = reinterpret_cast<std::uintptr_t>(self.get());
    handed.copy = reinterpret_cast<std::uintptr_t>(verified.get());
    handed.folder = reinterpret_cast<std::uintptr_t>(folder.handle.get());
    handed.ready = reinterpret_cast<std::uintptr_t>(ready.get());
    // Unicode, so that the options reach the copy as they were typed.
    const std::wstring commandLine =
        ansiToWide(relayCommandLine(copy, handed, program, programDirectory())) +
        utf8ToWide(optionArguments(options));

    // Whoever waits for the copy keeps no folder of the product as its current one, nor does
    // the copy until it takes its own: that folder could not be removed while either runs.
    const std::string system = systemDirectory();
    if (!system.empty())
        SetCurrentDirectoryA(system.c_str());
    win32::StartOptions inherit;
    inherit.inheritHandles = true; // the four handles above go down to the copy
    const win32::Process process = win32::startProcess(ansiToWide(copy), commandLine, inherit);
    if (!process) {
        verified.reset();
        return cannotStart(copy, folder);
    }
    // The copy holds its own inherited handles from here on.
    verified.reset();
    folder.handle.reset();
    waitUntilCopyHoldsLock(ready, process);
    if (!unattended)
        return -1;
    WaitForSingleObject(process.handle.get(), INFINITE);
    DWORD exitCode = kExitSomeKept;
    GetExitCodeProcess(process.handle.get(), &exitCode);
    return static_cast<int>(exitCode);
}
