// Run once, serially, before the tests: the first Windows program on a new machine builds
// Wine's font and library caches, which can take longer than any test's own time-out.
#include <windows.h>

#include <initializer_list>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    for (const char* library : {"comctl32.dll", "riched20.dll", "msftedit.dll", "ole32.dll"}) {
        if (const HMODULE module = LoadLibraryA(library))
            FreeLibrary(module);
    }
    const HWND window = CreateWindowExA(0, "STATIC", "warm-up", WS_POPUP, 0, 0, 200, 50, nullptr,
                                        nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    if (const HDC dc = GetDC(window)) {
        NONCLIENTMETRICSA metrics = {};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        if (const HFONT font = CreateFontIndirectA(&metrics.lfMessageFont)) {
            const HGDIOBJ old = SelectObject(dc, font);
            RECT area = {0, 0, 200, 50};
            DrawTextA(dc, "Aa", -1, &area, DT_CALCRECT);
            SelectObject(dc, old);
            DeleteObject(font);
        }
        ReleaseDC(window, dc);
    }
    DestroyWindow(window);
    return 0;
}
