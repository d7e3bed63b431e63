// The search box and the term list: keys, the owner-drawn list, and its deferred redraw.
#include "AccessibleControl.h"
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WindowText.h"
#include "search/Query.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

namespace {

// A burst of keys draws the list once, this long after the last.
constexpr UINT kRedrawListDelayMs = 25;
// Terms shown below the selection a key moved, where the list has room.
constexpr int kRowsBelowSelection = 3;
// Typing that pauses this long has looked a word up: what is typed next is another entry of
// the history.
constexpr DWORD kWordPauseMs = 1500;

// A search that finds a term shows its page once typing pauses this long: the page can take
// longer than a key should.
constexpr UINT kSearchPageDelayMs = 100;

// Until the sorted index is built (half a second after the nine dictionaries' terms are in), a
// search passes over every term several times: above this many, longer than a key may take.
constexpr std::size_t kTermsSearchedWithoutIndex = 100000;
constexpr UINT kAwaitIndexMs = 20;

// Shown at the right of the search box while its text matches no term.
const wchar_t kNoMatchCue[] = L"no match";

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
    if (message == WM_GETOBJECT) {
        if (const LRESULT object = answerAccessibleObject(search, wParam, lParam, false))
            return object;
    }
    if (message == WM_PAINT && (self->noMatch_ || self->definitionsMode_)) {
        const LRESULT painted =
            CallWindowProcW(self->searchDefault_, search, message, wParam, lParam);
        if (self->noMatch_)
            self->paintNoMatchCue();
        self->paintModeCue();
        return painted;
    }
    // Their characters would only beep.
    if (message == WM_CHAR && (wParam == L'\r' || wParam == 0x1B))
        return 0;
    if (message != WM_CHAR && message != WM_KEYDOWN)
        return CallWindowProcW(self->searchDefault_, search, message, wParam, lParam);
    // A change of the text made by a key: its page waits until the keys pause.
    self->typing_ = true;
    const LRESULT result = CallWindowProcW(self->searchDefault_, search, message, wParam, lParam);
    self->typing_ = false;
    return result;
}

