#include "PageView.h"

#include "AccessibleControl.h"
#include "Ids.h"
#include "win32/Gdi.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdlib>

namespace {

const wchar_t kViewClass[] = L"GlossaryPageView";
constexpr const wchar_t* kPageName = L"Definition";

} // namespace

PageColours pageColours() {
    // A high-contrast theme, or any whose window is dark, where the page's own dark text
    // could not be read: the system's colours, links in the hot-light colour.
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    const bool high = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                      (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const bool dark =
        GetRValue(window) * 299 + GetGValue(window) * 587 + GetBValue(window) * 114 < 128 * 1000;
    const COLORREF link = GetSysColor(COLOR_HOTLIGHT);
    return PageColours{high || dark, static_cast<std::uint32_t>(GetRValue(link)) << 16 |
                                         static_cast<std::uint32_t>(GetGValue(link)) << 8 |
                                         GetBValue(link)};
}

PageView::~PageView() {
    if (view_ != nullptr && IsWindow(view_))
        SetWindowLongPtrW(view_, GWLP_USERDATA, 0);
}

bool PageView::create(HWND parent, int id, const RECT& place, HFONT font, Follow follow) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    WNDCLASSEXW viewClass = {};
    viewClass.cbSize = sizeof viewClass;
    viewClass.lpfnWndProc = viewProcedure;
    viewClass.hInstance = instance;
    viewClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    viewClass.lpszClassName = kViewClass;
    RegisterClassExW(&viewClass); // fails harmlessly when it is there

    font_ = font;
    follow_ = std::move(follow);
    // Its controls are tab stops of the window; the view itself holds none of the focus.
    view_ = CreateWindowExW(WS_EX_CONTROLPARENT, kViewClass, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, place.left, place.top,
                            place.right - place.left, place.bottom - place.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (view_ == nullptr)
        return false;
    setAccessibleName(view_, kPageName);
    page_ = createPageControl(nullptr);
    if (page_ == nullptr)
        return false;
    ShowWindow(page_, SW_SHOWNA);
    find_.setPage(page_);
    return true;
}

HWND PageView::createPageControl(HWND after) {
    // Clipped by its siblings: the next page's control, shown under this one before it takes
    // its place, must not draw over it.
    constexpr DWORD kPageStyle = WS_CHILD | WS_BORDER | WS_TABSTOP | WS_VSCROLL | WS_CLIPSIBLINGS |
                                 ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    RECT client = {};
    GetClientRect(view_, &client);
    const HWND page = CreateWindowExW(
        0, L"RichEdit20W", L"", kPageStyle, 0, 0, client.right, client.bottom, view_, nullptr,
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(view_, GWLP_HINSTANCE)), nullptr);
    if (page == nullptr)
        return nullptr;
    // After the control it comes to replace in the order of Tab, hidden until its first screen
    // is in (see takeLeavingPagesPlace).
    if (after != nullptr)
        SetWindowPos(page, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(page, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    applyFont(page);
    // A page the reader cannot change has nothing to undo; without the steps the control would
    // record, a long page goes in about a fifth faster under Wine.
    SendMessageW(page, EM_SETUNDOLIMIT, 0, 0);
    // Characters the page's fonts do not have come from a font that has them.
    SendMessageW(page, EM_SETLANGOPTIONS, 0, IMF_AUTOFONT | IMF_DUALFONT);
    applyZoom(page);
    setAccessibleName(page, kPageName);
    SetWindowSubclass(page, pageProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
    return page;
}

LRESULT CALLBACK PageView::viewProcedure(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<PageView*>(GetWindowLongPtrW(view, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<PageView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr || self->page_ == nullptr)
        return DefWindowProcW(view, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT PageView::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        fitControls();
        return 0;
    case WM_SETFOCUS:
        SetFocus(shownPage());
        return 0;
    case WM_SETFONT:
        setFont(reinterpret_cast<HFONT>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == TIMER_FILL_PAGE)
            fillPage(false);
        return 0;
    case WM_GETOBJECT:
        // An object of the page's window, which lives as long as it does: the control showing
        // the page, with its text, is its child.
        if (const LRESULT object = answerAccessibleObject(view_, wParam, lParam, false))
            return object;
        return DefWindowProcW(view_, message, wParam, lParam);
    case MSG_FOLLOW_LINK:
        if (follow_)
            follow_(pendingLink_);
        return 0;
    default:
        if (passesOn(message))
            return passOn(message, wParam, lParam);
        return DefWindowProcW(view_, message, wParam, lParam);
    }
}

bool PageView::passesOn(UINT message) const {
    // Not what a control of the page hands up to its parent while it answers a message passed
    // on (a context menu, a wheel it does not take): that would come back to it.
    if (passedOn_ != 0)
        return false;
    switch (message) {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_COPY:
    case WM_KEYDOWN:
    case WM_CHAR:
    // A click sent to the page's window stands for one on the control that fills it.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        return true;
    default:
        // The edit control's messages and the rich edit's own.
        return (message >= EM_GETSEL && message <= EM_GETIMESTATUS) ||
               (message >= WM_USER && message < WM_USER + 0x200);
    }
}

void PageView::bringDuePage() {
    if (!beforeUse_)
        return;
    // Counted as a message passed on: the control whose message asked may be one that the new
    // page would retire, and must outlive its answer.
    ++passedOn_;
    beforeUse_();
    --passedOn_;
}

LRESULT PageView::passOn(UINT message, WPARAM wParam, LPARAM lParam) {
    if (readsOrUsesPage(message))
        bringDuePage();
    if (!pageWhole() && readsOrUsesPage(message))
        fillPage(true);
    ++passedOn_;
    const LRESULT result = SendMessageW(page_, message, wParam, lParam);
    --passedOn_;
    return result;
}

void PageView::fitControls() {
    RECT client = {};
    GetClientRect(view_, &client);
    std::vector<HWND> controls = {page_, leavingPage_.get(), sparePage_.get()};
    for (const win32::OwnWindow& retired : retiredPages_)
        controls.push_back(retired.get());
    for (const HWND control : controls) {
        if (control != nullptr)
            SetWindowPos(control, nullptr, 0, 0, client.right, client.bottom,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
}

void PageView::coloursChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    // The controls are told as top-level windows tell theirs: each of them, the spare one too.
    if (message == WM_SYSCOLORCHANGE) {
        std::vector<HWND> controls = {page_, leavingPage_.get(), sparePage_.get()};
        for (const HWND control : controls) {
            if (control != nullptr)
                SendMessageW(control, message, wParam, lParam);
        }
    }
    const PageColours now = pageColours();
    if (now.system != shownColours_.system || now.link != shownColours_.link)
        show(shownHtml_); // only then: it starts the page from its top
}

void PageView::setFont(HFONT font) {
    font_ = font;
    for (const HWND control : {page_, leavingPage_.get(), sparePage_.get()}) {
        if (control != nullptr)
            applyFont(control);
    }
}

void PageView::applyFont(HWND control) const {
    // The controls' own font, not their text's: a rich edit given WM_SETFONT puts the font on
    // all of its text, and the page shown would lose its sizes and bold.
    LOGFONTW logical = {};
    if (font_ == nullptr || GetObjectW(font_, sizeof logical, &logical) == 0)
        return;
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET | CFM_BOLD | CFM_ITALIC | CFM_WEIGHT;
    // Counted at the page's density, whose zoom makes it that size on the screen.
    const int dpi = dpi_ != 0 ? dpi_ : GetDeviceCaps(win32::WindowDc(view_).dc(), LOGPIXELSY);
    format.yHeight = MulDiv(std::abs(logical.lfHeight), 1440, dpi);
    format.bCharSet = logical.lfCharSet;
    format.wWeight = static_cast<WORD>(logical.lfWeight);
    format.dwEffects =
        (logical.lfWeight >= FW_BOLD ? CFE_BOLD : 0) | (logical.lfItalic != 0 ? CFE_ITALIC : 0);
    lstrcpynW(format.szFaceName, logical.lfFaceName, LF_FACESIZE);
    SendMessageW(control, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void PageView::setDpi(int dpi) {
    if (dpi == dpi_)
        return;
    dpi_ = dpi;
    for (const HWND control : {page_, leavingPage_.get(), sparePage_.get()}) {
        if (control != nullptr)
            applyZoom(control);
    }
    // The page shown goes in again, into a control zoomed before its text: one zoomed after
    // keeps the old widths of its characters under Wine, and draws them over each other.
    if (!shownHtml_.empty())
        show(shownHtml_);
}

void PageView::applyZoom(HWND control) const {
    const int system = GetDeviceCaps(win32::WindowDc(view_).dc(), LOGPIXELSY);
    const int dpi = dpi_ != 0 ? dpi_ : system;
    SendMessageW(control, EM_SETZOOM, static_cast<WPARAM>(zoomPercent_ * dpi),
                 static_cast<LPARAM>(100 * system));
}

void PageView::zoom(int step) {
    setZoom(step == 0 ? 100 : std::min(400, std::max(50, zoomPercent_ + 10 * step)));
}

void PageView::setZoom(int percent) {
    zoomPercent_ = percent;
    applyZoom(page_);
}

bool PageView::translate(MSG& message) {
    // A key in the page while the next one comes in is for the next one, shown whole at once.
    // A click there was aimed at what the page before showed: it only brings the next one.
    if (message.hwnd != nullptr && (message.hwnd == page_ || formerPage(message.hwnd)) &&
        readsOrUsesPage(message.message))
        bringDuePage();
    if (message.hwnd != nullptr && message.hwnd == leavingPage_.get() &&
        readsOrUsesPage(message.message)) {
        fillPage(true);
        if (isButtonPress(message.message))
            return true;
        message.hwnd = page_;
    }
    // Tab goes from link to link and Enter follows one; the page, as a multi-line text, would
    // keep Tab for itself.
    if (message.message == WM_KEYDOWN && message.hwnd == page_ &&
        (GetKeyState(VK_CONTROL) & 0x8000) == 0 &&
        (message.wParam == VK_TAB || message.wParam == VK_RETURN))
        return pageKey(message.wParam, (GetKeyState(VK_SHIFT) & 0x8000) != 0);
    return false;
}

LRESULT CALLBACK PageView::pageProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR data) {
    return reinterpret_cast<PageView*>(data)->handlePage(control, message, wParam, lParam);
}

LRESULT PageView::handlePage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    // Whoever reads the page or acts on it gets the page due, whole, not as far as it has gone.
    if (!fillingPage_ && readsOrUsesPage(message))
        bringDuePage();
    if (control == page_ && !pageWhole() && readsOrUsesPage(message))
        fillPage(true);
    if (control != page_ && formerPage(control)) {
        // A control of a page gone passes the focus on; it and the one leaving pass on what
        // would read or use the page to the new one, which is then shown whole.
        if (message == WM_SETFOCUS && control != leavingPage_.get()) {
            SetFocus(shownPage());
            return 0;
        }
        if (readsOrUsesPage(message)) {
            fillPage(true);
            if (isButtonPress(message))
                return 0; // aimed at the page it showed (see translate)
            return passOn(message, wParam, lParam);
        }
    }
    if (control == page_ && message == WM_SETCURSOR && pageMouse(message, lParam))
        return TRUE;
    // A link is followed by a click in this page: not by the release of a press that went to
    // the page before it (see translate).
    if (control == page_ && message == WM_LBUTTONDOWN)
        pressedPage_ = control;
    if (control == page_ && message == WM_LBUTTONUP) {
        const LRESULT done = DefSubclassProc(control, message, wParam, lParam);
        if (pressedPage_ == control)
            pageMouse(message, lParam);
        pressedPage_ = nullptr;
        return done;
    }
    if (message == WM_GETOBJECT) {
        if (const LRESULT object = answerAccessibleObject(control, wParam, lParam, false))
            return object;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(control, pageProcedure, 0);
    return DefSubclassProc(control, message, wParam, lParam);
}
