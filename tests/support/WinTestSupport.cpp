#include "WinTestSupport.h"

#include "win32/LabelProbe.h"

#include "driver/WindowFinder.h"

#include "win32/Handles.h"
#include "win32/Process.h"

#include <sddl.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace testsupport {

namespace {

std::string tempRoot() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    std::string root(buffer, length);
    if (!root.empty() && root.back() == '\\')
        root.pop_back();
    return root;
}

// Wine's own export that maps a Windows path to the Unix one; absent on Windows.
std::string unixPath(const std::string& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr)
        return std::string();
    std::wstring wide(path.begin(), path.end());
    char* mapped = toUnix(wide.c_str());
    if (mapped == nullptr)
        return std::string();
    std::string result = mapped;
    HeapFree(GetProcessHeap(), 0, mapped);
    return result;
}

} // namespace

TempDirectory::TempDirectory(const std::string& name) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path_ = tempRoot() + "\\" + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr))
            return;
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDirectory::~TempDirectory() {
    removeTree(path_);
}

EnvironmentOverride::EnvironmentOverride(std::string name, const std::string& value)
    : name_(std::move(name)) {
    char buffer[32768];
    const DWORD length = GetEnvironmentVariableA(name_.c_str(), buffer, sizeof buffer);
    hadOld_ = length > 0 && length < sizeof buffer;
    if (hadOld_)
        old_.assign(buffer, length);
    SetEnvironmentVariableA(name_.c_str(), value.c_str());
}

EnvironmentOverride::~EnvironmentOverride() {
    SetEnvironmentVariableA(name_.c_str(), hadOld_ ? old_.c_str() : nullptr);
}

namespace {

// Every RECORDER_ variable of the environment, where the recorder looks when it has none.
void writeRecorderSettings() {
    char windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    const std::string path = std::string(windows) + "\\Temp\\recorder-settings.txt";
    std::string settings;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* variable = block; *variable != '\0';
             variable += std::string(variable).size() + 1) {
            if (std::string(variable).compare(0, 9, "RECORDER_") == 0)
                settings += std::string(variable) + "\n";
        }
        FreeEnvironmentStringsA(block);
    }
    if (settings.empty())
        DeleteFileA(path.c_str());
    else
        writeFile(path, settings);
}

} // namespace

RecorderSetting::RecorderSetting(std::string name, const std::string& value) {
    variable_.emplace(std::move(name), value);
    writeRecorderSettings();
}

RecorderSetting::~RecorderSetting() {
    variable_.reset();
    writeRecorderSettings();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void addLogEntry(const std::string& log, const std::string& section, const std::string& entry) {
    std::string text = readFile(log);
    const std::string header = "[" + section + "]\r\n";
    const std::size_t at = text.find(header);
    if (at == std::string::npos)
        text += header + entry + "\r\n";
    else
        text.insert(at + header.size(), entry + "\r\n");
    writeFile(log, text);
}

ProductProgram::~ProductProgram() {
    if (running()) {
        TerminateProcess(process.handle.get(), 1);
        WaitForSingleObject(process.handle.get(), 10000);
    }
    // What the glossary remembers would show in other tests' snapshots of the registry.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Technical Glossary");
}

bool ProductProgram::running() const {
    return process && WaitForSingleObject(process.handle.get(), 0) == WAIT_TIMEOUT;
}

ProductProgram startProductProgram(const std::string& folder, const std::string& name,
                                   const std::string& title, DWORD timeoutMs) {
    std::vector<std::string> files = {name};
    if (name == "glossary.exe")
        files.push_back("Dict.mdb");
    for (const std::string& file : files) {
        CopyFileA((binaryDirectory() + "\\" + file).c_str(), (folder + "\\" + file).c_str(), FALSE);
        addLogEntry(folder + "\\Setup.log", "APPFILES", folder + "\\" + file);
    }
    win32::StartOptions options;
    options.directory = folder;
    ProductProgram program;
    program.process =
        win32::startProcess(folder + "\\" + name, win32::quoted(folder + "\\" + name), options);
    program.shown =
        program.process && driver::waitForWindow(program.process.id, title, timeoutMs) != nullptr;
    return program;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    const win32::FindHandle search(FindFirstFileA((path + "\\*").c_str(), &found));
    if (search) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search.get(), &found));
    }
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> filesMatching(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const win32::FindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (!search)
        return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search.get(), &found));
    return names;
}

std::string binaryDirectory() {
    char buffer[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path = buffer;
    return path.substr(0, path.rfind('\\'));
}

std::string uninstallCopyRoot() {
    char path[MAX_PATH] = {};
    win32::Handle token;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()) &&
        GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated) {
        GetWindowsDirectoryA(path, MAX_PATH);
        return std::string(path) + "\\Temp";
    }
    GetTempPathA(MAX_PATH, path);
    std::string temporary = path;
    while (!temporary.empty() && temporary.back() == '\\')
        temporary.pop_back();
    return temporary;
}

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, wide.data(), wideLength);
    int count = 0;
    const win32::LocalMemory<LPWSTR*> arguments(CommandLineToArgvW(wide.c_str(), &count));
    std::vector<std::string> result;
    for (int i = 0; arguments && i < count; ++i) {
        char narrow[4096] = {};
        WideCharToMultiByte(CP_ACP, 0, arguments.get()[i], -1, narrow, sizeof narrow, nullptr,
                            nullptr);
        result.push_back(narrow);
    }
    return result;
}

