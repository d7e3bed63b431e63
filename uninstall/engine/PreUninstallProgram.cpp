#include "PreUninstallProgram.h"

#include "PathRules.h"
#include "base/SystemLibrary.h"
#include "setuplog/PathJoin.h"
#include "win32/Process.h"

namespace {

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool hasExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot != std::string::npos && path.find_first_of("\\/", dot) == std::string::npos;
}

// The system's variables alone, in the order the system keeps them: ours came from whoever
// started the uninstaller, and a PATH or TEMP of theirs would choose what an elevated program
// loads or runs. Empty when the Windows folder cannot be found.
std::string systemEnvironment() {
    char windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    const std::string system = systemDirectory();
    if (length == 0 || length >= MAX_PATH || length < 2 || system.empty())
        return std::string();
    const std::string folder = windows;
    std::string block;
    for (const std::string& variable :
         {"ComSpec=" + system + "\\cmd.exe",
          "PATH=" + system + ";" + folder + ";" + system + "\\Wbem",
          std::string("PATHEXT=.COM;.EXE;.BAT;.CMD"), "SystemDrive=" + folder.substr(0, 2),
          "SystemRoot=" + folder, "TEMP=" + folder + "\\Temp", "TMP=" + folder + "\\Temp",
          "windir=" + folder})
        block += variable + '\0';
    return block;
}

} // namespace

std::string PreUninstallProgram::programPath() const {
    const std::string& program = record_.program;
    if (isPlainAbsolutePath(program))
        return program;
    if (program.empty())
        return std::string();
    for (const std::string& folder : {applicationDirectory_, systemDirectory()}) {
        const std::string candidate = joinPath(folder, program);
        // A name with ".." must not lead out of the folder it is looked for in.
        if (folder.empty() || !isPlainAbsolutePath(candidate))
            continue;
        if (isFile(candidate))
            return candidate;
        if (!hasExtension(candidate) && isFile(candidate + ".exe"))
            return candidate + ".exe";
    }
    return std::string();
}

std::string PreUninstallProgram::refusal(HeldCode& held) const {
    const std::string program = programPath();
    if (program.empty())
        return std::string();
    held = holdTrustedCode(program);
    // Not held is never run, so it is never reported as started either.
    if (!held)
        return held.why.empty() ? std::string("it cannot be opened") : held.why;
    // A program looks for its libraries in the folder it starts in, too.
    const std::string& folder = record_.workingDirectory;
    const std::string why = folder.empty() ? std::string() : whyFolderIsExposed(folder);
    return why.empty() ? why : why + ": the folder it starts in";
}

std::string PreUninstallProgram::whyRefused() const {
    HeldCode held;
    return refusal(held);
}

DWORD PreUninstallProgram::run() const {
    const std::string program = programPath();
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    HeldCode held;
    if (!refusal(held).empty() || !held) {
        const DWORD error = held.error != ERROR_SUCCESS ? held.error : ERROR_ACCESS_DENIED;
        SetLastError(error);
        return error;
    }
    std::string commandLine = win32::quoted(program);
    if (!record_.arguments.empty())
        commandLine += " " + record_.arguments;
    win32::StartOptions options;
    options.show = static_cast<int>(record_.showWindow & 0xFFFF);
    options.directory = record_.workingDirectory;
    options.environment = systemEnvironment();
    if (options.environment.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return ERROR_PATH_NOT_FOUND;
    }
    const win32::Process started = win32::startProcess(program, commandLine, options);
    if (started && record_.noWait == 0)
        WaitForSingleObject(started.handle.get(), INFINITE);
    return GetLastError();
}
