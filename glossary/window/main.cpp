#include "GlossaryWindow.h"
#include "RunningGlossary.h"
#include "win32/Com.h"
#include "win32/Handles.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // A database ("Open with" passes the file), a word, or both.
    int count = 0;
    const win32::LocalMemory<wchar_t**> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> given;
    for (int i = 1; arguments && i < count; ++i)
        given.emplace_back(arguments.get()[i]);
    StartArguments start = readStartArguments(given, [](const std::wstring& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    });
    // A name relative to this start's folder, which the running window does not share.
    wchar_t full[MAX_PATH] = {};
    const DWORD length = start.database.empty()
                             ? 0
                             : GetFullPathNameW(start.database.c_str(), MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH)
        start.database = full;
    // One window a session: a start while it runs hands it the database and word.
    const RunningGlossary running;
    // At log-on, the icon of a glossary already running serves.
    if (start.tray && running.another())
        return 0;
    if (!start.newWindow && running.handOver(start))
        return 0;
    // The controls' accessible objects go to other processes through COM.
    const win32::ComApartment com;
    const HWND window = GlossaryWindow::create(instance, show, start);
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
