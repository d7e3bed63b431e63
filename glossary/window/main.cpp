#include "GlossaryWindow.h"
#include "win32/Com.h"
#include "win32/Handles.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // One optional argument: the database to read ("Open with" passes the file).
    std::wstring database;
    int count = 0;
    const win32::LocalMemory<wchar_t**> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    if (arguments && count > 1)
        database = arguments.get()[1]; // an empty one names nothing
    // The controls' accessible objects go to other processes through COM.
    const win32::ComApartment com;
    const HWND window = GlossaryWindow::create(instance, show, database);
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
