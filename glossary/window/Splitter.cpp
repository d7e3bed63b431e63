// The bar between the term list and the page: dragged with the mouse or moved with
// Alt+Shift+Left and Alt+Shift+Right, so that long terms can be read whole.
#include "Splitter.h"

namespace {

// One key moves the bar by a pixel step at 96 dpi, scaled like the rest of the layout.
constexpr int kSplitterStepTwips = 300;

} // namespace

void Splitter::attach(HWND window, int left, int right) {
    window_ = window;
    left_ = left;
    right_ = right;
}

void Splitter::setWidening(int twips) {
    RECT client = {};
    GetClientRect(window_, &client);
    const int clamped = clamp_(twips, client.right);
    if (clamped == widening_)
        return;
    widening_ = clamped;
    relayout_();
}

int Splitter::shownWidening() const {
    // A width kept from a larger window is shown only as far as this one has room for it.
    RECT client = {};
    GetClientRect(window_, &client);
    return clamp_(widening_, client.right);
}

void Splitter::move(int steps) {
    setWidening(shownWidening() + steps * kSplitterStepTwips);
}

bool Splitter::on(POINT at) const {
    // The gap between the list and the page, as high as the page.
    RECT list = {}, page = {};
    GetWindowRect(GetDlgItem(window_, left_), &list);
    GetWindowRect(GetDlgItem(window_, right_), &page);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&list), 2);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&page), 2);
    return at.x >= list.right && at.x < page.left && at.y >= page.top && at.y < page.bottom;
}

bool Splitter::mouse(UINT message, WPARAM wParam, LPARAM lParam, int dpi) {
    const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
    case WM_SETCURSOR: {
        if (reinterpret_cast<HWND>(wParam) != window_ || LOWORD(lParam) != HTCLIENT)
            return false;
        POINT cursor = {};
        GetCursorPos(&cursor);
        ScreenToClient(window_, &cursor);
        if (!dragging_ && !on(cursor))
            return false;
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        return true;
    }
    case WM_LBUTTONDOWN: {
        if (!on(at))
            return false;
        dragFrom_ = shownWidening();
        dragStart_ = at.x;
        dragging_ = true;
        SetCapture(window_);
        return true;
    }
    case WM_MOUSEMOVE:
        if (!dragging_)
            return false;
        setWidening(dragFrom_ + MulDiv(at.x - dragStart_, 1440, dpi));
        return true;
    case WM_LBUTTONUP:
        if (!dragging_)
            return false;
        ReleaseCapture();
        return true;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        return true;
    default:
        return false;
    }
}