bool allowEveryone(const std::string& folder) {
    PSECURITY_DESCRIPTOR everyone = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)",
                                                              SDDL_REVISION_1, &everyone, nullptr))
        return false;
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(everyone);
    return SetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, everyone) != FALSE;
}

bool makeLink(const std::string& target, const std::string& link) {
    const DWORD targetAttributes = GetFileAttributesA(target.c_str());
    const std::size_t slash = link.rfind('\\');
    const std::string unixTarget = unixPath(target);
    const std::string unixParent =
        slash == std::string::npos ? "" : unixPath(link.substr(0, slash));
    if (!unixTarget.empty() && !unixParent.empty()) {
        const std::string commandLine = "ln -s " + win32::quoted(unixTarget) + " " +
                                        win32::quoted(unixParent + "/" + link.substr(slash + 1));
        // Wine starts a native program without a process handle to wait on: the wait is for
        // the link itself.
        win32::startProcess("Z:\\bin\\ln", commandLine);
        for (int waited = 0;
             waited < 10000 && GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES;
             waited += 20)
            Sleep(20);
    } else {
        const DWORD flags =
            (targetAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
        CreateSymbolicLinkA(link.c_str(), target.c_str(), flags);
    }
    // A link shows its target's attributes, and may add the reparse-point one.
    const DWORD linkAttributes = GetFileAttributesA(link.c_str());
    return targetAttributes != INVALID_FILE_ATTRIBUTES &&
           linkAttributes != INVALID_FILE_ATTRIBUTES &&
           (linkAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT)) ==
               (targetAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
}

win32::RunningAccount productAccount() {
    return win32::runningAccount(win32::systemKeepsLabels());
}

win32::RunningAccount strictAccount() {
    return win32::RunningAccount(win32::processUserSid(), true);
}

namespace {

template <class Text>
DWORD runWithPipe(const Text& commandLine, std::string& error, DWORD timeoutMs) {
    win32::Handle reader, writer;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    if (!CreatePipe(reader.receive(), writer.receive(), &inherited, 0) ||
        !SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0))
        return STILL_ACTIVE;
    win32::StartOptions options;
    options.inheritHandles = true;
    options.error = writer.get();
    const win32::Process started = win32::startProcess(Text(), commandLine, options);
    writer.reset();
    if (!started)
        return STILL_ACTIVE;
    DWORD exitCode = STILL_ACTIVE;
    if (!win32::waitForExit(started.handle.get(), timeoutMs, exitCode))
        TerminateProcess(started.handle.get(), 1);
    // A child it left running may still hold the pipe: what is there is read, for at most 2 s
    // more, and the pipe's end (all writers gone) ends the read at once.
    const ULONGLONG deadline = GetTickCount64() + 2000;
    char buffer[4096];
    for (;;) {
        DWORD available = 0, read = 0;
        if (!PeekNamedPipe(reader.get(), nullptr, 0, nullptr, &available, nullptr))
            break;
        if (available > 0 && ReadFile(reader.get(), buffer, sizeof buffer, &read, nullptr)) {
            error.append(buffer, read);
            continue;
        }
        if (GetTickCount64() >= deadline)
            break;
        Sleep(20);
    }
    return exitCode;
}

} // namespace

DWORD runWithStandardError(const std::string& commandLine, std::string& error, DWORD timeoutMs) {
    return runWithPipe(commandLine, error, timeoutMs);
}

DWORD runWithStandardError(const std::wstring& commandLine, std::string& error, DWORD timeoutMs) {
    return runWithPipe(commandLine, error, timeoutMs);
}

bool asOrdinaryUser(const std::function<void()>& act) {
    bool ran = false;
    std::thread thread([&] {
        HANDLE own = nullptr, restricted = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own))
            return;
        const win32::Handle token(own);
        std::vector<BYTE> administrators = win32::wellKnownSid(WinBuiltinAdministratorsSid);
        SID_AND_ATTRIBUTES disabled = {administrators.data(), 0};
        if (administrators.empty() ||
            !CreateRestrictedToken(token.get(), DISABLE_MAX_PRIVILEGE, 1, &disabled, 0, nullptr, 0,
                                   nullptr, &restricted))
            return;
        const win32::Handle user(restricted);
        if (!ImpersonateLoggedOnUser(user.get()))
            return;
        act();
        RevertToSelf();
        ran = true;
    });
    thread.join();
    return ran;
}

} // namespace testsupport
