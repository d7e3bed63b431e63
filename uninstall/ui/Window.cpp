#include "Window.h"

#include "HeldException.h"

namespace {

Window* boundTo(HWND window) {
    return reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

} // namespace

Window::~Window() {
    if (handle_ != nullptr)
        DestroyWindow(handle_);
}

void Window::onPaint() {
    PAINTSTRUCT paint;
    BeginPaint(handle_, &paint);
    EndPaint(handle_, &paint);
}

void Window::destroyWindow() {
    if (handle_ != nullptr)
        DestroyWindow(handle_);
    handle_ = nullptr;
}

bool Window::create(DWORD extendedStyle, const char* className, const char* title, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu,
                    HINSTANCE instance) {
    // The object travels as the creation parameter; the creation message binds it.
    CreateWindowExA(extendedStyle, className, title, style, x, y, width, height, parent, menu,
                    instance, this);
    return handle_ != nullptr;
}

bool Window::createTopLevel(DWORD extendedStyle, const char* className, const char* title, int x,
                            int y, int width, int height, HMENU menu, HINSTANCE instance) {
    return create(extendedStyle, className, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                  width, height, nullptr, menu, instance);
}

bool Window::createTopLevelAtDefaultPlace(DWORD extendedStyle, const char* className,
                                          const char* title, HMENU menu, HINSTANCE instance) {
    return create(extendedStyle, className, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu,
                  instance);
}

bool Window::createChild(DWORD extendedStyle, const char* className, int x, int y, int width,
                         int height, HWND parent, int childId, HINSTANCE instance) {
    return create(extendedStyle, className, "", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y,
                  width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(childId)),
                  instance);
}

bool Window::createPopup(DWORD extendedStyle, const char* className, const char* title, int x,
                         int y, int width, int height, HWND parent, HINSTANCE instance) {
    return create(extendedStyle, className, title, WS_POPUP | WS_BORDER | WS_SYSMENU | WS_DLGFRAME,
                  x, y, width, height, parent, nullptr, instance);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) try {
    Window* self = boundTo(window);
    if (message >= WM_USER) {
        if (self != nullptr)
            self->onCommand(message, lParam);
        return 0;
    }
    switch (message) {
    case WM_CREATE: {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->handle_ = window;
        if (self->onCreate())
            return 0;
        self->handle_ = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return -1;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        if (self != nullptr)
            self->handle_ = nullptr;
        return 0;
    default:
        break;
    }
    if (self == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        self->onDestroy();
        return 0;
    case WM_SIZE:
        self->onSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        self->onPaint();
        return 0;
    case WM_ERASEBKGND:
        self->onEraseBackground();
        return 1;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (self->onNotify(wParam, lParam, result))
            return result;
        break;
    }
    case WM_CONTEXTMENU:
        if (self->onContextMenu(reinterpret_cast<HWND>(wParam), static_cast<short>(LOWORD(lParam)),
                                static_cast<short>(HIWORD(lParam))))
            return 0;
        break;
    case WM_COMMAND:
        self->onCommand(LOWORD(wParam), lParam);
        return 0;
    case WM_INITMENU:
        self->onInitMenu(reinterpret_cast<HMENU>(wParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
} catch (...) {
    // The message loop throws it again once this message has been dispatched.
    holdCurrentException();
    return message == WM_CREATE ? -1 : 0;
}
