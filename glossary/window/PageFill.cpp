// How a page goes into the view: a control of its own inside the view's window, shown once its
// first screen is in, the rest while the window is idle, so that neither the page nor a key
// typed meanwhile waits.
#include "Ids.h"
#include "PageView.h"
#include "WindowText.h"
#include "page/PageSlices.h"

#include <commctrl.h>
#include <richedit.h>

namespace {

// A key that comes while a page goes in waits for the slice going in: about a third of a screen,
// a couple of milliseconds of the control's time under Wine (slices of a screen were the
// longest steps of a page change on a loaded machine).
constexpr std::size_t kSliceBytes = 1200;
// The slices put in at one time while the window is idle.
constexpr double kFillMilliseconds = 4.0;
// Controls of pages gone that may wait, hidden, for the window to be idle: fast typing leaves
// one a key, and under Wine each hidden window more makes its siblings slower to make, show and
// hide.
constexpr std::size_t kMostRetiredPages = 3;

double millisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

bool somethingWaits() {
    return HIWORD(GetQueueStatus(QS_INPUT | QS_SENDMESSAGE | QS_POSTMESSAGE)) != 0;
}

// Whether idle work that began at `start` may go on: within its few milliseconds, and nothing
// waits for the window.
bool idleTimeLeft(const LARGE_INTEGER& start) {
    return millisecondsSince(start) < kFillMilliseconds && !somethingWaits();
}

// Whether the text reaches below the control's visible part, wherever it is scrolled to.
bool beyondView(HWND page) {
    RECT client = {};
    GetClientRect(page, &client);
    POINTL first = {}, last = {};
    SendMessageW(page, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), 0);
    SendMessageW(page, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last), richTextLength(page));
    return last.y - first.y >= client.bottom;
}

// Hidden without erasing its place: what stood under it is drawn over it at once, and an
// erased place would show blank between the two.
void hideUndrawn(HWND control) {
    SetWindowPos(control, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                     SWP_NOACTIVATE);
}

} // namespace

void PageView::show(const std::u16string& html) {
    shownHtml_ = html;
    shownColours_ = pageColours();
    RtfPage page = htmlToPage(html, shownColours_);
    // A new control for each page: Wine's rich edit takes as long to empty itself of a long
    // page as to take one, and a control is made and destroyed in a few milliseconds. The page
    // goes in as RTF with its links already coloured and underlined (marking each link through
    // the control would select, format and redraw once a link), while its control is hidden
    // and the page before stays shown: its first screen a slice at a time, with whatever waits
    // (a key typed meanwhile) served between slices, then the rest while the window is idle.
    KillTimer(view_, TIMER_FILL_PAGE);
    HWND fresh = sparePage_.release();
    if (fresh != nullptr)
        applyZoom(fresh);
    else
        fresh = createPageControl(shownPage());
    if (fresh == nullptr) {
        pageSlices_.clear();
        nextSlice_ = 0;
        return;
    }
    find_.setPage(fresh);
    if (leavingPage_) {
        // A page that never came: typed past, perhaps already under the one leaving.
        hideUndrawn(page_);
        retiredPages_.emplace_back(page_);
    } else {
        leavingPage_.reset(page_);
    }
    page_ = fresh;
    links_ = std::move(page.links);
    pageSlices_ = pageSlices(page, kSliceBytes);
    sliceHeader_ = page.bodyStart;
    bytesIn_ = 0;
    nextSlice_ = 0;
    bringPage(false);
}

void PageView::bringPage(bool stepFirst) {
    fillingPage_ = true;
    for (bool mayWait = !stepFirst; leavingPage_; mayWait = true) {
        if (mayWait && somethingWaits()) {
            SetTimer(view_, TIMER_FILL_PAGE, USER_TIMER_MINIMUM, nullptr);
            break;
        }
        // Only when many: the window's idle time destroys the controls of pages gone, each a
        // step as long as a slice that a key would wait for.
        if (passedOn_ == 0 && retiredPages_.size() > kMostRetiredPages) {
            retiredPages_.erase(retiredPages_.begin());
        } else if (!pageFilled() && !beyondView(page_)) {
            appendSlices(nextSlice_ + 1);
        } else if ((GetWindowLongPtrW(page_, GWL_STYLE) & WS_VISIBLE) == 0) {
            showUnderLeavingPage();
        } else {
            takeLeavingPagesPlace();
        }
    }
    fillingPage_ = false;
    if (!leavingPage_)
        SetTimer(view_, TIMER_FILL_PAGE, USER_TIMER_MINIMUM, nullptr); // the rest, when idle
}

void PageView::showUnderLeavingPage() {
    CHARRANGE start = {0, 0};
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
    POINT top = {0, 0};
    SendMessageW(page_, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&top));
    ShowWindow(page_, SW_SHOWNA);
}

void PageView::takeLeavingPagesPlace() {
    const HWND old = leavingPage_.get();
    if (GetFocus() == old)
        SetFocus(page_);
    hideUndrawn(old);
    retiredPages_.push_back(std::move(leavingPage_));
    // Drawn whole over the old one's place, now: a paint would wait for every key typed
    // meanwhile.
    RedrawWindow(page_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, page_, OBJID_CLIENT, CHILDID_SELF);
}

