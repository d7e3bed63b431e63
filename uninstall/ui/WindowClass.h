#pragma once

#include <windows.h>

// The description of one window class; its procedure is always the framework's.
class WindowClass {
public:
    WindowClass(UINT style, const char* className, HCURSOR cursor, HBRUSH background,
                HINSTANCE instance, HICON largeIcon, HICON smallIcon);

    // Throws WinException("RegisterClassEx") with the system error code on failure.
    void registerClass() const;

private:
    WNDCLASSEXA record_;
};
