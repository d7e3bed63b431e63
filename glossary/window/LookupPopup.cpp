#include "LookupPopup.h"
#include "Glossary.h"
#include "Ids.h"
#include "WindowText.h"

#include <algorithm>

namespace {

const wchar_t kClassName[] = L"TechnicalGlossaryLookup";
// The popup's size at 96 dots an inch, and its distance from the mouse pointer.
constexpr int kWidth = 380, kHeight = 260, kFromPointer = 16;
constexpr int kMargin = 6, kButtonWidth = 150, kButtonHeight = 26;
constexpr UINT kWatchMs = 50;
// How often a page still to come looks whether what it needs is ready.
constexpr UINT kCompleteMs = 50;
// After the start, when the main window is up: the popup's controls are made then.
constexpr UINT kPrepareMs = 1000;

int dpiOf(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    if (const auto dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")))) {
        if (const UINT dpi = dpiForWindow(window))
            return static_cast<int>(dpi);
    }
    return GetDeviceCaps(win32::WindowDc(nullptr).dc(), LOGPIXELSX);
}

// Where a popup of `size` stands near `pointer`, inside `work`: right of it where there is
// room, else left; below the pointer's line (`gap` above and below the pointer) where there is
// room, else above it, else in the larger of the two, made as high as that room. It never
// covers the line the reader points at.
RECT placeNear(POINT pointer, SIZE size, const RECT& work, int gap) {
    const LONG width = std::min(size.cx, work.right - work.left);
    LONG left = pointer.x + gap;
    if (left + width > work.right)
        left = pointer.x - gap - width;
    left = std::clamp(left, work.left, work.right - width);
    const LONG below = std::clamp(pointer.y + gap, work.top, work.bottom);
    const LONG above = std::clamp(pointer.y - gap, work.top, work.bottom);
    const LONG roomBelow = work.bottom - below, roomAbove = above - work.top;
    LONG top = 0, height = size.cy;
    if (height <= roomBelow) {
        top = below;
    } else if (height <= roomAbove) {
        top = above - height;
    } else if (roomBelow >= roomAbove) {
        height = roomBelow;
        top = below;
    } else {
        height = roomAbove;
        top = work.top;
    }
    return RECT{left, top, left + width, top + height};
}

bool down(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

} // namespace

bool LookupPopup::create(HINSTANCE instance, Actions actions) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    actions_ = std::move(actions);
    // Above the reader's program, never in the taskbar, and not activated by being shown.
    window_ = win32::OwnWindow(
        CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_CONTROLPARENT,
                        kClassName, kGlossaryName, WS_POPUP | WS_BORDER | WS_CLIPCHILDREN, 0, 0,
                        kWidth, kHeight, nullptr, nullptr, instance, this));
    if (!window_)
        return false;
    dpi_ = dpiOf(window_.get());
    setDpi(dpi_);
    RECT place = {0, 0, 1, 1};
    if (!page_.create(window_.get(), IDC_POPUP_PAGE, place, pageFont_.get(),
                      [this](const std::u16string& target) { actions_.follow(target); }))
        return false;
    button_ = CreateWindowExW(
        0, L"BUTTON", L"&Open in the glossary", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
        0, 0, 1, 1, window_.get(), reinterpret_cast<HMENU>(IDC_POPUP_OPEN), instance, nullptr);
    setDpi(dpi_);
    SetTimer(window_.get(), TIMER_POPUP_PREPARE, kPrepareMs, nullptr);
    return button_ != nullptr;
}

void LookupPopup::prepare() {
    if (!window_ || shown())
        return;
    // A page put into the hidden popup: its rich edit controls and fonts are made now (those of
    // a term's page: its heading, bold, a link), and the next page goes into the spare control
    // that this one leaves.
    layout();
    page_.show(Glossary::page(u"Glossary", u"<b>A</b> <a href=\"#A\">A</a>"));
}

void LookupPopup::show(const std::u16string& word, const std::u16string& html, bool whole) {
    if (!window_)
        return;
    POINT pointer = {};
    GetCursorPos(&pointer);
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &screen);
    // On the pointer's screen first, so that the window takes that screen's density.
    if (!shown())
        SetWindowPos(window_.get(), HWND_TOPMOST, pointer.x, pointer.y, 0, 0,
                     SWP_NOACTIVATE | SWP_NOSIZE);
    const int dpi = dpiOf(window_.get());
    if (dpi != dpi_)
        setDpi(dpi);
    const RECT place = placeNear(pointer, SIZE{scaled(kWidth), scaled(kHeight)}, screen.rcWork,
                                 scaled(kFromPointer));
    foreground_ = GetForegroundWindow();
    // Placed and given its page while hidden, then shown: drawn once, never first with the
    // page of the word before.
    const bool wasShown = shown();
    SetWindowPos(window_.get(), HWND_TOPMOST, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOACTIVATE);
    layout();
    putPage(word, html);
    if (!wasShown)
        SetWindowPos(window_.get(), HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    announce();
    if (whole)
        KillTimer(window_.get(), TIMER_POPUP_COMPLETE);
    else
        SetTimer(window_.get(), TIMER_POPUP_COMPLETE, kCompleteMs, nullptr);
    SetTimer(window_.get(), TIMER_POPUP_WATCH, kWatchMs, nullptr);
    if (foreground_ != window_.get())
        takeKeys(true);
}

void LookupPopup::showPage(const std::u16string& word, const std::u16string& html) {
    putPage(word, html);
    announce();
}

void LookupPopup::putPage(const std::u16string& word, const std::u16string& html) {
    word_ = word;
    page_.show(html);
    const std::wstring name = std::wstring(kGlossaryName) + L": " +
                              std::wstring(word.begin(), word.end()) +
                              L". Escape closes, Enter opens the word in the glossary.";
    SetWindowTextW(window_.get(), name.c_str());
}

