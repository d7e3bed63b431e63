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

// Takes up to `excess` pixels of height from `list`; what it took.
int giveHeight(HWND dialog, HWND list, int keptPercent, int excess) {
    const RECT at = placeIn(dialog, list);
    const int height = at.bottom - at.top;
    // Not above a control beside it, which would stay where it is.
    int floor = at.top + MulDiv(height, keptPercent, 100);
    std::vector<HWND> below;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT place = placeIn(dialog, child);
        if (child == list)
            continue;
        if (place.top >= at.bottom)
            below.push_back(child);
        else if (place.bottom > at.top && (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) != 0)
            floor = std::max<int>(floor, place.bottom);
    }
    const int given = std::min(excess, static_cast<int>(at.bottom) - floor);
    if (given <= 0)
        return 0;
    for (const HWND child : below) {
        const RECT place = placeIn(dialog, child);
        SetWindowPos(child, nullptr, place.left, place.top - given, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(list, nullptr, 0, 0, at.right - at.left, height - given,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return given;
}

// Moves every control from `top` down by `by` pixels (up when negative) and the frame with them.
void shiftBelow(HWND dialog, HWND except, int top, int by) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT place = placeIn(dialog, child);
        if (child != except && place.top >= top)
            SetWindowPos(child, nullptr, place.left, place.top + by, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + by,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

constexpr wchar_t kNoteHeight[] = L"DialogFit.noteHeight";

} // namespace

bool showNote(HWND dialog, int id, const std::wstring& text) {
    const HWND note = GetDlgItem(dialog, id);
    SetWindowTextW(note, text.c_str());
    const RECT at = placeIn(dialog, note);
    if (GetPropW(note, kNoteHeight) == nullptr)
        SetPropW(note, kNoteHeight,
                 reinterpret_cast<HANDLE>(static_cast<INT_PTR>(at.bottom - at.top)));
    const int full = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(note, kNoteHeight)));
    const int height = at.bottom - at.top;
    const int wanted = text.empty() ? 0 : full;
    if (wanted == height)
        return false;
    // Hidden while empty, so that a screen reader passes nothing over.
    shiftBelow(dialog, note, at.bottom, wanted - height);
    SetWindowPos(note, nullptr, 0, 0, at.right - at.left, wanted,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(note, text.empty() ? SW_HIDE : SW_SHOWNA);
    return wanted > height;
}

void fitToWorkArea(HWND dialog, std::initializer_list<Stretch> lists) {
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    if (!GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &screen))
        return;
    const RECT work = screen.rcWork;
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    for (const Stretch& stretch : lists) {
        const int excess = (frame.bottom - frame.top) - (work.bottom - work.top);
        const HWND list = GetDlgItem(dialog, stretch.id);
        if (excess > 0 && list != nullptr)
            frame.bottom -= giveHeight(dialog, list, stretch.keptPercent, excess);
    }
    // Centred on the work area where it fits, else from its top.
    const int width = frame.right - frame.left, tall = frame.bottom - frame.top;
    const int left = std::max<int>(work.left, work.left + (work.right - work.left - width) / 2);
    const int top = std::max<int>(work.top, work.top + (work.bottom - work.top - tall) / 2);
    SetWindowPos(dialog, nullptr, left, top, width, tall, SWP_NOZORDER | SWP_NOACTIVATE);
}
