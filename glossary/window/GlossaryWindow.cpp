#include "GlossaryWindow.h"

#include "Ids.h"
#include "WindowText.h"
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
    case MSG_FOLLOW_LINK:
        followLink(pendingLink_);
        return 0;
    case MSG_REPORT_LOAD_FAILURE:
        MessageBoxW(window_, loadFailure_.c_str(), kCaption, MB_OK | MB_ICONWARNING);
        return 0;
    case WM_TIMER:
        if (wParam == TIMER_REDRAW_LIST)
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
        glossary_ = Glossary::load(utf8(path));
        return;
    }
    std::string failure;
    glossary_ = Glossary::load(utf8(database_), {}, &failure);
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
    PostMessageW(window_, MSG_REPORT_LOAD_FAILURE, 0, 0);
}
