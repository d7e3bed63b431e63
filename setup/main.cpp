// setup.exe: installs the product it carries, through its dialog or unattended (/S).
#include "Destination.h"
#include "Installation.h"
#include "SetupDialog.h"
#include "SetupOptions.h"
#include "win32/Com.h"
#include "win32/Handles.h"
#include "win32/LibrarySearch.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <string>
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
    if (!options.unknown.empty()) {
        if (!options.unattended) {
            const std::wstring message = L"The option \"" + options.unknown +
                                         L"\" is not known to setup. Start it again with these "
                                         L"options only:\n\n" +
                                         kSetupUsage;
            MessageBoxW(nullptr, message.c_str(), kCaption, MB_OK | MB_ICONERROR);
        }
        return kSetupBadCommandLine;
    }
    const win32::ComApartment com;
    initCommonControls();
    std::wstring destination = options.destination;
    try {
        // An update goes where the product is registered; a first installation to the default.
        if (destination.empty())
            destination = registeredFolder();
        if (destination.empty())
            destination = defaultDestination();
        if (!com.ready())
            throw InstallError(L"The system's component services cannot be started.");
    } catch (const InstallError& error) {
        if (!options.unattended)
            MessageBoxW(nullptr, error.message().c_str(), kCaption, MB_OK | MB_ICONERROR);
        return kSetupFailed;
    }
    InstallRequest request;
    request.destination = destination;
    request.invertLog = options.invertLog;
    request.allowDowngrade = options.allowDowngrade;
    if (!options.unattended)
        return runSetupDialog(instance, request);
    std::wstring restart;
    SetupOutcome outcome =
        guardedInstall([&] { restart = install(instance, request, [](int, int) {}); });
    if (outcome.code == kSetupInstalled && !restart.empty())
        outcome = SetupOutcome{kSetupRestartNeeded, restart};
    // No window: the reason goes to a debugger, where a management tool's logs can take it.
    if (!outcome.message.empty())
        OutputDebugStringW((L"Technical Glossary Setup: " + outcome.message + L"\n").c_str());
    return outcome.code;
}