LRESULT CALLBACK GlossaryWindow::controlProcedure(HWND control, UINT message, WPARAM wParam,
                                                  LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<GlossaryWindow*>(data);
    const bool isList = control == self->terms_, isLogo = control == self->logoControl_;
    if (message == WM_GETOBJECT) {
        if (const LRESULT object = answerAccessibleObject(control, wParam, lParam, isList))
            return object;
    } else if (isList && (message == LB_GETTEXTLEN || message == LB_GETTEXT)) {
        // The list draws our terms; it answers with them too.
        if (wParam >= self->listed_.count())
            return LB_ERR;
        const std::u16string_view term = self->glossary_.term(self->listed_.entryOf(wParam));
        if (message == LB_GETTEXT && lParam != 0) {
            auto* text = reinterpret_cast<wchar_t*>(lParam);
            std::copy(term.begin(), term.end(), text);
            text[term.size()] = L'\0';
        }
        return static_cast<LRESULT>(term.size());
    } else if (isLogo && (message == WM_SETFOCUS || message == WM_KILLFOCUS)) {
        InvalidateRect(control, nullptr, TRUE);
    } else if (isLogo && message == WM_PAINT) {
        // The logo shows that it has the focus, as a button would.
        const LRESULT painted = DefSubclassProc(control, message, wParam, lParam);
        if (GetFocus() == control) {
            const win32::WindowDc dc(control);
            RECT client = {};
            GetClientRect(control, &client);
            DrawFocusRect(dc.dc(), &client);
        }
        return painted;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, controlProcedure, 0);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void GlossaryWindow::paintNoMatchCue() {
    // Where the text cannot reach: the right margin, kept free while the cue shows.
    const win32::WindowDc dc(search_);
    RECT client = {};
    GetClientRect(search_, &client);
    client.right -= 2;
    const win32::Selection font(dc.dc(), textFont_.get());
    SetBkMode(dc.dc(), TRANSPARENT);
    SetTextColor(dc.dc(), GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc.dc(), kNoMatchCue, -1, &client, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
}

void GlossaryWindow::setNoMatch(bool noMatch) {
    if (noMatch == noMatch_)
        return;
    noMatch_ = noMatch;
    int margin = 0;
    if (noMatch) {
        const win32::WindowDc dc(search_);
        const win32::Selection font(dc.dc(), textFont_.get());
        SIZE size = {};
        GetTextExtentPoint32W(dc.dc(), kNoMatchCue, static_cast<int>(wcslen(kNoMatchCue)), &size);
        margin = size.cx + 6;
    }
    SendMessageW(search_, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, margin));
    InvalidateRect(search_, nullptr, TRUE);
    updateSearchName();
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
        showDuePage();
        wordEnded_ = true;
        SetFocus(pageView_.window());
        return true;
    case VK_ESCAPE:
        // Back to the term search, which an empty text starts at the first term; a search in
        // definitions under way stops.
        if (definitionsMode_)
            returnToTermSearch();
        else
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
    selectInList(index, ListScroll::RowsBelow);
    showSelected();
}

void GlossaryWindow::fillList() {
    SendMessageW(terms_, LB_SETCOUNT, listed_.count(), 0);
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

void GlossaryWindow::drawTerm(const DRAWITEMSTRUCT& item) {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const int background = selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(background));
    if (item.itemID != static_cast<UINT>(-1) && item.itemID < listed_.count()) {
        const std::u16string_view term = glossary_.term(listed_.entryOf(item.itemID));
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
    if (searchFromProgram_ || reading_)
        return; // while the terms are read, what is typed waits for them (showStart)
    // The search runs on the program's copy of the terms; the list gets one message.
    const std::u16string text = windowText(search_);
    // A pause in typing or an emptied box ends the word looked up.
    const DWORD now = GetTickCount();
    if (text.empty() || now - lastSearchAt_ >= kWordPauseMs)
        wordEnded_ = true;
    lastSearchAt_ = now;
    // A page still due waits for the next pause only when this text finds nothing (see
    // showNoMatchPage); another search shows its own.
    KillTimer(window_, TIMER_SEARCH_PAGE);
    KillTimer(window_, TIMER_AWAIT_INDEX);
    if (definitionsMode_) {
        dropDuePage();
        searchDefinitions(text);
        return;
    }
    if (search::hasWildcards(text)) {
        filterByWildcards(text);
        return;
    }
    if (listed_.filtered())
        listEveryTerm();
    if (!glossary_.indexReady() && glossary_.size() > kTermsSearchedWithoutIndex) {
        dropDuePage(); // of a text before
        if (SetTimer(window_, TIMER_AWAIT_INDEX, kAwaitIndexMs, nullptr) != 0)
            return;
    }
    Glossary::Match match = matchFor(text);
    std::u16string formNote;
    if (match.index < 0)
        match = wordFormMatch(text, formNote);
    const int found = match.index;
    selectInList(found);
    setNoMatch(found < 0);
    if (found >= 0) {
        // Found only by ignoring accents, or as a form of the term: the page says so above it.
        const std::u16string note = formNote.empty() ? glossary_.accentNote(match) : formNote;
        if (typing_)
            showWhenTypingPauses(static_cast<std::size_t>(found), note);
        else
            showEntry(static_cast<std::size_t>(found), true, History::Search, note);
    } else {
        showNoMatch(text);
    }
}

// The one place that decides which entry a search text selects; index -1 when none.
Glossary::Match GlossaryWindow::matchFor(const std::u16string& text) const {
    return glossary_.match(text);
}

void GlossaryWindow::showWhenTypingPauses(std::size_t entry, const std::u16string& note) {
    dueEntry_ = entry;
    dueNote_ = note;
    if (SetTimer(window_, TIMER_SEARCH_PAGE, kSearchPageDelayMs, nullptr) == 0)
        showDuePage();
}

void GlossaryWindow::showDuePage() {
    // Asked before every use of the page: no system call when nothing is due, nor a timer.
    if (dueEntry_ == kNoEntry)
        return;
    KillTimer(window_, TIMER_SEARCH_PAGE);
    const std::size_t entry = dueEntry_;
    dueEntry_ = kNoEntry;
    if (entry < glossary_.size())
        showEntry(entry, true, History::Search, std::u16string(std::move(dueNote_)));
}

void GlossaryWindow::searchWhenIndexed() {
    if (!glossary_.indexReady())
        return; // looked at again at the next tick
    KillTimer(window_, TIMER_AWAIT_INDEX);
    // Its page waits for a pause in typing, as the key's would have.
    typing_ = true;
    searchChanged();
    typing_ = false;
}

void GlossaryWindow::dropDuePage() {
    // A search waiting for the index is a page due too.
    KillTimer(window_, TIMER_AWAIT_INDEX);
    KillTimer(window_, TIMER_SEARCH_PAGE);
    dueEntry_ = kNoEntry;
}

void GlossaryWindow::selectInList(int index, ListScroll scroll) {
    // The selection changes at once; the list is drawn a moment later, once for a burst of
    // keys: drawing its scroll bar can take longer than showing the page.
    if (!listRedrawPending_ &&
        SetTimer(window_, TIMER_REDRAW_LIST, kRedrawListDelayMs, nullptr) != 0) {
        SendMessageW(terms_, WM_SETREDRAW, FALSE, 0);
        listRedrawPending_ = true;
    }
    SendMessageW(terms_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (index >= 0)
        showFollowingTerms(index, scroll);
    // Said by a screen reader as the list's new selection, wherever the focus is.
    NotifyWinEvent(EVENT_OBJECT_SELECTION, terms_, OBJID_CLIENT,
                   index >= 0 ? index + 1 : CHILDID_SELF);
}

void GlossaryWindow::showFollowingTerms(int index, ListScroll scroll) {
    // The terms after the selected one are what the reader looks for next ("take" is followed
    // by "take after", "take off"...): never left below the list's bottom edge.
    RECT client = {};
    GetClientRect(terms_, &client);
    const int rowHeight = static_cast<int>(SendMessageW(terms_, LB_GETITEMHEIGHT, 0, 0));
    if (rowHeight <= 0)
        return;
    const int rows = std::max(1, static_cast<int>(client.bottom) / rowHeight);
    if (scroll == ListScroll::NearTop) {
        // One row above it, for where it stands among its neighbours.
        SendMessageW(terms_, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0, index - 1)), 0);
        return;
    }
    const int below = std::min(kRowsBelowSelection, (rows - 1) / 2);
    const int top = static_cast<int>(SendMessageW(terms_, LB_GETTOPINDEX, 0, 0));
    if (index > top + rows - 1 - below)
        SendMessageW(terms_, LB_SETTOPINDEX, static_cast<WPARAM>(index - rows + 1 + below), 0);
}

void GlossaryWindow::redrawList() {
    KillTimer(window_, TIMER_REDRAW_LIST);
    if (!listRedrawPending_)
        return;
    listRedrawPending_ = false;
    SendMessageW(terms_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(terms_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}
