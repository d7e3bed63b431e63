#include "PreUninstallProgram.h"

#include "PathRules.h"
#include "base/SystemLibrary.h"
#include "setuplog/PathJoin.h"
#include "win32/Handles.h"
#include "win32/Process.h"

#include <algorithm>
#include <vector>

namespace {

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool hasExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot != std::string::npos && path.find_first_of("\\/", dot) == std::string::npos;
}

// A temporary folder for the program inside the uninstaller's own folder, which only
// administrators may change (the Windows folder's Temp lets every user create files: one could
// swap what the program unpacks there before it runs it). Empty when it cannot be made.
std::string programTempFolder() {
    char module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string folder(module, length);
    folder.erase(folder.find_last_of('\\') + 1);
    folder += "Temp";
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return std::string();
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return std::string();
    return folder;
}

// A folder the system names in the registry (only administrators may change it); empty when
// the value is not there.
std::string systemFolderValue(const char* key, const char* name, const std::string& drive) {
    win32::Key opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      opened.receive()) != ERROR_SUCCESS)
        return std::string();
    char value[MAX_PATH] = {};
    DWORD type = 0, size = sizeof value - 1;
    if (RegQueryValueExA(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    std::string folder(value);
    // The one variable these values use; anything else is not a folder we can vouch for.
    const std::string systemDrive = "%SystemDrive%";
    if (folder.compare(0, systemDrive.size(), systemDrive) == 0)
        folder = drive + folder.substr(systemDrive.size());
    return isPlainAbsolutePath(folder) ? folder : std::string();
}

// The system's folders that scripts name through variables: without them "%ProgramFiles%\\x"
// would become "\\x", a folder at the drive's root that any user may create.
void addSystemFolders(std::vector<std::string>& variables, const std::string& drive) {
    const char* const version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const char* const profiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    const struct {
        const char* variable;
        const char* key;
        const char* value;
    } folders[] = {
        {"ALLUSERSPROFILE", profiles, "ProgramData"},
        {"CommonProgramFiles", version, "CommonFilesDir"},
        {"CommonProgramFiles(x86)", version, "CommonFilesDir (x86)"},
        {"CommonProgramW6432", version, "CommonW6432Dir"},
        {"ProgramData", profiles, "ProgramData"},
        {"ProgramFiles", version, "ProgramFilesDir"},
        {"ProgramFiles(x86)", version, "ProgramFilesDir (x86)"},
        {"ProgramW6432", version, "ProgramW6432Dir"},
    };
    for (const auto& folder : folders) {
        const std::string value = systemFolderValue(folder.key, folder.value, drive);
        if (!value.empty())
            variables.push_back(std::string(folder.variable) + "=" + value);
    }
}

// The system's variables alone, in the order the system keeps them: ours came from whoever
// started the uninstaller, and a PATH or TEMP of theirs would choose what an elevated program
// loads or runs. Empty when the Windows folder cannot be found.
std::string systemEnvironment(const std::string& temp) {
    char windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    const std::string system = systemDirectory();
    if (length == 0 || length >= MAX_PATH || length < 2 || system.empty())
        return std::string();
    const std::string folder = windows;
    std::vector<std::string> variables = {"ComSpec=" + system + "\\cmd.exe",
                                          "PATH=" + system + ";" + folder + ";" + system + "\\Wbem",
                                          std::string("PATHEXT=.COM;.EXE;.BAT;.CMD"),
                                          "SystemDrive=" + folder.substr(0, 2),
                                          "SystemRoot=" + folder,
                                          "TEMP=" + temp,
                                          "TMP=" + temp,
                                          "windir=" + folder};
    addSystemFolders(variables, folder.substr(0, 2));
    // Sorted by name without case, as the system keeps a block.
    const auto nameOf = [](const std::string& variable) {
        std::string name = variable.substr(0, variable.find('='));
        for (char& c : name)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return name;
    };
    std::sort(variables.begin(), variables.end(),
              [&](const std::string& a, const std::string& b) { return nameOf(a) < nameOf(b); });
    std::string block;
    for (const std::string& variable : variables)
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
    const std::string temp = programTempFolder();
    options.environment = temp.empty() ? std::string() : systemEnvironment(temp);
    if (options.environment.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return ERROR_PATH_NOT_FOUND;
    }
    const win32::Process started = win32::startProcess(program, commandLine, options);
    const DWORD error = GetLastError();
    if (started && record_.noWait == 0) {
        WaitForSingleObject(started.handle.get(), INFINITE);
        RemoveDirectoryA(temp.c_str()); // when the program left nothing there
    }
    SetLastError(error);
    return error;
}
