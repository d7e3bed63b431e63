// A program of the product that ignores WM_CLOSE, as a hung or careless one does. It ends by
// itself after a minute, so that no test leaves it behind for long. A Unicode window, so that a
// test may retitle it in any script.
#include <windows.h>

namespace {

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE)
        return 0;
    if (message == WM_TIMER)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"Stubborn";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowW(L"Stubborn", L"Stubborn", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                      0, 200, 100, nullptr, nullptr, instance, nullptr);
    SetTimer(window, 1, 60000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
