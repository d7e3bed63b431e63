// setup.exe: installs the product it carries, through its dialog or unattended (/S).
#include "Destination.h"
#include "Installation.h"
#include "SetupDialog.h"
#include "SetupOptions.h"
#include "SetupReport.h"
#include "engine/PathRules.h"
#include "win32/Com.h"
#include "win32/ErrorText.h"
#include "win32/Handles.h"
#include "win32/LabelProbe.h"
#include "win32/LibrarySearch.h"
#include "win32/RunLock.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const wchar_t kCaption[] = L"Technical Glossary Setup";

// The command line after the program's own name, as typed.
std::wstring argumentsTail() {
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line != L'\0'; ++line) {
        if (*line == L'"')
            quoted = !quoted;
        else if (!quoted && (*line == L' ' || *line == L'\t'))
            break;
    }
    return line;
}

// The progress bar's class. The common controls are no known library of the system, so they
// are not imported but loaded once the search is restricted (or by their full path where it
// cannot be): the side-by-side version the manifest asks for, else the system directory's.
void initCommonControls() {
    const bool restricted = win32::setDefaultDllDirectories() != nullptr;
    wchar_t path[MAX_PATH] = {};
    const UINT length = restricted ? 0 : GetSystemDirectoryW(path, MAX_PATH);
    const std::wstring name =
        length > 0 && length < MAX_PATH ? std::wstring(path) + L"\\comctl32.dll" : L"comctl32.dll";
    const HMODULE library =
        LoadLibraryExW(name.c_str(), nullptr, restricted ? LOAD_LIBRARY_SEARCH_SYSTEM32 : 0);
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (const auto init = reinterpret_cast<Init>(reinterpret_cast<void*>(
            library != nullptr ? GetProcAddress(library, "InitCommonControlsEx") : nullptr))) {
        const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        init(&controls);
    }
}

