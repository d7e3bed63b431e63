#include "DialogFit.h"

#include <algorithm>
#include <vector>

namespace {

RECT placeIn(HWND dialog, HWND child) {
    RECT at = {};
    GetWindowRect(child, &at);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
    return at;
}

} // namespace

void fitToWorkArea(HWND dialog, int stretchId, int keptPercent) {
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    if (!GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &screen))
        return;
    const RECT work = screen.rcWork;
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    const int excess = (frame.bottom - frame.top) - (work.bottom - work.top);
    const HWND list = GetDlgItem(dialog, stretchId);
    if (excess > 0 && list != nullptr) {
        const RECT at = placeIn(dialog, list);
        const int height = at.bottom - at.top;
        const int given = std::min(excess, height - MulDiv(height, keptPercent, 100));
        if (given > 0) {
            // Everything below the list moves up by what it gave.
            std::vector<HWND> below;
            for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                if (child != list && placeIn(dialog, child).top >= at.bottom)
                    below.push_back(child);
            }
            for (const HWND child : below) {
                const RECT place = placeIn(dialog, child);
                SetWindowPos(child, nullptr, place.left, place.top - given, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            SetWindowPos(list, nullptr, 0, 0, at.right - at.left, height - given,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            frame.bottom -= given;
        }
    }
    // Centred on the work area where it fits, else from its top.
    const int width = frame.right - frame.left, tall = frame.bottom - frame.top;
    const int left = std::max<int>(work.left, work.left + (work.right - work.left - width) / 2);
    const int top = std::max<int>(work.top, work.top + (work.bottom - work.top - tall) / 2);
    SetWindowPos(dialog, nullptr, left, top, width, tall, SWP_NOZORDER | SWP_NOACTIVATE);
}
