#include "GlossaryWindow.h"

#include "Ids.h"
#include "page/HtmlToRtf.h"
#include "win32/ErrorText.h"

#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

const wchar_t kClassName[] = L"TechnicalGlossary";
const wchar_t kCaption[] = L"Technical Glossary";
const wchar_t kVersion[] = L"V 1.3";
const wchar_t kDatabase[] = L"Dict.mdb";
// Pages remembered for Back and Forward.
constexpr std::size_t kHistoryLength = 200;
constexpr UINT_PTR kRedrawListTimer = 1;
constexpr UINT kRedrawListDelayMs = 25;
constexpr UINT kFollowLink = WM_APP + 1;
constexpr UINT kReportLoadFailure = WM_APP + 2;

// The window's layout in twips, as it was designed: 15 twips are one pixel at 96 dpi.
constexpr int kTwipsPerInch = 1440;
constexpr int kClientWidth = 10365, kClientHeight = 5310;

// Where each control stands at the designed size, and how it follows when the window grows:
// the list and the page take the new height, the page the new width; Exit and the version
// label keep to the bottom right, the logo to the bottom left.
struct Placement {
    int id;
    int left, top, width, height;
    bool growWidth, growHeight, followRight, followBottom;
};
constexpr Placement kLayout[] = {
    {IDC_SEARCH, 240, 240, 2895, 375, false, false, false, false},
    {IDC_TERMS, 240, 840, 2895, 3420, false, true, false, false},
    {IDC_PAGE, 3480, 240, 6735, 4095, true, true, false, false},
    {IDC_EXIT, 8880, 4560, 855, 375, false, false, true, true},
    {IDC_LOGO, 240, 4380, 2895, 780, false, false, false, true},
    {IDC_VERSION, 9840, 5040, 500, 240, false, false, true, true},
};

const Placement& placementOf(int id) {
    for (const Placement& placement : kLayout) {
        if (placement.id == id)
            return placement;
    }
    return kLayout[0];
}

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

std::u16string upperCase(const std::u16string& text) {
    std::u16string upper = text;
    if (!upper.empty())
        CharUpperBuffW(reinterpret_cast<wchar_t*>(&upper[0]), static_cast<DWORD>(upper.size()));
    return upper;
}

// The system's message font at `dpi`.
HFONT messageFont(int dpi) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    const auto forDpi = reinterpret_cast<ForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    if (forDpi != nullptr &&
        forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
        return CreateFontIndirectW(&metrics.lfMessageFont);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        // Given for the system's density; scaled to the window's.
        const int systemDpi = GetDeviceCaps(win32::WindowDc(nullptr).dc(), LOGPIXELSY);
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
        return CreateFontIndirectW(&metrics.lfMessageFont);
    }
    return CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"MS Shell Dlg 2");
}

std::string utf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(length, 0)), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            length, nullptr, nullptr);
    return bytes;
}

std::u16string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(length));
    return std::u16string(text.begin(), text.end());
}

} // namespace

