#include "PreUninstallProgram.h"

#include "PathRules.h"
#include "ProgramEnvironment.h"
#include "base/SystemLibrary.h"
#include "setuplog/PathJoin.h"
#include "win32/Handles.h"
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

// The folder the uninstaller runs from: its private folder, which only administrators may
// change. Empty when it cannot be told.
std::string ownFolder() {
    char module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string folder(module, length);
    const std::size_t last = folder.find_last_of('\\');
    return last == std::string::npos ? std::string() : folder.substr(0, last);
}

// A temporary folder for the program inside the uninstaller's own folder, which only
// administrators may change (the Windows folder's Temp lets every user create files: one could
// swap what the program unpacks there before it runs it). Empty when it cannot be made.
std::string programTempFolder() {
    const std::string own = ownFolder();
    if (own.empty())
        return std::string();
    const std::string folder = own + "\\Temp";
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return std::string();
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return std::string();
    return folder;
}

std::wstring wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        &result[0], length);
    return result;
}

bool endsWith(const std::string& text, const char* tail) {
    const std::size_t length = std::char_traits<char>::length(tail);
    if (text.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[text.size() - length + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != tail[i])
            return false;
    }
    return true;
}

} // namespace

PreUninstallProgram::Start PreUninstallProgram::start(const std::string& program) const {
    const std::string arguments = record_.arguments.empty() ? "" : " " + record_.arguments;
    // cmd runs the account's AutoRun command (HKCU, which its unelevated programs write) unless
    // told /D: code of theirs, run with our rights.
    if (endsWith(program, "\\cmd.exe"))
        return {program, win32::quoted(program) + " /D" + arguments};
    if (!endsWith(program, ".bat") && !endsWith(program, ".cmd"))
        return {program, win32::quoted(program) + arguments};
    // The system's own command processor, named by the system, never by ComSpec or PATH; the
    // outer quotes are the ones /C takes away.
    const std::string system = systemDirectory();
    const std::string processor = system.empty() ? std::string() : system + "\\cmd.exe";
    return {processor,
            win32::quoted(processor) + " /D /C \"" + win32::quoted(program) + arguments + "\""};
}

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
    held = holdTrustedCode(program, trusted_);
    // Not held is never run, so it is never reported as started either.
    if (!held)
        return held.why.empty() ? std::string("it cannot be opened") : held.why;
    // A program looks for its libraries in the folder it starts in, too, and a script for the
    // programs it names.
    const std::string folder = startFolder();
    const std::string why =
        folder.empty() ? std::string("it cannot be found") : whyFolderIsExposed(folder, trusted_);
    return why.empty() ? why : why + ": the folder it starts in";
}

std::string PreUninstallProgram::startFolder() const {
    return record_.workingDirectory.empty() ? ownFolder() : record_.workingDirectory;
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
    const Start how = start(program);
    if (how.program.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return ERROR_PATH_NOT_FOUND;
    }
    win32::StartOptions options;
    options.show = static_cast<int>(record_.showWindow & 0xFFFF);
    options.directory = startFolder();
    const std::string temp = programTempFolder();
    options.wideEnvironment = temp.empty() ? std::wstring() : programEnvironment(wide(temp));
    if (options.wideEnvironment.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return ERROR_PATH_NOT_FOUND;
    }
    const win32::Process started = win32::startProcess(how.program, how.commandLine, options);
    const DWORD error = GetLastError();
    if (started && record_.noWait == 0) {
        WaitForSingleObject(started.handle.get(), INFINITE);
        RemoveDirectoryA(temp.c_str()); // when the program left nothing there
    }
    SetLastError(error);
    return error;
}
