#include "RelayStage.h"

#include "PrivateFolder.h"
#include "RelayCommandLine.h"
#include "VerifiedCopy.h"
#include "base/ModulePath.h"
#include "base/Options.h"
#include "base/ProcessValues.h"
#include "base/UserMessage.h"
#include "win32/Process.h"

#include <windows.h>

namespace {

std::string temporaryDirectory() {
    char path[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, path);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

int cannotStart(const std::string& copy, const std::string& folder) {
    if (!copy.empty())
        DeleteFileA(copy.c_str());
    if (!folder.empty())
        RemoveDirectoryA(folder.c_str());
    showMessage("Cannot create child process", "Error", MB_OK);
    return unattended ? kExitNothingRemoved : -1;
}

// The copy runs in another directory: a report path must not depend on where it runs.
std::string fullPath(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

} // namespace

int runRelayStage(int count, char** arguments) {
    // Arguments that are no options are ignored, as they always were.
    UninstallOptions options;
    if (count >= 2 && isOption(arguments[1]))
        options = readOptions(count, arguments, 1);
    unattended = options.unattended;
    if (!options.valid()) {
        const std::string text = "Unknown option: " + options.unknown +
                                 "\n\nThe options are /S, /LOG=<file> and /SHARED=KEEP or "
                                 "/SHARED=REMOVE. Nothing was removed.";
        showMessage(text.c_str(), "Error", MB_OK | MB_ICONWARNING);
        return kExitBadCommandLine;
    }
    if (!options.reportPath.empty())
        options.reportPath = fullPath(options.reportPath);
    const std::string program = modulePath();

    // The copy goes into a new folder of our own, and nothing is started that was not checked:
    // whatever runs from here runs with the rights of whoever started the uninstaller.
    const std::string folder = createPrivateFolder(temporaryDirectory());
    if (folder.empty())
        return cannotStart(std::string(), std::string());
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder.c_str(), "Del", 0, name) == 0)
        return cannotStart(std::string(), folder);
    const std::string copy = name;
    win32::Handle verified;
    if (CopyFileA(program.c_str(), copy.c_str(), FALSE))
        verified = openIfIdentical(program, copy);
    if (!verified)
        return cannotStart(copy, folder);

    // The copy waits on this handle, so that the file the user started is free to delete.
    const win32::Handle self(OpenProcess(SYNCHRONIZE, TRUE, GetCurrentProcessId()));
    std::string commandLine = relayCommandLine(copy, reinterpret_cast<std::uintptr_t>(self.get()),
                                               program, programDirectory()) +
                              optionArguments(options);

    win32::StartOptions inherit;
    inherit.inheritHandles = true; // the handle to this process, for the copy to wait on
    const win32::Process process = win32::startProcess(copy, commandLine, inherit);
    if (!process) {
        verified.reset();
        return cannotStart(copy, folder);
    }
    if (!unattended)
        return -1;
    verified.reset();
    WaitForSingleObject(process.handle.get(), INFINITE);
    DWORD exitCode = kExitSomeKept;
    GetExitCodeProcess(process.handle.get(), &exitCode);
    return static_cast<int>(exitCode);
}
