#include "GlossaryWindow.h"

#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const HWND window = GlossaryWindow::create(instance, show);
    if (window == nullptr) {
        wchar_t text[512];
        swprintf(text, 512, L"The glossary's window cannot be created (error %lu).",
                 GetLastError());
        MessageBoxW(nullptr, text, L"Technical Glossary", MB_OK | MB_ICONERROR);
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (GlossaryWindow::translateAccelerator(window, message))
            continue;
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