void LookupPopup::announce() {
    // A screen reader reads the popup's name when it is announced: the name of its client
    // object, which the window's text gives (the frame's object answers none under Wine).
    NotifyWinEvent(EVENT_SYSTEM_ALERT, window_.get(), OBJID_CLIENT, CHILDID_SELF);
}

void LookupPopup::completePage() {
    const std::optional<std::u16string> html =
        shown() && actions_.complete ? actions_.complete(word_) : std::u16string();
    if (!html)
        return;
    KillTimer(window_.get(), TIMER_POPUP_COMPLETE);
    if (!html->empty())
        page_.show(*html);
}

void LookupPopup::close() {
    if (!window_)
        return;
    KillTimer(window_.get(), TIMER_POPUP_WATCH);
    KillTimer(window_.get(), TIMER_POPUP_COMPLETE);
    takeKeys(false);
    ShowWindow(window_.get(), SW_HIDE);
}

void LookupPopup::open() {
    const std::u16string word = word_;
    close();
    actions_.open(word);
}

void LookupPopup::takeKeys(bool take) {
    if (take == keysTaken_)
        return;
    keysTaken_ = take;
    if (take) {
        RegisterHotKey(window_.get(), HOTKEY_POPUP_ESCAPE, 0, VK_ESCAPE);
        RegisterHotKey(window_.get(), HOTKEY_POPUP_ENTER, 0, VK_RETURN);
    } else {
        UnregisterHotKey(window_.get(), HOTKEY_POPUP_ESCAPE);
        UnregisterHotKey(window_.get(), HOTKEY_POPUP_ENTER);
    }
}

void LookupPopup::watch() {
    const HWND foreground = GetForegroundWindow();
    if (foreground != foreground_ && foreground != window_.get() && foreground != nullptr) {
        close();
        return;
    }
    if (!down(VK_LBUTTON) && !down(VK_RBUTTON) && !down(VK_MBUTTON))
        return;
    POINT pointer = {};
    GetCursorPos(&pointer);
    RECT frame = {};
    GetWindowRect(window_.get(), &frame);
    if (!PtInRect(&frame, pointer))
        close();
}

bool LookupPopup::translate(MSG& message) {
    if (!shown() || message.hwnd == nullptr ||
        (message.hwnd != window_.get() && !IsChild(window_.get(), message.hwnd)))
        return false;
    if (page_.translate(message))
        return true;
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
        close();
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        open();
        return true;
    }
    return IsDialogMessageW(window_.get(), &message) != FALSE;
}

void LookupPopup::coloursChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    page_.coloursChanged(message, wParam, lParam);
    if (window_)
        InvalidateRect(window_.get(), nullptr, TRUE);
}

void LookupPopup::setDpi(int dpi) {
    dpi_ = dpi;
    pageFont_ = win32::Gdi<HFONT>(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE,
                                              FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                              CLEARTYPE_QUALITY, 0, L"MS Sans Serif"));
    buttonFont_ = win32::Gdi<HFONT>(CreateFontW(-MulDiv(9, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE,
                                                FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                                CLEARTYPE_QUALITY, 0, L"MS Shell Dlg 2"));
    // As the window's page: the font counted at this density and the page zoomed to it, so
    // that the page's own sizes (its headings) follow the density too.
    if (page_.window() != nullptr) {
        page_.setDpi(dpi_);
        page_.setFont(pageFont_.get());
    }
    if (button_ != nullptr)
        SendMessageW(button_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.get()), TRUE);
}

void LookupPopup::layout() {
    RECT client = {};
    GetClientRect(window_.get(), &client);
    const int margin = scaled(kMargin), buttonHeight = scaled(kButtonHeight);
    const int buttonWidth = std::min<int>(scaled(kButtonWidth), client.right - 2 * margin);
    const int buttonTop = client.bottom - margin - buttonHeight;
    SetWindowPos(page_.window(), nullptr, margin, margin, client.right - 2 * margin,
                 std::max<int>(0, buttonTop - 2 * margin), SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(button_, nullptr, client.right - margin - buttonWidth, buttonTop, buttonWidth,
                 buttonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK LookupPopup::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<LookupPopup*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->window_.get() != window)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT LookupPopup::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_.get();
    switch (message) {
    case WM_MOUSEACTIVATE:
        // The reader clicked into it: now it may have the keyboard, and keeps its own keys.
        takeKeys(false);
        SetForegroundWindow(window);
        return MA_ACTIVATE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            // Left for another window (of another program, named or not): a click elsewhere.
            if (shown())
                close();
        } else {
            takeKeys(false);
            SetFocus(page_.window());
        }
        return 0;
    case WM_HOTKEY:
        if (wParam == HOTKEY_POPUP_ESCAPE)
            close();
        else if (wParam == HOTKEY_POPUP_ENTER)
            open();
        return 0;
    case WM_TIMER:
        if (wParam == TIMER_POPUP_WATCH)
            watch();
        else if (wParam == TIMER_POPUP_COMPLETE)
            completePage();
        else if (wParam == TIMER_POPUP_PREPARE) {
            KillTimer(window, TIMER_POPUP_PREPARE);
            prepare();
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_POPUP_OPEN && HIWORD(wParam) == BN_CLICKED)
            open();
        return 0;
    case WM_SIZE:
        if (page_.window() != nullptr)
            layout();
        return 0;
    case WM_DPICHANGED: {
        setDpi(HIWORD(wParam));
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested.left, suggested.top,
                     suggested.right - suggested.left, suggested.bottom - suggested.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        coloursChanged(message, wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_CLOSE:
        close();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
