// setup.exe: installs the product it carries, through its dialog or unattended (/S).
#include "Installation.h"
#include "SetupDialog.h"
#include "SetupOptions.h"
#include "win32/Com.h"
#include "win32/Handles.h"

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

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::vector<std::wstring> arguments;
    int count = 0;
    const win32::LocalMemory<wchar_t**> parts(CommandLineToArgvW(GetCommandLineW(), &count));
    for (int i = 1; parts && i < count; ++i)
        arguments.push_back(parts.get()[i]);
    const SetupOptions options = parseSetupOptions(arguments, argumentsTail());
    if (!options.unknown.empty()) {
        if (!options.unattended) {
            const std::wstring message =
                L"Unknown option: " + options.unknown +
                L"\n\nsetup.exe [/S] [/INVERT] [/D=<folder>]\n"
                L"/S installs without asking, /D= names the folder (last on the line).";
            MessageBoxW(nullptr, message.c_str(), kCaption, MB_OK | MB_ICONERROR);
        }
        return kSetupBadCommandLine;
    }
    const win32::ComApartment com;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    std::wstring destination = options.destination;
    try {
        if (destination.empty())
            destination = defaultDestination();
        if (!com.ready())
            throw InstallError(L"The system's component services cannot be started.");
    } catch (const InstallError& error) {
        if (!options.unattended)
            MessageBoxW(nullptr, error.message().c_str(), kCaption, MB_OK | MB_ICONERROR);
        return kSetupFailed;
    }
    if (!options.unattended)
        return runSetupDialog(instance, destination, options.invertLog);
    try {
        install(instance, InstallRequest{destination, options.invertLog}, [](int, int) {});
    } catch (const InstallError&) {
        return kSetupFailed;
    }
    return kSetupInstalled;
}
