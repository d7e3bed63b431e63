// Run once, serially, before the tests: the first Windows program on a new machine builds
// Wine's font and library caches, which can take longer than any test's own time-out.
#include "win32/Gdi.h"
#include "win32/Handles.h"

#include <windows.h>

#include <initializer_list>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    for (const char* library : {"comctl32.dll", "riched20.dll", "msftedit.dll", "ole32.dll"})
        win32::Library(LoadLibraryA(library)).reset();
    const HWND window = CreateWindowExA(0, "STATIC", "warm-up", WS_POPUP, 0, 0, 200, 50, nullptr,
                                        nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    if (const win32::WindowDc dc{window}) {
        NONCLIENTMETRICSA metrics = {};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        if (const win32::Gdi<HFONT> font{CreateFontIndirectA(&metrics.lfMessageFont)}) {
            const win32::Selection chosen(dc.dc(), font.get());
            RECT area = {0, 0, 200, 50};
            DrawTextA(dc.dc(), "Aa", -1, &area, DT_CALCRECT);
        }
    }
    DestroyWindow(window);
    return 0;
}
