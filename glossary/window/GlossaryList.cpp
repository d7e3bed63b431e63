// The search box and the term list: keys, the owner-drawn list, and its deferred redraw.
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WindowText.h"

#include <algorithm>

namespace {

// A burst of keys draws the list once, this long after the last.
constexpr UINT kRedrawListDelayMs = 25;

} // namespace

LRESULT CALLBACK GlossaryWindow::searchProcedure(HWND search, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    auto* self = reinterpret_cast<GlossaryWindow*>(GetWindowLongPtrW(search, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(search, message, wParam, lParam);
    // Enter and Escape are the search box's own, not the dialog manager's.
    if (message == WM_GETDLGCODE && lParam != 0) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key->message == WM_KEYDOWN && (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE))
            return DLGC_WANTALLKEYS;
    }
    if (message == WM_KEYDOWN && self->searchKey(wParam))
        return 0;
    // Their characters would only beep.
    if (message == WM_CHAR && (wParam == L'\r' || wParam == 0x1B))
        return 0;
    return CallWindowProcW(self->searchDefault_, search, message, wParam, lParam);
}

bool GlossaryWindow::searchKey(WPARAM key) {
    const int count = static_cast<int>(SendMessageW(terms_, LB_GETCOUNT, 0, 0));
    const int selected = static_cast<int>(SendMessageW(terms_, LB_GETCURSEL, 0, 0));
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    RECT list = {};
    GetClientRect(terms_, &list);
    const int itemHeight = static_cast<int>(SendMessageW(terms_, LB_GETITEMHEIGHT, 0, 0));
    const int page = itemHeight > 0 ? std::max(1, static_cast<int>(list.bottom) / itemHeight) : 1;
    switch (key) {
    case VK_UP:
        moveSelection(selected - 1);
        return true;
    case VK_DOWN:
        moveSelection(selected + 1);
        return true;
    case VK_PRIOR:
        moveSelection(selected - page);
        return true;
    case VK_NEXT:
        moveSelection(selected + page);
        return true;
    case VK_HOME:
        if (!control)
            return false; // within the search text
        moveSelection(0);
        return true;
    case VK_END:
        if (!control)
            return false;
        moveSelection(count - 1);
        return true;
    case VK_RETURN:
        SetFocus(page_);
        return true;
    case VK_ESCAPE:
        // An empty search selects the first term.
        SetWindowTextW(search_, L"");
        return true;
    default:
        return false;
    }
}

void GlossaryWindow::moveSelection(int to) {
    const int count = static_cast<int>(SendMessageW(terms_, LB_GETCOUNT, 0, 0));
    if (count <= 0)
        return;
    const int index = std::min(std::max(to, 0), count - 1);
    // The search text stays; the list shows the new entry as a click would.
    selectInList(index);
    showSelected();
}

void GlossaryWindow::fillList() {
    SendMessageW(terms_, LB_SETCOUNT, glossary_.size(), 0);
}

void GlossaryWindow::setListItemHeight() {
    // One line of the list's font, as the list box measures its own lines.
    const win32::WindowDc list(terms_);
    TEXTMETRICW metrics = {};
    {
        const win32::Selection font(list.dc(), textFont_.get());
        GetTextMetricsW(list.dc(), &metrics);
    }
    SendMessageW(terms_, LB_SETITEMHEIGHT, 0, std::max<LPARAM>(1, metrics.tmHeight));
}

int GlossaryWindow::termByFirstLetter(wchar_t letter, int caret) const {
    // As a list of strings does: the next term after the caret that begins with the letter.
    const std::u16string wanted = upperCase(std::u16string(1, static_cast<char16_t>(letter)));
    const std::size_t count = glossary_.size();
    for (std::size_t step = 1; step <= count; ++step) {
        const std::size_t index =
            (static_cast<std::size_t>(std::max(caret, -1) + 1) + step - 1) % count;
        const std::u16string_view term = glossary_.term(index);
        if (!term.empty() && upperCase(std::u16string(1, term[0])) == wanted)
            return static_cast<int>(index);
    }
    return -2; // none: the key is handled, nothing moves
}

void GlossaryWindow::drawTerm(const DRAWITEMSTRUCT& item) {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const int background = selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(background));
    if (item.itemID != static_cast<UINT>(-1) && item.itemID < glossary_.size()) {
        const std::u16string_view term = glossary_.term(item.itemID);
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        const win32::Selection font(item.hDC, textFont_.get());
        RECT text = item.rcItem;
        text.left += 2; // as far in as the list box's own strings
        DrawTextW(item.hDC, reinterpret_cast<const wchar_t*>(term.data()),
                  static_cast<int>(term.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0)
        DrawFocusRect(item.hDC, &item.rcItem);
}

void GlossaryWindow::searchChanged() {
    // The search runs on the program's copy of the terms; the list gets one message.
    const int found = glossary_.search(windowText(search_));
    selectInList(found);
    if (found >= 0) {
        showEntry(static_cast<std::size_t>(found), true, History::Search);
    }
}

void GlossaryWindow::selectInList(int index) {
    // The selection changes at once; the list is drawn a moment later, once for a burst of
    // keys: drawing its scroll bar can take longer than showing the page.
    if (!listRedrawPending_ &&
        SetTimer(window_, TIMER_REDRAW_LIST, kRedrawListDelayMs, nullptr) != 0) {
        SendMessageW(terms_, WM_SETREDRAW, FALSE, 0);
        listRedrawPending_ = true;
    }
    SendMessageW(terms_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void GlossaryWindow::redrawList() {
    KillTimer(window_, TIMER_REDRAW_LIST);
    if (!listRedrawPending_)
        return;
    listRedrawPending_ = false;
    SendMessageW(terms_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(terms_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}
