#include "DialogDriver.h"

#include "ScreenCapture.h"
#include "WindowFinder.h"

namespace driver {

HWND dialogNamed(const std::string& caption, DWORD timeoutMs, const std::string& programFolder) {
    HWND dialog = nullptr;
    eventually(
        [&] {
            dialog = programFolder.empty() ? FindWindowA("#32770", caption.c_str())
                                           : findDialogOfProgramIn(programFolder, caption);
            return dialog != nullptr;
        },
        timeoutMs);
    return dialog;
}

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string controlText(HWND control) {
    char buffer[4096] = {};
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                        SMTO_NORMAL, 5000, nullptr);
    return buffer;
}

win32::Handle processOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return win32::Handle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id));
}

bool saveWindowImage(HWND window, const std::string& path) {
    Sleep(400);
    RECT bounds = {};
    GetWindowRect(window, &bounds);
    return saveScreenArea(bounds, path);
}

} // namespace driver