HWND GlossaryWindow::create(HINSTANCE instance, int show, const std::wstring& database) {
    LoadLibraryW(L"riched20.dll"); // registers the page view's class; kept for the process

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    const int dpi = GetDeviceCaps(win32::WindowDc(nullptr).dc(), LOGPIXELSX);
    RECT frame = {0, 0, MulDiv(kClientWidth, dpi, kTwipsPerInch),
                  MulDiv(kClientHeight, dpi, kTwipsPerInch)};
    const DWORD style = kStyle;
    AdjustWindowRect(&frame, style, FALSE);

    // Until its window exists the object is ours; from then on WM_NCDESTROY deletes it. A
    // creation that fails after the first message has still destroyed the window, so the
    // window must not delete what this function still owns.
    auto self = std::unique_ptr<GlossaryWindow>(new GlossaryWindow(instance));
    self->dpi_ = dpi;
    self->database_ = database;
    const HWND window = CreateWindowExW(
        0, kClassName, kCaption, style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
        frame.bottom - frame.top, nullptr, nullptr, instance, self.get());
    if (window == nullptr)
        return nullptr;
    self->ownedByWindow_ = true;
    self.release();
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

LRESULT CALLBACK GlossaryWindow::procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* self = reinterpret_cast<GlossaryWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self =
            static_cast<GlossaryWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        if (self->ownedByWindow_)
            delete self;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT GlossaryWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate();
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (onNotify(*reinterpret_cast<const NMHDR*>(lParam), result))
            return result;
        return DefWindowProcW(window_, message, wParam, lParam);
    }
    case WM_APPCOMMAND:
        // The keyboard's and the mouse's Back and Forward.
        if (GET_APPCOMMAND_LPARAM(lParam) == APPCOMMAND_BROWSER_BACKWARD) {
            goThroughHistory(-1);
            return TRUE;
        }
        if (GET_APPCOMMAND_LPARAM(lParam) == APPCOMMAND_BROWSER_FORWARD) {
            goThroughHistory(1);
            return TRUE;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    case kFollowLink:
        followLink(pendingLink_);
        return 0;
    case kReportLoadFailure:
        MessageBoxW(window_, loadFailure_.c_str(), kCaption, MB_OK | MB_ICONWARNING);
        return 0;
    case WM_TIMER:
        if (wParam == kRedrawListTimer)
            redrawList();
        return 0;
    case WM_VKEYTOITEM:
        return -1; // the list's own keys
    case WM_CHARTOITEM:
        return termByFirstLetter(LOWORD(wParam), HIWORD(wParam));
    case WM_DRAWITEM:
        if (wParam != IDC_TERMS)
            return DefWindowProcW(window_, message, wParam, lParam);
        drawTerm(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_SETCURSOR:
        // The hand shows over the logo alone, which is the only thing here to click like a link.
        if (reinterpret_cast<HWND>(wParam) == logoControl_ && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SIZE:
        layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_GETMINMAXINFO: {
        // Never smaller than designed: every control keeps its whole size.
        RECT frame = {0, 0, scaled(kClientWidth), scaled(kClientHeight)};
        AdjustWindowRect(&frame, kStyle, FALSE);
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

int GlossaryWindow::scaled(int twips) const {
    return MulDiv(twips, dpi_, kTwipsPerInch);
}

HWND GlossaryWindow::control(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id) {
    const Placement& at = placementOf(id);
    const HWND child =
        CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, scaled(at.left),
                        scaled(at.top), scaled(at.width), scaled(at.height), window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return child;
}

void GlossaryWindow::createFonts() {
    // The controls use the fonts until the window is gone; the object outlives its window.
    font_ = win32::Gdi<HFONT>(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                          FALSE, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                          L"MS Sans Serif"));
    labelFont_ =
        win32::Gdi<HFONT>(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                      DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Arial"));
    textFont_ = win32::Gdi<HFONT>(messageFont(dpi_));
}

void GlossaryWindow::onDpiChanged(int dpi, const RECT& suggested) {
    // The window moved to a screen of another density: fonts, sizes and places follow it.
    dpi_ = dpi;
    createFonts();
    for (const Placement& at : kLayout) {
        const HFONT font = at.id == IDC_VERSION                        ? labelFont_.get()
                           : at.id == IDC_SEARCH || at.id == IDC_TERMS ? textFont_.get()
                                                                       : font_.get();
        SendMessageW(GetDlgItem(window_, at.id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    setListItemHeight();
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client = {};
    GetClientRect(window_, &client);
    layout(client.right, client.bottom);
}

void GlossaryWindow::onCreate() {
    // The density of the screen the window is on, where the system can tell (Windows 10).
    using DpiForWindow = UINT(WINAPI*)(HWND);
    if (const auto dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")))) {
        if (const UINT dpi = dpiForWindow(window_))
            dpi_ = static_cast<int>(dpi);
    }
    createFonts();

    search_ = control(L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, IDC_SEARCH);
    // The list holds no strings: it draws the program's own terms, so a million of them are
    // there at once (see drawTerm).
    terms_ = control(L"LISTBOX", L"",
                     WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                         LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_WANTKEYBOARDINPUT,
                     IDC_TERMS);
    // Terms in any script: the system's message font, which the system links to fonts of
    // other scripts.
    for (const HWND text : {search_, terms_})
        SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
    setListItemHeight();
    page_ =
        control(L"RichEdit20W", L"",
                WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                IDC_PAGE);
    control(L"BUTTON", L"Exit", WS_TABSTOP | BS_PUSHBUTTON, IDC_EXIT);
    logoControl_ = control(L"STATIC", L"", SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE, IDC_LOGO);
    logo_ = win32::Gdi<HBITMAP>(static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    SendMessageW(logoControl_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_.get()));
    const HWND version = control(L"STATIC", kVersion, SS_LEFT, IDC_VERSION);
    SendMessageW(version, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);

    // The search box hands the list keys on to the list (see searchKey).
    SetWindowLongPtrW(search_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    searchDefault_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(search_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(searchProcedure)));
    // Focus rectangles stay visible, for the keyboard's sake.
    SendMessageW(window_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    focus_ = search_;

    // Links in the page tell the window when they are clicked; characters its fonts do not
    // have come from a font that has them.
    SendMessageW(page_, EM_SETEVENTMASK, 0, ENM_LINK);
    SendMessageW(page_, EM_SETLANGOPTIONS, 0, IMF_AUTOFONT | IMF_DUALFONT);
    loadGlossary();
    fillList();
    showPage(u""); // about:blank
    // Selecting the first entry shows the first term, as a click would.
    if (SendMessageW(terms_, LB_SETCURSEL, 0, 0) != LB_ERR)
        showSelected();
    SetFocus(search_);
}

void GlossaryWindow::layout(int width, int height) {
    const int grownWidth = std::max(0, width - scaled(kClientWidth));
    const int grownHeight = std::max(0, height - scaled(kClientHeight));
    HDWP positions = BeginDeferWindowPos(static_cast<int>(std::size(kLayout)));
    for (const Placement& at : kLayout) {
        const HWND child = GetDlgItem(window_, at.id);
        if (child == nullptr || positions == nullptr)
            continue;
        positions = DeferWindowPos(positions, child, nullptr,
                                   scaled(at.left) + (at.followRight ? grownWidth : 0),
                                   scaled(at.top) + (at.followBottom ? grownHeight : 0),
                                   scaled(at.width) + (at.growWidth ? grownWidth : 0),
                                   scaled(at.height) + (at.growHeight ? grownHeight : 0),
                                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    }
    if (positions != nullptr)
        EndDeferWindowPos(positions);
    // Moved controls draw themselves anew, not from what stood there before.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void GlossaryWindow::onActivate(bool active) {
    // As a dialog does: the control that had the focus gets it back, at first the search box.
    if (active) {
        SetFocus(focus_ != nullptr && IsWindow(focus_) ? focus_ : search_);
        return;
    }
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus))
        focus_ = focus;
}

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

bool GlossaryWindow::translateAccelerator(HWND window, const MSG& message) {
    auto* self = reinterpret_cast<GlossaryWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return false;
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    // Back and Forward as in a browser: Alt+Left and Alt+Right, the mouse's side buttons.
    if (message.message == WM_SYSKEYDOWN &&
        (message.wParam == VK_LEFT || message.wParam == VK_RIGHT)) {
        self->goThroughHistory(message.wParam == VK_LEFT ? -1 : 1);
        return true;
    }
    if (message.message == WM_XBUTTONUP || message.message == WM_XBUTTONDOWN) {
        if (message.message == WM_XBUTTONUP)
            self->goThroughHistory(GET_XBUTTON_WPARAM(message.wParam) == XBUTTON1 ? -1 : 1);
        return true;
    }
    if (message.message == WM_MOUSEWHEEL && (GET_KEYSTATE_WPARAM(message.wParam) & MK_CONTROL)) {
        self->zoom(GET_WHEEL_DELTA_WPARAM(message.wParam) > 0 ? 1 : -1);
        return true;
    }
    // Tab leaves the page too, which as a multi-line text would keep it for itself.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && message.hwnd == self->page_ &&
        !control) {
        const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        SetFocus(GetNextDlgTabItem(window, self->page_, back));
        return true;
    }
    if (message.message != WM_KEYDOWN || !control)
        return false;
    switch (message.wParam) {
    case VK_OEM_PLUS:
    case VK_ADD:
        self->zoom(1);
        return true;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
        self->zoom(-1);
        return true;
    case '0':
    case VK_NUMPAD0:
        self->zoom(0);
        return true;
    default:
        return false;
    }
}

void GlossaryWindow::zoom(int step) {
    // From half to four times the size, in steps of a tenth; 0 goes back to the designed size.
    zoomPercent_ = step == 0 ? 100 : std::min(400, std::max(50, zoomPercent_ + 10 * step));
    SendMessageW(page_, EM_SETZOOM, static_cast<WPARAM>(zoomPercent_), 100);
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

void GlossaryWindow::onCommand(int id, int code) {
    if (id == IDC_TERMS && code == LBN_SELCHANGE)
        showSelected();
    else if (id == IDC_SEARCH && code == EN_CHANGE)
        searchChanged();
    else if (id == IDC_LOGO && code == STN_CLICKED)
        openMakersPage();
    else if (id == IDC_EXIT && code == BN_CLICKED)
        DestroyWindow(window_);
}

void GlossaryWindow::showSelected() {
    const LRESULT selected = SendMessageW(terms_, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || static_cast<std::size_t>(selected) >= glossary_.size())
        return;
    showEntry(static_cast<std::size_t>(selected), true);
}

void GlossaryWindow::showEntry(std::size_t index, bool remember, History from) {
    // A null definition leaves the page as it was.
    const auto definition = glossary_.definitionShownFor(index);
    if (!definition)
        return;
    showPage(Glossary::page(std::u16string(glossary_.term(index)), *definition));
    if (!remember)
        return;
    // The pages one search shows while it is typed are one page of the history: going back
    // returns to the term shown before the search.
    const bool sameSearch = from == History::Search && lastFrom_ == History::Search;
    lastFrom_ = from;
    if (!history_.empty() && history_[historyAt_] == index)
        return;
    // A new page after going back drops the pages ahead, as a browser does.
    if (!history_.empty())
        history_.resize(historyAt_ + 1);
    if (sameSearch && !history_.empty())
        history_.back() = index;
    else
        history_.push_back(index);
    if (history_.size() > kHistoryLength)
        history_.erase(history_.begin());
    historyAt_ = history_.size() - 1;
}

void GlossaryWindow::goThroughHistory(int step) {
    if (history_.empty() || (step < 0 && historyAt_ == 0) ||
        (step > 0 && historyAt_ + 1 >= history_.size()))
        return;
    historyAt_ = step < 0 ? historyAt_ - 1 : historyAt_ + 1;
    lastFrom_ = History::Other;
    const std::size_t index = history_[historyAt_];
    selectInList(static_cast<int>(index));
    showEntry(index, false);
}

bool GlossaryWindow::onNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != page_ || header.code != EN_LINK)
        return false;
    const auto& link = reinterpret_cast<const ENLINK&>(header);
    if (link.msg == WM_SETCURSOR) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    }
    if (link.msg != WM_LBUTTONUP)
        return false;
    for (const PageLink& candidate : links_) {
        if (link.chrg.cpMin >= candidate.start && link.chrg.cpMin < candidate.end) {
            // Followed once the page has finished with its click: following replaces the page.
            pendingLink_ = candidate.target;
            PostMessageW(window_, kFollowLink, 0, 0);
            break;
        }
    }
    result = 0;
    return true;
}

// Opens nothing but a term of this glossary or a web or mail address: a page must never be
// able to start a program or open a file.
void GlossaryWindow::followLink(const std::u16string& target) {
    if (!target.empty() && target[0] == u'#') {
        const int index = glossary_.find(target.substr(1));
        if (index < 0)
            return;
        selectInList(index);
        showSelected();
        return;
    }
    std::u16string scheme;
    for (const char16_t c :
         target.substr(0, target.find(u':') == std::u16string::npos ? 0 : target.find(u':') + 1))
        scheme += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    const bool web =
        (scheme == u"http:" || scheme == u"https:") && target.compare(scheme.size(), 2, u"//") == 0;
    if (!web && scheme != u"mailto:")
        return;
    // An address that a shell or a handler's command line could read as more than one.
    for (const char16_t c : target) {
        if (c < 0x21 || c == u'"' || c == u'<' || c == u'>' || c == u'\\' || c == u'^' ||
            c == u'`' || c == u'|')
            return;
    }
    ShellExecuteW(window_, L"open", reinterpret_cast<const wchar_t*>(target.c_str()), nullptr,
                  nullptr, SW_SHOWNORMAL);
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
        SetTimer(window_, kRedrawListTimer, kRedrawListDelayMs, nullptr) != 0) {
        SendMessageW(terms_, WM_SETREDRAW, FALSE, 0);
        listRedrawPending_ = true;
    }
    SendMessageW(terms_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void GlossaryWindow::redrawList() {
    KillTimer(window_, kRedrawListTimer);
    if (!listRedrawPending_)
        return;
    listRedrawPending_ = false;
    SendMessageW(terms_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(terms_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void GlossaryWindow::openMakersPage() {
    wchar_t url[512] = {};
    if (LoadStringW(instance_, IDS_MAKER_URL, url, 512) > 0)
        ShellExecuteW(window_, L"open", url, L"", L"", SW_SHOW);
}

void GlossaryWindow::showPage(const std::u16string& html) {
    RtfPage page = htmlToPage(html);
    SETTEXTEX setting = {ST_DEFAULT, CP_ACP};
    SendMessageW(page_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&setting),
                 reinterpret_cast<LPARAM>(page.rtf.c_str()));
    // RTF has no word for a link the control acts on: the ranges are marked as links here.
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_LINK;
    format.dwEffects = CFE_LINK;
    for (const PageLink& link : page.links) {
        CHARRANGE range = {link.start, link.end};
        SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SendMessageW(page_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    CHARRANGE start = {0, 0};
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
    links_ = std::move(page.links);
}

void GlossaryWindow::loadGlossary() {
    if (database_.empty()) {
        // None named (or an empty name): the current directory first, as ever; then the program's
        // own directory. A missing default file is no error: the list stays empty.
        std::wstring path = kDatabase;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            wchar_t program[MAX_PATH] = {};
            const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
            std::wstring folder(program, length > 0 && length < MAX_PATH ? length : 0);
            folder.resize(folder.find_last_of(L'\\') == std::wstring::npos
                              ? 0
                              : folder.find_last_of(L'\\') + 1);
            if (!folder.empty())
                path = folder + kDatabase;
        }
        glossary_ = Glossary::load(utf8(path), upperCase);
        return;
    }
    std::string failure;
    glossary_ = Glossary::load(utf8(database_), upperCase, &failure);
    if (failure.empty())
        return;
    // A file named by the user that cannot be read is worth a word.
    std::wstring reason;
    if (GetFileAttributesW(database_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        reason = win32::systemMessage(GetLastError());
        if (reason.empty())
            reason = L"The file cannot be found.";
    } else {
        reason = std::wstring(failure.begin(), failure.end());
    }
    // Said once the window shows, so that the message stands in front of it.
    loadFailure_ = L"The glossary cannot read this database:\n" + database_ + L"\n\n" + reason;
    PostMessageW(window_, kReportLoadFailure, 0, 0);
}
