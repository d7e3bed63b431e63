// Installs the sample product that samples/Setup.log describes into the Wine prefix, runs the
// uninstaller on it and tells what was removed, kept and scheduled for the next restart.
//   uninstall_demo <Setup.log> <folder for screenshots> [--interactive]
//   uninstall_demo --installed <Setup.log of an installation> <folder for screenshots>
//   [--interactive] uninstall_demo --setup <setup.exe> <folder for screenshots> [--interactive]
// Without --interactive it answers the dialogs itself (Yes, Yes for shared files, Details,
// OK) and saves a screenshot of each dialog.
#include "setuplog/SetupLog.h"
#include "win32/ScopedHandle.h"
#include "win32/ScopedKey.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 120000;
const char kSharedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::vector<std::string> entries(const SetupLog& log, const char* section) {
    std::vector<std::string> all;
    std::string entry;
    for (int i = 0; log.entry(entry, section, i); ++i)
        all.push_back(entry);
    return all;
}

std::string directoryOf(const std::string& path) {
    return path.substr(0, path.rfind('\\'));
}

void makeDirectories(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

void writeFile(const std::string& path, const std::string& text) {
    makeDirectories(directoryOf(path));
    std::ofstream(path, std::ios::binary) << text;
}

HKEY rootNamed(const std::string& name) {
    return name == "HKCU"   ? HKEY_CURRENT_USER
           : name == "HKLM" ? HKEY_LOCAL_MACHINE
           : name == "HKU"  ? HKEY_USERS
                            : HKEY_CLASSES_ROOT;
}

std::vector<std::string> fields(const std::string& record) {
    std::vector<std::string> out(1);
    for (char c : record) {
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

void setCount(const std::string& file, DWORD count) {
    ScopedKey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key.receive(), nullptr);
    RegSetValueExA(key.get(), file.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                   sizeof count);
}

int countOf(const std::string& file) {
    ScopedKey key;
    DWORD count = 0, size = sizeof count;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedKey, 0, KEY_READ, key.receive()) !=
            ERROR_SUCCESS ||
        RegQueryValueExA(key.get(), file.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&count),
                         &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(count);
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void install(const SetupLog& log, const std::string& logBytes, const std::string& binaries) {
    const std::string app = entries(log, "APPDIR").at(0);
    makeDirectories(app);
    for (const std::string& file : entries(log, "APPFILES"))
        writeFile(file, "installed by the demonstration\r\n");
    CopyFileA((binaries + "\\uninstall.exe").c_str(), (app + "\\uninstall.exe").c_str(), FALSE);
    CopyFileA((binaries + "\\glossary.exe").c_str(), (app + "\\glossary.exe").c_str(), FALSE);
    CopyFileA((binaries + "\\Dict.mdb").c_str(), (app + "\\Dict.mdb").c_str(), FALSE);
    writeFile(app + "\\Setup.log", logBytes);
    for (const std::string& folder : entries(log, "APPFOLDERS"))
        makeDirectories(folder);
    // Something the user put there after the installation: the folder cannot go.
    writeFile(entries(log, "APPFOLDERS").at(0) + "\\My notes.txt", "mine\r\n");
    DWORD uses = 1;
    for (const char* section : {"SHAREDFILES", "STDFILES"}) {
        for (const std::string& file : entries(log, section)) {
            writeFile(file, "shared\r\n");
            setCount(file, uses++); // the first is used by this product alone, the next by two
        }
    }
    for (const std::string& record : entries(log, "REGENTRY")) {
        const auto f = fields(record);
        ScopedKey key;
        RegCreateKeyExA(rootNamed(f[0]), f[1].c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.receive(), nullptr);
    }
    for (const std::string& record : entries(log, "REGVALUES")) {
        const auto f = fields(record);
        ScopedKey key;
        RegCreateKeyExA(rootNamed(f[0]), f[1].c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.receive(), nullptr);
        RegSetValueExA(key.get(), f.size() > 2 ? f[2].c_str() : "", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>("x"), 2);
    }
}

HWND dialogNamed(const std::string& caption, DWORD timeoutMs = kTimeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        if (const HWND dialog = FindWindowA("#32770", caption.c_str()))
            return dialog;
        Sleep(100);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

void screenshot(HWND window, const std::string& path) {
    Sleep(400); // let it paint
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info = {sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::string pixels(
        static_cast<std::size_t>((width * 3 + 3) & ~3) * static_cast<std::size_t>(height), '\0');
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), &pixels[0],
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof info};
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out << pixels;
}

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void answerDialogs(const std::string& shots, const std::string& confirmCaption,
                   const std::string& progressCaption, const std::string& detailsCaption,
                   bool sharedFiles) {
    if (const HWND confirm = dialogNamed(confirmCaption)) {
        screenshot(confirm, shots + "\\confirm.bmp");
        press(confirm, 1059);
    }
    if (const HWND shared = sharedFiles ? dialogNamed("Remove Shared File?", 15000) : nullptr) {
        screenshot(shared, shots + "\\shared-file.bmp");
        press(shared, 1059);
    }
    const HWND progress = dialogNamed(progressCaption);
    if (progress == nullptr)
        return;
    const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
    while (!IsWindowEnabled(GetDlgItem(progress, 1047)) && GetTickCount64() < deadline)
        Sleep(100);
    screenshot(progress, shots + "\\progress.bmp");
    if (IsWindowEnabled(GetDlgItem(progress, 1003))) {
        press(progress, 1003);
        if (const HWND details = dialogNamed(detailsCaption, 15000)) {
            screenshot(details, shots + "\\details.bmp");
            press(details, IDOK);
            Sleep(300);
        }
    }
    press(progress, 1047);
}

} // namespace

// Starts the program without waiting for it; its process, or nothing.
ScopedHandle start(const std::string& program) {
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return ScopedHandle();
    CloseHandle(started.hThread);
    return ScopedHandle(started.hProcess);
}

// Installs the product with setup.exe through its dialog: the default folder, Install, OK.
int runSetup(const std::string& setup, const std::string& shots, bool interactive) {
    const ScopedHandle process = start(setup);
    if (!process.valid())
        return 1;
    if (!interactive) {
        const HWND dialog = dialogNamed("Technical Glossary Setup");
        if (dialog == nullptr)
            return 1;
        screenshot(dialog, shots + "\\setup.bmp");
        press(dialog, IDOK);
        const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
        HWND done = nullptr;
        while (GetTickCount64() < deadline &&
               ((done = FindWindowA("#32770", "Technical Glossary Setup")) == nullptr ||
                done == dialog))
            Sleep(100);
        if (done != nullptr && done != dialog) {
            screenshot(done, shots + "\\setup-done.bmp");
            PostMessageA(done, WM_COMMAND, IDOK, 0);
        }
    }
    WaitForSingleObject(process.get(), interactive ? INFINITE : kTimeoutMs);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    std::printf("setup.exe ended with exit code %lu\n", exitCode);
    return static_cast<int>(exitCode);
}

int main(int argc, char** argv) {
    if (argc > 3 && std::string(argv[1]) == "--setup")
        return runSetup(argv[2], argv[3], argc > 4 && std::string(argv[4]) == "--interactive");
    // --installed: the product is there already (setup.exe put it there), with this log.
    const bool installed = argc > 1 && std::string(argv[1]) == "--installed";
    if (installed) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: uninstall_demo [--installed] <Setup.log> <screenshot folder> "
                             "[--interactive]\n");
        return 2;
    }
    const bool interactive = argc > 3 && std::string(argv[3]) == "--interactive";
    // Read and closed at once: the uninstaller deletes this very file.
    const std::string bytes = [&] {
        std::ifstream in(argv[1], std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }();
    const SetupLog log = SetupLog::fromBytes(bytes);
    const std::string app = entries(log, "APPDIR").at(0);
    if (!installed) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        install(log, bytes, directoryOf(self));
        std::printf("Installed the sample product into %s\n", app.c_str());
    }

    const ScopedHandle relay = start(app + "\\uninstall.exe");
    if (!relay.valid())
        return 1;
    WaitForSingleObject(relay.get(), kTimeoutMs);

    std::string confirm, progress, details;
    log.value(confirm, "COMMON", "1101", "", true);
    log.value(progress, "COMMON", "1201", "", true);
    log.value(details, "COMMON", "1400", "", true);
    // The copy's window carries the caption 1001 until the end.
    std::string caption;
    log.value(caption, "COMMON", "1001", "", true);
    if (!interactive)
        answerDialogs(argv[2], confirm, progress, details, !entries(log, "SHAREDFILES").empty());
    const HWND main = FindWindowA("Setupwerk", nullptr);
    DWORD copyId = 0;
    if (main != nullptr)
        GetWindowThreadProcessId(main, &copyId);
    const ScopedHandle copy(OpenProcess(SYNCHRONIZE, FALSE, copyId));
    WaitForSingleObject(copy.get(), interactive ? INFINITE : kTimeoutMs);

    std::printf("\nRemoved and kept:\n");
    for (const char* section : {"SHAREDFILES", "STDFILES", "APPFILES"})
        for (const std::string& file : entries(log, section))
            std::printf("  %-8s %s%s\n", exists(file) ? "kept" : "removed", file.c_str(),
                        countOf(file) >= 0
                            ? (" (use count " + std::to_string(countOf(file)) + ")").c_str()
                            : "");
    for (const char* section : {"APPFOLDERS", "APPDIR"})
        for (const std::string& folder : entries(log, section))
            std::printf("  %-8s %s\n", exists(folder) ? "kept" : "removed", folder.c_str());
    for (const std::string& record : entries(log, "REGENTRY")) {
        const auto f = fields(record);
        ScopedKey key;
        const bool present = RegOpenKeyExA(rootNamed(f[0]), f[1].c_str(), 0, KEY_READ,
                                           key.receive()) == ERROR_SUCCESS;
        std::printf("  %-8s registry key %s\n", present ? "kept" : "removed", record.c_str());
    }
    std::printf("\nScheduled for the next restart:\n");
    ScopedKey session;
    char pending[8192] = {};
    DWORD size = sizeof pending;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, session.receive()) == ERROR_SUCCESS &&
        RegQueryValueExA(session.get(), "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(pending), &size) == ERROR_SUCCESS) {
        for (DWORD at = 0; at < size && pending[at] != 0;) {
            const std::string source = pending + at;
            at += static_cast<DWORD>(source.size()) + 1;
            const std::string target = at < size ? pending + at : "";
            at += static_cast<DWORD>(target.size()) + 1;
            std::printf("  %s %s\n", target.empty() ? "delete" : "move", source.c_str());
        }
    }
    return 0;
}