bool PageView::formerPage(HWND control) const {
    if (control == leavingPage_.get() && control != nullptr)
        return true;
    for (const win32::OwnWindow& retired : retiredPages_) {
        if (retired.get() == control)
            return true;
    }
    return false;
}

// RTF at the end of the page, without notifications.
void PageView::appendPageSlice(const std::string& rtf) {
    const LRESULT events = SendMessageW(page_, EM_SETEVENTMASK, 0, 0);
    const long end = richTextLength(page_);
    CHARRANGE atEnd = {end, end};
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&atEnd));
    SETTEXTEX setting = {ST_SELECTION, CP_ACP};
    SendMessageW(page_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&setting),
                 reinterpret_cast<LPARAM>(rtf.c_str()));
    SendMessageW(page_, EM_SETEVENTMASK, 0, events);
}

bool PageView::readsOrUsesPage(UINT message) {
    switch (message) {
    // Where a point of the visible text stands (a link under the mouse) needs no more of it.
    case EM_CHARFROMPOS:
    case EM_POSFROMCHAR:
        return false;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_GETOBJECT:
    case WM_COPY:
    case WM_PRINT:
    case WM_PRINTCLIENT:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_NCLBUTTONDOWN:
    case WM_CONTEXTMENU:
        return true;
    default:
        // The edit control's messages and the rich edit's own: lines, selecting, finding,
        // reading, printing, streaming out.
        return (message >= EM_GETSEL && message <= EM_GETIMESTATUS) ||
               (message >= WM_USER && message < WM_USER + 0x200);
    }
}

bool PageView::isButtonPress(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN ||
           message == WM_MBUTTONDOWN;
}

void PageView::fillPage(bool whole) {
    if (fillingPage_)
        return;
    if (leavingPage_ && !whole) {
        bringPage(true);
        return;
    }
    if (leavingPage_) {
        // Read or used before it was shown: all of it now, shown from its top. Not through
        // bringPage, which could destroy the control whose message asked for it.
        fillingPage_ = true;
        appendRestOfPage();
        showUnderLeavingPage();
        takeLeavingPagesPlace();
        fillingPage_ = false;
    }
    if (pageFilled()) {
        pageSlices_.clear();
        nextSlice_ = 0;
        if (!whole)
            tidyPageControls();
        return;
    }
    fillingPage_ = true;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    // The slices go in at the page's end, which the control scrolls to: with the page not
    // drawn meanwhile and its selection and place given back, nothing the reader sees moves.
    CHARRANGE selection = {};
    SendMessageW(page_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINT scrolled = {};
    SendMessageW(page_, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    SendMessageW(page_, WM_SETREDRAW, FALSE, 0);
    if (whole) {
        appendRestOfPage();
    } else {
        do
            appendIdleStep();
        while (!pageFilled() && idleTimeLeft(start));
    }
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageW(page_, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    SendMessageW(page_, WM_SETREDRAW, TRUE, 0);
    // The text shown has not changed; the scroll bar's thumb has.
    SendMessageW(page_, WM_NCPAINT, 1, 0);
    fillingPage_ = false;
    if (pageFilled())
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, page_, OBJID_CLIENT, CHILDID_SELF);
}

// What is not in yet, in one piece, for a reader who will not wait: the control's time for a
// piece grows with the text before it (see appendIdleStep), so slices one by one take seconds.
void PageView::appendRestOfPage() {
    if (!pageFilled())
        appendSlices(pageSlices_.size());
}

// The slices from the next one to `end` (not included) as one document.
void PageView::appendSlices(std::size_t end) {
    std::string rtf = pageSlices_[nextSlice_];
    for (std::size_t slice = nextSlice_ + 1; slice < end; ++slice) {
        const std::string& next = pageSlices_[slice];
        // A slice is the header, its body and the document's closing brace: the body begins
        // with the codes of the paragraph it goes on, which say again what that one said.
        rtf.pop_back();
        rtf.append(next, sliceHeader_, std::string::npos);
    }
    appendPageSlice(rtf);
    for (; nextSlice_ < end; ++nextSlice_)
        bytesIn_ += pageSlices_[nextSlice_].size();
}

// Each step while idle puts in half as much as is in already: under Wine a step costs about as
// much for the text before it as for its own (a slice at the end of 80,000 characters took
// 150 ms), so steps of a slice would keep a long page's window busy for seconds, and a key
// waiting; steps of all that is in would make the early ones, which keys meet most, twice as long.
void PageView::appendIdleStep() {
    std::size_t end = nextSlice_, bytes = 0;
    while (end < pageSlices_.size() && (bytes < kSliceBytes || bytes < bytesIn_ / 2))
        bytes += pageSlices_[end++].size();
    appendSlices(end);
}

// Each a few milliseconds: the controls of pages gone go, a few at a time, and then the next
// page's control is made.
void PageView::tidyPageControls() {
    if (!retiredPages_.empty()) {
        // Not from inside a control that passed a message on, which may still be one of them.
        if (passedOn_ != 0)
            return;
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        do
            retiredPages_.pop_back();
        while (!retiredPages_.empty() && idleTimeLeft(start));
        return;
    }
    if (!sparePage_) {
        if (somethingWaits())
            return;
        sparePage_.reset(createPageControl(page_));
    }
    KillTimer(view_, TIMER_FILL_PAGE);
}