// Why this run did not get the lock (the run lock, or the entry lock taken before it), and what
// to do: the box's text and the report's.
std::wstring withoutRunLock(const win32::RunLock& lock) {
    using State = win32::RunLock::State;
    const std::wstring name = lock.described();
    if (lock.state() == State::Busy)
        return L"Another installation or removal of " + std::wstring(kProductName) +
               L" is in progress: it has held the " + name + L" for the " +
               std::to_wstring(win32::kRunLockWaitMs / 1000) +
               L" seconds setup waited. Nothing was changed. Start setup again when that run "
               L"has finished.";
    if (lock.state() == State::Untrusted)
        return L"Setup cannot tell whether another installation or removal is in progress: the "
               L"name of its " +
               name +
               L" is taken by an object that others than the administrators may take "
               L"or change (" +
               lock.who() +
               L"). Nothing was changed. Sign that account out or restart the computer, then "
               L"start setup again.";
    if (lock.state() == State::NotAdministrator)
        // Whether another run holds the lock or not, this one could not have taken it.
        return L"Setup runs without administrator rights, and only administrators may take its " +
               name +
               L", which keeps two installations apart. Nothing was changed. Start setup as an "
               L"administrator (Run as administrator).";
    const std::wstring message = win32::systemMessage(lock.error());
    return L"Setup cannot make its " + name + L", which keeps two installations apart: " +
           (message.empty() ? L"error " + std::to_wstring(lock.error()) : message) +
           L". Nothing was changed. Start setup as an administrator.";
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before COM, the common controls, the dialogs or the shell can load a library by its bare
    // name from the folder setup.exe was started in, such as Downloads.
    win32::restrictLibrarySearch();
    std::vector<std::wstring> arguments;
    int count = 0;
    const win32::LocalMemory<wchar_t**> parts(CommandLineToArgvW(GetCommandLineW(), &count));
    for (int i = 1; parts && i < count; ++i)
        arguments.push_back(parts.get()[i]);
    // The whole line is read before anything is shown: /S anywhere means no window at all.
    const SetupOptions options = parseSetupOptions(arguments, argumentsTail());
    SetupReport report;
    const auto refuse = [&](const std::wstring& message, int code) {
        if (!options.unattended)
            MessageBoxW(nullptr, message.c_str(), kCaption, MB_OK | MB_ICONERROR);
        report.tellWithoutFile(win32::NoticeKind::Refusal, message);
        return code;
    };
    if (!options.reportPath.empty() && isRelativePath(utf8(options.reportPath)))
        // Made absolute, it would land wherever the tool happened to start setup: for SYSTEM, in
        // the system folder. The administrator names the place.
        return refuse(L"The report file \"" + options.reportPath +
                          L"\" is named by a relative path, which would put it in whatever "
                          L"folder setup was started in. Nothing was changed. Name it by its full "
                          L"path, such as /LOG=C:\\Logs\\setup.txt, and start setup again.",
                      kSetupBadCommandLine);
    if (!options.reportPath.empty() && !report.open(options.reportPath))
        return refuse(L"The report file \"" + options.reportPath +
                          L"\" cannot be written: it must be a plain file in an existing "
                          L"folder, reached through no link. Name another file with /LOG= and "
                          L"start setup again.",
                      kSetupFailed);
    if (!options.unknown.empty()) {
        report.failed("Command line", options.unknown, L"unknown option; nothing was changed");
        report.summary(kSetupBadCommandLine);
        return refuse(L"The option \"" + options.unknown +
                          L"\" is not known to setup. Start it again with these options "
                          L"only:\n\n" +
                          kSetupUsage,
                      kSetupBadCommandLine);
    }
    // One run of setup or the uninstaller at a time, from before anything installed is read (a
    // stopped run's journal too) to the end: a second one would undo what this one does. The
    // entry lock first, as every run takes it, so that none comes in while the uninstaller
    // hands its run lock on to its copy.
    win32::RunLock entry = win32::RunLock::take(win32::kRunEntryLockName);
    const win32::RunLock lock = entry.held() ? win32::RunLock::take() : std::move(entry);
    entry.release();
    if (!lock.held()) {
        using State = win32::RunLock::State;
        const int code = lock.state() == State::Busy || lock.state() == State::Untrusted
                             ? kSetupAnotherRunning
                             : kSetupFailed;
        const std::wstring why = withoutRunLock(lock);
        report.failed("Start", lock.name(), why);
        report.summary(code);
        return refuse(why, code);
    }
    if (lock.state() == win32::RunLock::State::TakenOver) {
        report.note("Start", lock.name(),
                    "taken over from a run that was stopped; its journal is undone or finished");
        report.tellWithoutFile(win32::NoticeKind::Recovery,
                               L"the " + lock.described() +
                                   L" was taken over from a run that was stopped; its journal is "
                                   L"undone or finished.");
    }
    const win32::ComApartment com;
    initCommonControls();
    InstallRequest request;
    request.destination = options.destination;
    request.invertLog = options.invertLog;
    request.allowDowngrade = options.allowDowngrade;
    request.report = &report;
    request.administrator = win32::runningAccount(win32::systemKeepsLabels());
    try {
        // An update goes where the product is registered; a first installation to the default.
        if (request.destination.empty())
            request.destination = registeredFolder();
        if (request.destination.empty())
            request.destination = defaultDestination();
        if (!com.ready())
            throw InstallError(L"The system's component services cannot be started.");
    } catch (const InstallError& error) {
        report.failed("Setup", request.destination, error.message());
        report.summary(kSetupFailed);
        return refuse(error.message(), kSetupFailed);
    }
    if (!options.unattended) {
        const int code = runSetupDialog(instance, request);
        report.summary(code);
        return code;
    }
    std::wstring restart;
    SetupOutcome outcome =
        guardedInstall([&] { restart = install(instance, request, [](int, int) {}); });
    if (outcome.code == kSetupInstalled && !restart.empty())
        outcome = SetupOutcome{kSetupRestartNeeded, restart};
    const bool failed = outcome.code == kSetupFailed || outcome.code == kSetupAnotherRunning;
    if (failed)
        report.failed("Setup", request.destination, outcome.message);
    report.summary(outcome.code);
    if (!outcome.message.empty())
        report.tellWithoutFile(failed ? win32::NoticeKind::Refusal : win32::NoticeKind::Outcome,
                               outcome.message);
    return outcome.code;
}
