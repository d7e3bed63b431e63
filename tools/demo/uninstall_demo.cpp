// Installs the sample product that samples/Setup.log describes into the Wine prefix, runs the
// uninstaller on it and tells what was removed, kept and scheduled for the next restart.
//   uninstall_demo <Setup.log> <folder for screenshots> [--interactive]
//   uninstall_demo --installed <Setup.log of an installation> <folder for screenshots>
//   [--interactive] uninstall_demo --setup <setup.exe> <folder for screenshots> [--interactive]
// Without --interactive it answers the dialogs itself (Yes, Yes for shared files, Details,
// OK) and saves a screenshot of each dialog.
#include "driver/DialogDriver.h"
#include "driver/ProductInstall.h"
#include "setuplog/SetupLog.h"
#include "ui/ResourceIds.h"
#include "win32/Process.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace driver;

constexpr DWORD kTimeoutMs = 120000;

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void screenshot(HWND window, const std::string& path) {
    saveWindowImage(window, path);
}

void answerDialogs(const std::string& shots, const std::string& confirmCaption,
                   const std::string& progressCaption, const std::string& detailsCaption,
                   bool sharedFiles) {
    if (const HWND confirm = dialogNamed(confirmCaption, kTimeoutMs)) {
        screenshot(confirm, shots + "\\confirm.bmp");
        press(confirm, IDC_ANSWER_YES);
    }
    if (const HWND shared = sharedFiles ? dialogNamed("Remove Shared File?", 15000) : nullptr) {
        screenshot(shared, shots + "\\shared-file.bmp");
        press(shared, IDC_ANSWER_YES);
    }
    const HWND progress = dialogNamed(progressCaption, kTimeoutMs);
    if (progress == nullptr)
        return;
    const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
    while (!IsWindowEnabled(GetDlgItem(progress, IDC_OK)) && GetTickCount64() < deadline)
        Sleep(100);
    screenshot(progress, shots + "\\progress.bmp");
    if (IsWindowEnabled(GetDlgItem(progress, IDC_DETAILS))) {
        press(progress, IDC_DETAILS);
        if (const HWND details = dialogNamed(detailsCaption, 15000)) {
            screenshot(details, shots + "\\details.bmp");
            press(details, IDOK);
            Sleep(300);
        }
    }
    press(progress, IDC_OK);
}

} // namespace

// Starts the program without waiting for it; its process, or nothing.
win32::Handle start(const std::string& program) {
    return win32::startProcess(program, win32::quoted(program)).handle;
}

// Installs the product with setup.exe through its dialog: the default folder, Install, OK.
int runSetup(const std::string& setup, const std::string& shots, bool interactive) {
    const win32::Handle process = start(setup);
    if (!process.valid())
        return 1;
    if (!interactive) {
        const HWND dialog = dialogNamed("Technical Glossary Setup", kTimeoutMs);
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
        const std::string binaries = self;
        installFromSetupLog(log, bytes, binaries.substr(0, binaries.rfind('\\')));
        std::printf("Installed the sample product into %s\n", app.c_str());
    }

    const win32::Handle relay = start(app + "\\uninstall.exe");
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
    const win32::Handle copy(OpenProcess(SYNCHRONIZE, FALSE, copyId));
    WaitForSingleObject(copy.get(), interactive ? INFINITE : kTimeoutMs);

    std::printf("\nRemoved and kept:\n");
    for (const char* section : {"SHAREDFILES", "STDFILES", "APPFILES"})
        for (const std::string& file : entries(log, section))
            std::printf("  %-8s %s%s\n", exists(file) ? "kept" : "removed", file.c_str(),
                        sharedUseCount(file) >= 0
                            ? (" (use count " + std::to_string(sharedUseCount(file)) + ")").c_str()
                            : "");
    for (const char* section : {"APPFOLDERS", "APPDIR"})
        for (const std::string& folder : entries(log, section))
            std::printf("  %-8s %s\n", exists(folder) ? "kept" : "removed", folder.c_str());
    for (const std::string& record : entries(log, "REGENTRY")) {
        std::string path;
        const HKEY root = recordRoot(record, path);
        win32::Key key;
        const bool present = root != nullptr && RegOpenKeyExA(root, path.c_str(), 0, KEY_READ,
                                                              key.receive()) == ERROR_SUCCESS;
        std::printf("  %-8s registry key %s\n", present ? "kept" : "removed", record.c_str());
    }
    std::printf("\nScheduled for the next restart:\n");
    win32::Key session;
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
