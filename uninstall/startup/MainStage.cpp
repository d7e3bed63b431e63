#include "MainStage.h"

#include "AppException.h"
#include "MessageCatalogue.h"
#include "PrivateFolderName.h"
#include "ProcessValues.h"
#include "UninstallWindow.h"
#include "engine/RestartRemoval.h"
#include "ui/HeldException.h"
#include "ui/MessageLoop.h"
#include "ui/ResourceIds.h"
#include "ui/WindowClass.h"
#include "win32/ComSession.h"
#include "win32/LibrarySearch.h"
#include "win32/ScopedHandle.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace {

// The progress bar's class, from the common controls of the system directory.
void initCommonControls() {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    const HMODULE controls = LoadLibraryA((std::string(path) + "\\comctl32.dll").c_str());
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = controls == nullptr ? nullptr
                                          : reinterpret_cast<Init>(reinterpret_cast<void*>(
                                                GetProcAddress(controls, "InitCommonControlsEx")));
    if (init != nullptr) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
        init(&classes);
    }
}

void outOfMemory() {
    throw WinException(GetLastError(), "Out of memory");
}

// Copies are started from the temporary directory; only position 0 is never a separator.
std::string directoryOfCopy(const std::string& copyPath) {
    const std::size_t last = copyPath.rfind('\\');
    return last == std::string::npos || last == 0 ? copyPath : copyPath.substr(0, last);
}

// The temporary copy goes at the next restart, whatever happened, and on the NT family its
// private folder after it. Only a copy that the relay made and checked: a main stage started by
// hand must never schedule the real program file.
void scheduleCopyRemoval(const std::string& copy) {
    char temporary[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temporary);
    if (length == 0 || length >= MAX_PATH || !liesInPrivateFolder(copy, temporary))
        return;
    if (MoveFileExA(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        MoveFileExA(directoryOfCopy(copy).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    else
        addWinInitRename(copy);
}

void report(const char* text) {
    MessageBoxA(nullptr, text, "Exception", MB_OK | MB_ICONWARNING);
}

// Everything from COM to the end of the message loop; returns the exit code.
int runWindow(HINSTANCE instance) {
    const ComSession com;
    const auto large =
        static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_UNINSTALL), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    const auto small = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_UNINSTALL),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), 0));
    WindowClass(CS_HREDRAW | CS_VREDRAW, windowClassName, LoadCursorA(nullptr, IDC_ARROW),
                reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1), instance, large, small)
        .registerClass();

    const auto window = std::make_unique<UninstallWindow>();
    mainWindow = window.get();
    const std::string caption = messageText(1001);
    if (!window->createTopLevel(0, windowClassName, caption.c_str(), 0, 0, 200, 46,
                                LoadMenuA(instance, MAKEINTRESOURCEA(IDM_MAIN)), instance)) {
        const DWORD error = GetLastError();
        rethrowHeldException();
        throw WinException(error, "Can't create application window");
    }
    PostMessageA(window->handle(), MSG_CONFIRM, 0, 0);

    // The window object outlives the loop, so mainWindow is cleared on every way out of it.
    struct ClearMainWindow {
        ~ClearMainWindow() { mainWindow = nullptr; }
    } const clear;
    const int quit = runMessageLoop();
    return quit == -1 || window->failed() ? -1 : quit;
}

} // namespace

int runMainStage(char** arguments, HINSTANCE instance) {
    restrictLibrarySearch();
    // Until the relay has ended, the program file the user started is still in use.
    {
        const auto relay = static_cast<std::intptr_t>(std::atoi(arguments[1]));
        const ScopedHandle relayProcess(reinterpret_cast<HANDLE>(relay));
        WaitForSingleObject(relayProcess.get(), INFINITE);
    }
    const std::string copy = arguments[0];
    SetCurrentDirectoryA(directoryOfCopy(copy).c_str());
    setApplicationDirectory(arguments[3]);
    instanceHandle = instance;
    std::set_new_handler(outOfMemory);
    initCommonControls();

    int result = -1;
    try {
        result = runWindow(instance);
    } catch (const AppException& failure) {
        if (failure.kind == WinException::kKind) {
            const auto& error = static_cast<const WinException&>(failure);
            char text[512];
            std::snprintf(text, sizeof text, "%s, Error %d", error.text,
                          static_cast<int>(error.code));
            report(text);
        } else if (failure.kind == ModelException::kKind) {
            report("Model Exception");
        }
        result = -1;
    } catch (...) {
        report("Unknown");
        result = -1;
    }
    scheduleCopyRemoval(copy);
    return result;
}
