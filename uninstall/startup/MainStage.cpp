#include "MainStage.h"

#include "LogTrust.h"
#include "OwnFiles.h"
#include "ProductFiles.h"
#include "RefusedStart.h"
#include "RelayCommandLine.h"
#include "RunLockStart.h"
#include "StoppedRun.h"
#include "UnattendedRun.h"
#include "UninstallWindow.h"
#include "base/AppException.h"
#include "base/ComSession.h"
#include "base/LibrarySearch.h"
#include "base/ModulePath.h"
#include "base/Options.h"
#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "base/SystemLibrary.h"
#include "base/UserMessage.h"
#include "engine/UninstallReport.h"
#include "ui/HeldException.h"
#include "ui/MessageCatalogue.h"
#include "ui/MessageLoop.h"
#include "ui/ResourceIds.h"
#include "ui/WindowClass.h"
#include "win32/FileIdentity.h"
#include "win32/Handles.h"
#include "win32/LabelProbe.h"

#include <commctrl.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace {

// The progress bar's class, from the common controls of the system directory.
void initCommonControls() {
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (const auto init = systemFunction<Init>("comctl32.dll", "InitCommonControlsEx")) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
        init(&classes);
    }
}

void outOfMemory() {
    throw WinException(GetLastError(), "Out of memory");
}

// Copies are started from the temporary directory; only position 0 is never a separator.
std::string directoryOfCopy(const std::string& copyPath) {
    const std::size_t last = copyPath.rfind('\\');
    return last == std::string::npos || last == 0 ? copyPath : copyPath.substr(0, last);
}

// An inherited handle, taken over only when the system names it by `path`: a number given by
// hand that happens to be some other handle of this process is left alone.
win32::Handle heldAs(std::uintptr_t handed, const std::string& path) {
    const auto handle = reinterpret_cast<HANDLE>(handed);
    if (handed == 0 || GetFileType(handle) != FILE_TYPE_DISK || !win32::sameFile(handle, path))
        return win32::Handle();
    return win32::Handle(handle);
}

// The process that created this one, by the system's record of it; 0 when it cannot be read.
DWORD creatorId() {
    const win32::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            return entry.th32ParentProcessID;
    }
    return 0;
}

// Whether the handle numbered `handed` is a process handle on the process that created this
// one, as the relay hands down its own. Only then are the numbers beside it the relay's; one
// given by hand may be any handle of ours, and waiting on it or closing it would act on
// something else (the run lock's own handle, say).
bool isCreator(std::uintptr_t handed) {
    const DWORD id = handed != 0 ? GetProcessId(reinterpret_cast<HANDLE>(handed)) : 0;
    return id != 0 && id == creatorId();
}

// Tells the relay, which holds the entry lock until then, that this process holds the run lock
// (or has given up on it). Only a verified relay's number is used.
void tellLockTaken(std::uintptr_t handed) {
    const auto ready = reinterpret_cast<HANDLE>(handed);
    // Closed only when it was an event.
    if (handed != 0 && SetEvent(ready))
        win32::Handle{ready}.reset();
}

void reportFailure(const char* text) {
    showMessage(text, "Exception", MB_OK | MB_ICONWARNING);
}

// Everything from COM to the end of the message loop; returns the exit code.
int runWindow(HINSTANCE instance, const UninstallOptions& options, UninstallReport& report) {
    const ComSession com;
    const auto large =
        static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_UNINSTALL), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    const auto small = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_UNINSTALL),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), 0));
    WindowClass(CS_HREDRAW | CS_VREDRAW, windowClassName, LoadCursorA(nullptr, IDC_ARROW),
                reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1), instance, large, small)
        .registerClass();

    const auto window = std::make_unique<UninstallWindow>(options, report);
    mainWindow = window.get();
    const std::string caption = messageText(1001);
    if (!window->createTopLevel(0, windowClassName, caption.c_str(), 0, 0, 200, 46,
                                LoadMenuA(instance, MAKEINTRESOURCEA(IDM_MAIN)), instance)) {
        const DWORD error = GetLastError();
        rethrowHeldException();
        throw WinException(error, "Can't create application window");
    }
    PostMessageA(window->handle(), MSG_CONFIRM, 0, 0);

    // The window object outlives the loop, so mainWindow is cleared on every way out of it.
    struct ClearMainWindow {
        ~ClearMainWindow() { mainWindow = nullptr; }
    } const clear;
    const int quit = runMessageLoop();
    return quit == -1 || window->failed() ? -1 : quit;
}

} // namespace

