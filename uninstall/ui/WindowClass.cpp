#include "WindowClass.h"

#include "Window.h"
#include "base/AppException.h"

WindowClass::WindowClass(UINT style, const char* className, HCURSOR cursor, HBRUSH background,
                         HINSTANCE instance, HICON largeIcon, HICON smallIcon)
    : record_() {
    record_.cbSize = sizeof record_;
    record_.style = style;
    record_.lpfnWndProc = windowProcedure;
    record_.cbClsExtra = 0;
    record_.cbWndExtra = 0;
    record_.hInstance = instance;
    record_.hIcon = largeIcon;
    record_.hCursor = cursor;
    record_.hbrBackground = background;
    record_.lpszMenuName = nullptr;
    record_.lpszClassName = className;
    record_.hIconSm = smallIcon;
}

void WindowClass::registerClass() const {
    if (RegisterClassExA(&record_) == 0)
        throw WinException(GetLastError(), "RegisterClassEx");
}
