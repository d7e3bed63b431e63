// The bar between the term list and the page: dragged with the mouse or moved with
// Alt+Shift+Left and Alt+Shift+Right, so that long terms can be read whole.
#include "GlossaryWindow.h"
#include "Ids.h"

namespace {

// One key moves the bar by a pixel step at 96 dpi, scaled like the rest of the layout.
constexpr int kSplitterStepTwips = 300;

} // namespace

void GlossaryWindow::setListWidening(int twips) {
    RECT client = {};
    GetClientRect(window_, &client);
    const int clamped = clampedWidening(twips, client.right);
    if (clamped == listWidening_)
        return;
    listWidening_ = clamped;
    layout(client.right, client.bottom);
}

int GlossaryWindow::shownWidening() const {
    // A width kept from a larger window is shown only as far as this one has room for it.
    RECT client = {};
    GetClientRect(window_, &client);
    return clampedWidening(listWidening_, client.right);
}

void GlossaryWindow::moveSplitter(int steps) {
    setListWidening(shownWidening() + steps * kSplitterStepTwips);
}

bool GlossaryWindow::onSplitter(POINT at) const {
    // The gap between the list and the page, as high as the page.
    RECT list = {}, page = {};
    GetWindowRect(terms_, &list);
    GetWindowRect(GetDlgItem(window_, IDC_PAGE), &page);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&list), 2);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&page), 2);
    return at.x >= list.right && at.x < page.left && at.y >= page.top && at.y < page.bottom;
}

bool GlossaryWindow::splitterMouse(UINT message, LPARAM lParam) {
    const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
    case WM_LBUTTONDOWN: {
        if (!onSplitter(at))
            return false;
        splitFrom_ = shownWidening();
        splitStart_ = at.x;
        splitting_ = true;
        SetCapture(window_);
        return true;
    }
    case WM_MOUSEMOVE:
        if (!splitting_)
            return false;
        setListWidening(splitFrom_ + MulDiv(at.x - splitStart_, 1440, dpi_));
        return true;
    case WM_LBUTTONUP:
        if (!splitting_)
            return false;
        ReleaseCapture();
        return true;
    default:
        return false;
    }
}