int runMainStage(int count, char** arguments, char** optionArgs, HINSTANCE instance) {
    restrictLibrarySearch();
    // Handed down by the relay, which held them since it checked the copy: this file, held
    // without write or delete sharing, and its folder, held against renaming, so the path of
    // the running program names this verified copy for the whole run. Never reopened by name.
    const RelayHandles handed = readRelayHandles(arguments[1]);
    const std::string running = modulePath();
    const win32::Handle ownFile = heldAs(handed.copy, running);
    const win32::Handle ownFolder = heldAs(handed.folder, directoryOfCopy(running));
    ownProgramFile = ownFile.get();
    const bool relayed = ownFile && ownFolder && isCreator(handed.relay);
    // Tried apart from the folder handed down: where files keep labels, an elevated relay
    // labelled its folder, and one without that label is no folder of the relay's.
    trustedAccount = win32::runningAccount(win32::systemKeepsLabels());
    relayedProgram = arguments[2];
    const UninstallOptions options = readOptions(count, optionArgs, 4);
    unattended = options.unattended;
    const std::string copy = arguments[0];
    // Before the report is open: told in a box, or under /S in the event log and on standard
    // error.
    UninstallReport notYetOpen;
    if (!ownFile || !ownFolder) {
        // Not started by the relay, or someone else holds it: what runs later from it may not
        // be this program.
        tellRefusedStart(notYetOpen, copy,
                         "refused: the uninstaller cannot hold its own program file; it was not "
                         "started by the uninstaller, or another program holds the file",
                         L"The uninstaller cannot hold its own program file \"" + ansiToWide(copy) +
                             L"\": it was not started by the uninstaller, or another program "
                             L"holds the file.\n\nNothing was removed. Start the uninstall.exe "
                             L"of the product's folder again.");
        scheduleCopyRemoval(copy);
        return kExitNothingRemoved;
    }
    if (!relayed) {
        // The other numbers of the line are then anyone's: none is waited on, set or closed.
        tellRefusedStart(notYetOpen, copy,
                         "refused: the process its command line names as the uninstaller that "
                         "started it is not the process that did; it was started by another "
                         "program",
                         L"The uninstaller's copy \"" + ansiToWide(copy) +
                             L"\" was not started by the uninstaller: the process its command "
                             L"line names is not the one that started it.\n\nNothing was "
                             L"removed. Start the uninstall.exe of the product's folder again.");
        scheduleCopyRemoval(copy);
        return kExitNothingRemoved;
    }
    // Held to the end of this process, whether the relay that started it still waits or was
    // ended by a tool that gave up: a retry of setup or of the uninstaller gets 1618 until this
    // removal is done, rather than having its work removed by it later. Taken before the relay
    // ends: the relay holds the entry lock, which keeps every other run out, until it is told
    // that this lock is held.
    const win32::RunLock lock = win32::RunLock::take();
    // The relay's entry lock kept every other run out only while it lived: one that ended (a
    // tool killed it, or it gave up waiting) before this took the lock let another run in.
    const auto relay = reinterpret_cast<HANDLE>(handed.relay);
    const bool relayEndedFirst = WaitForSingleObject(relay, 0) == WAIT_OBJECT_0;
    tellLockTaken(handed.ready);
    {
        // Until the relay has ended, the program file the user started is still in use. An
        // unattended relay waits for this copy instead, so waiting here would never end.
        const win32::Handle relayProcess(relay);
        relayProcessId = GetProcessId(relayProcess.get());
        if (!unattended)
            WaitForSingleObject(relayProcess.get(), INFINITE);
    }
    if (trustedAccount.onlyWhereLabelledHigh &&
        !win32::readsBackHighNoWriteUp(ownFolder.get(), false)) {
        // Nothing is scheduled from it either: the boot would delete through a folder that
        // someone else may have made.
        const std::string folder = directoryOfCopy(copy);
        tellRefusedStart(notYetOpen, folder,
                         "refused: the folder of the uninstaller's copy does not carry the label "
                         "the uninstaller gives its own; another program made it, or took the "
                         "label away",
                         L"The folder \"" + ansiToWide(folder) +
                             L"\" of the uninstaller's copy does not carry the label the "
                             L"uninstaller gives its own: another program made it, or took the "
                             L"label away.\n\nNothing was removed. Start the uninstall.exe of the "
                             L"product's folder again.");
        return kExitNothingRemoved;
    }
    if (!options.valid()) {
        tellRefusedStart(notYetOpen, utf8ToWide(options.unknown), "not an option of this program",
                         L"Unknown option: " + utf8ToWide(options.unknown) +
                             L"\n\nNothing was removed. Start the uninstall.exe of the "
                             L"product's folder with the options it lists.");
        scheduleCopyRemoval(copy);
        return kExitBadCommandLine;
    }
    SetCurrentDirectoryA(directoryOfCopy(copy).c_str());
    setApplicationDirectory(arguments[3]);
    instanceHandle = instance;
    std::set_new_handler(outOfMemory);

    UninstallReport report;
    if (!options.reportPath.empty() &&
        !report.open(options.reportPath, productFiles(arguments[2], copy))) {
        tellRefusedStart(report, utf8ToWide(options.reportPath),
                         "refused: the report file cannot be written, or is a link, a folder, a "
                         "device or a file of the product",
                         L"The report file \"" + utf8ToWide(options.reportPath) +
                             L"\" cannot be written, or is a link, a folder, a device or a file "
                             L"of the product.\n\nNothing was removed. Name a new file in a "
                             L"folder of your own with /LOG=.");
        scheduleCopyRemoval(copy);
        return kExitNothingRemoved;
    }

    if (!lock.held()) {
        const RunLockRefusal refusal = runLockRefusal(lock);
        tellRefusedStart(report, refusal.item, refusal.why, refusal.boxText);
        report.summary(refusal.exitCode);
        scheduleCopyRemoval(copy);
        return refusal.exitCode;
    }
    if (relayEndedFirst) {
        const std::wstring item = win32::kRunLockName;
        tellRefusedStart(report, item,
                         "refused: the uninstaller that started this copy ended before the copy "
                         "took over, so another run may have come in between",
                         L"The uninstaller that started this copy ended before the copy took "
                         L"over, so another run of setup or of the uninstaller may have come in "
                         L"between.\n\nNothing was removed. Start the uninstaller again.");
        report.summary(kExitAnotherRunning);
        scheduleCopyRemoval(copy);
        return kExitAnotherRunning;
    }
    if (lock.state() == win32::RunLock::State::TakenOver)
        report.note("Start", lock.name(), "taken over from a run that was stopped");

    int result = -1;
    if (refuseUntrustedLog(report, trustedAccount) || refuseForeignJournal(report))
        result = kExitNothingRemoved;
    else if (refuseOrFinishStoppedSetup(report, result))
        ; // refused, or the stopped setup's undo took the product: the run ends here
    else if (unattended) {
        result = runUnattended(copy, arguments[2], options, report);
    } else {
        initCommonControls();
        try {
            result = runWindow(instance, options, report);
        } catch (const AppException& failure) {
            if (failure.kind == WinException::kKind) {
                const auto& error = static_cast<const WinException&>(failure);
                char text[512];
                std::snprintf(text, sizeof text, "%s, Error %d", error.text,
                              static_cast<int>(error.code));
                reportFailure(text);
            } else if (failure.kind == ModelException::kKind) {
                reportFailure("Model Exception");
            }
            result = -1;
        } catch (...) {
            reportFailure("Unknown");
            result = -1;
        }
    }
    report.summary(result);
    scheduleCopyRemoval(copy);
    return result;
}
