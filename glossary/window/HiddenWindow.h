#pragma once

#include "win32/Handles.h"

#include <windows.h>

// A window that is never shown, for a part of the program that hears the system's news (the
// clipboard's updates, a hotkey, its timers): `owner` is handed to `procedure` through
// ownerOf. A top-level window rather than a message-only one, so that whoever watches the
// look-ups finds it as any other window of the program.
inline win32::OwnWindow createHiddenWindow(HINSTANCE instance, const wchar_t* className,
                                           WNDPROC procedure, void* owner) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass); // fails harmlessly when it is there
    return win32::OwnWindow(CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0, 0,
                                            nullptr, nullptr, instance, owner));
}

// The owner given to createHiddenWindow, as its procedure finds it; null before it is known.
template <class Owner> Owner* ownerOf(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// What a hidden window does with the messages its owner does not take. Another program
// closing every window of ours (the uninstaller) closes none of them: the main window's close
// ends the program.
inline LRESULT hiddenWindowDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE)
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}
