#pragma once

#include <windows.h>

// One batch of window moves applied together; none of them activates a window.
class DeferredPositions {
public:
    void begin(int count) { batch_ = BeginDeferWindowPos(count); }
    void move(HWND window, int x, int y, int width, int height) {
        defer(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void show(HWND window, bool visible) {
        defer(window, nullptr, 0, 0, 0, 0,
              SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                  (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
    void toTop(HWND window) {
        defer(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    void toBottom(HWND window) {
        defer(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    void end() {
        if (batch_ != nullptr)
            EndDeferWindowPos(batch_);
        batch_ = nullptr;
    }

private:
    void defer(HWND window, HWND after, int x, int y, int width, int height, UINT flags) {
        if (batch_ != nullptr)
            batch_ = DeferWindowPos(batch_, window, after, x, y, width, height, flags);
    }

    HDWP batch_ = nullptr;
};
