#pragma once

#include <windows.h>

// The one window procedure of every framework window: it finds the bound object in the
// window's user-data slot and turns messages into calls of its virtual operations.
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Base of every framework window: one object bound to one window from its creation message
// to its non-client destroy message. Messages at or above WM_USER arrive at onCommand.
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    virtual bool onCreate() { return true; }
    virtual void onDestroy() {}
    virtual void onSize(unsigned /*width*/, unsigned /*height*/) {}
    virtual void onEraseBackground() {}
    virtual void onPaint();
    virtual void onInitMenu(HMENU /*menu*/) {}
    virtual bool onContextMenu(HWND /*window*/, int /*x*/, int /*y*/) { return false; }
    virtual void onCommand(unsigned /*id*/, LPARAM /*parameter*/) {}
    virtual bool onNotify(WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT& /*result*/) {
        return false;
    }
    virtual void destroyWindow();

    HWND handle() const { return handle_; }

    // Creation; each stores the new handle and tells whether one was obtained.
    bool createTopLevel(DWORD extendedStyle, const char* className, const char* title, int x, int y,
                        int width, int height, HMENU menu, HINSTANCE instance);
    bool createTopLevelAtDefaultPlace(DWORD extendedStyle, const char* className, const char* title,
                                      HMENU menu, HINSTANCE instance);
    bool createChild(DWORD extendedStyle, const char* className, int x, int y, int width,
                     int height, HWND parent, int childId, HINSTANCE instance);
    bool createPopup(DWORD extendedStyle, const char* className, const char* title, int x, int y,
                     int width, int height, HWND parent, HINSTANCE instance);

private:
    friend LRESULT CALLBACK windowProcedure(HWND, UINT, WPARAM, LPARAM);
    bool create(DWORD extendedStyle, const char* className, const char* title, DWORD style, int x,
                int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance);

    HWND handle_ = nullptr;
};

// A top-level window whose destruction ends the thread's message loop.
class FrameWindow : public Window {
public:
    void onDestroy() override { PostQuitMessage(0); }
};

class ChildWindow : public Window {};
class PopupWindow : public Window {};
