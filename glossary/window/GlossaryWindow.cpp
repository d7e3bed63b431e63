#include "GlossaryWindow.h"

#include "AccessibleControl.h"
#include "Ids.h"
#include "RunningGlossary.h"
#include "WindowText.h"
#include "page/HtmlToRtf.h"
#include "win32/ErrorText.h"

#include "ProductInfo.h"

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

const wchar_t kClassName[] = L"TechnicalGlossary";
const wchar_t kVersion[] = L"V " PRODUCT_VERSION_WIDE;

} // namespace

HWND GlossaryWindow::create(HINSTANCE instance, int show, const StartArguments& start) {
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
    const RECT frame = initialFrame(dpi);
    const DWORD style = kStyle;

    // Until its window exists the object is ours; from then on WM_NCDESTROY deletes it. A
    // creation that fails after the first message has still destroyed the window, so the
    // window must not delete what this function still owns.
    auto self = std::unique_ptr<GlossaryWindow>(new GlossaryWindow(instance));
    self->dpi_ = dpi;
    self->database_ = start.database;
    self->startWord_ = start.word;
    self->remembered_ = rememberedAtStart();
    if (start.database.empty() && !self->remembered_.database.empty()) {
        self->database_ = self->remembered_.database;
        self->openedByUser_ = true;
    }
    const HWND window = CreateWindowExW(
        WS_EX_ACCEPTFILES, kClassName, kProductName, style, CW_USEDEFAULT, CW_USEDEFAULT,
        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, self.get());
    if (window == nullptr)
        return nullptr;
    self->ownedByWindow_ = true;
    GlossaryWindow* const created = self.release();
    created->outside_.start(instance, window, start.tray);
    created->restoreSettings(start.tray ? SW_HIDE : show);
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
    if (LRESULT result = 0; outside_.handle(message, wParam, lParam, result))
        return result;
    if (pageView_.find().isDialogMessage(message)) {
        pageView_.find().onDialogMessage(lParam, shownTerm());
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        onCreate();
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
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
    case MSG_SEARCH_NEWS:
        takeSearchNews();
        return 0;
    case MSG_SERVER_NEWS:
        if (dictionariesDialog_ != nullptr)
            PostMessageW(dictionariesDialog_, MSG_SERVER_NEWS, 0, 0);
        serverPage_.takeNews();
        return 0;
    case WM_COPYDATA: {
        StartArguments start;
        if (!RunningGlossary::received(*reinterpret_cast<const COPYDATASTRUCT*>(lParam), start))
            return FALSE;
        handedOver_.push_back(start);
        // Taken once this message is answered: the other start is waiting for the answer.
        PostMessageW(window_, MSG_TAKE_HANDED_OVER, 0, 0);
        return TRUE;
    }
    case MSG_DATABASE_READ:
        reading_.read();
        return 0;
    case MSG_FIRST_TERMS_READ:
        reading_.firstTermsRead();
        return 0;
    case MSG_TAKE_HANDED_OVER:
        takeHandedOver();
        return 0;
    case WM_ENABLE:
        // A box or dialog of the window has closed: what was handed over meanwhile is taken.
        if (wParam && !handedOver_.empty())
            PostMessageW(window_, MSG_TAKE_HANDED_OVER, 0, 0);
        return 0;
    case MSG_REPORT_LOAD_FAILURE:
        MessageBoxW(window_, loadFailure_.c_str(), kProductName, MB_OK | MB_ICONWARNING);
        return 0;
    case WM_DROPFILES: {
        // The first file dropped; one that cannot be read is named in a box. With Ctrl or
        // Shift held it joins the databases shown, else it replaces them.
        const auto drop = reinterpret_cast<HDROP>(wParam);
        wchar_t path[MAX_PATH] = {};
        const bool named = DragQueryFileW(drop, 0, path, MAX_PATH) > 0;
        DragFinish(drop);
        // As the keys are now: a drop comes from another program's drag.
        const bool adding = GetAsyncKeyState(VK_CONTROL) < 0 || GetAsyncKeyState(VK_SHIFT) < 0;
        if (named && adding)
            addDatabase(path);
        else if (named)
            openDatabase(path);
        return 0;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        // The page's colours follow the system's (a high-contrast theme).
        pageView_.coloursChanged(message, wParam, lParam);
        InvalidateRect(window_, nullptr, TRUE);
        return DefWindowProcW(window_, message, wParam, lParam);
    case WM_TIMER:
        if (wParam == TIMER_REDRAW_LIST)
            redrawList();
        else if (wParam == TIMER_SAVE_HISTORY)
            lookUps_.save();
        else if (wParam == TIMER_NO_MATCH_PAGE)
            showNoMatchPage();
        else if (wParam == TIMER_SEARCH_PAGE)
            showDuePage();
        else if (wParam == TIMER_AWAIT_INDEX)
            searchWhenIndexed();
        return 0;
    case WM_VKEYTOITEM:
        return -1; // the list's own keys
    case WM_CHARTOITEM:
        // The caret in wParam has 16 bits: the list is asked for the whole of it.
        return listed_.itemWithInitial(
            LOWORD(wParam), static_cast<int>(SendMessageW(terms_, LB_GETCARETINDEX, 0, 0)));
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
        if (splitter_.mouse(message, wParam, lParam, dpi_))
            return TRUE;
        return DefWindowProcW(window_, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (splitter_.mouse(message, wParam, lParam, dpi_))
            return 0;
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
    case WM_GETMINMAXINFO:
        limitSize(*reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_DESTROY:
        showDuePage(); // the word typed last is the one looked up, and remembered
        lookUps_.save();
        saveSettings();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
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
    // Next in the tab order after the search box it switches; Ctrl+Shift+F does so too.
    inDefinitions_ =
        control(L"BUTTON", L"&In definitions", WS_TABSTOP | BS_AUTOCHECKBOX, IDC_IN_DEFINITIONS);
    status_ = control(L"STATIC", L"", SS_RIGHT | SS_NOPREFIX | SS_ENDELLIPSIS, IDC_SEARCH_STATUS);
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
    // After the list in the order of Tab; its label names it (Alt+G).
    const HWND groupLabel = control(L"STATIC", L"&Group:", SS_LEFT, IDC_GROUP_LABEL);
    const HWND groupList =
        control(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, IDC_GROUP);
    SendMessageW(groupList, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
    groups_.attach(groupLabel, groupList);
    splitter_.attach(window_, IDC_TERMS, IDC_PAGE);
    lookUps_.attach(window_);
    pageView_.create(window_, IDC_PAGE, designedPlace(IDC_PAGE), font_.get(),
                     [this](const std::u16string& target) { followLink(target); });
    pageView_.setDpi(dpi_);
    pageView_.setFont(font_.get());
    // Whoever reads the page (a screen reader) or acts on it gets the page of what was typed.
    pageView_.beforeUse([this] { showDuePage(); });
    control(L"BUTTON", L"E&xit", WS_TABSTOP | BS_PUSHBUTTON, IDC_EXIT);
    // After Exit in the order of Tab, which goes on to the logo: search, list, page, Exit, then
    // the bottom row leftwards.
    control(L"BUTTON", L"Dictio&naries...", WS_TABSTOP | BS_PUSHBUTTON, IDC_DICTIONARIES);
    // A tab stop: Enter or Space there opens the maker's page (see translateAccelerator).
    logoControl_ =
        control(L"STATIC", L"", WS_TABSTOP | SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE, IDC_LOGO);
    setLogo();
    const HWND version = control(L"STATIC", kVersion, SS_LEFT, IDC_VERSION);
    SendMessageW(version, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);

    // Names for assistive technology; the list answers for its items, from our terms, to
    // anyone who asks (the system carries LB_GETTEXT across processes only for a list whose
    // style says it has strings; the list box itself was made without).
    setAccessibleName(search_, kSearchName);
    setAccessibleName(terms_, L"Terms");
    setAccessibleName(logoControl_, L"The maker's web page");
    for (const HWND added : {terms_, logoControl_, status_})
        SetWindowSubclass(added, controlProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
    SetWindowLongPtrW(terms_, GWL_STYLE, GetWindowLongPtrW(terms_, GWL_STYLE) | LBS_HASSTRINGS);

    // The search box hands the list keys on to the list (see searchKey).
    SetWindowLongPtrW(search_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    searchDefault_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(search_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(searchProcedure)));
    // Focus rectangles stay visible, for the keyboard's sake.
    SendMessageW(window_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    focus_ = search_;

    pageView_.find().attach(window_, pageView_.window(),
                            [this](const std::wstring& shown, const std::wstring& spoken) {
                                setStatus(shown, spoken);
                                findStatus_ = shown;
                            });
    SetFocus(search_);
    // The terms come on a thread of their own; the window shows meanwhile (showStart).
    reading_.attach(window_);
    reading_.start();
}

void GlossaryWindow::onActivate(bool active) {
    // As a dialog does: the control that had the focus gets it back, at first the search box.
    if (active) {
        SetFocus(focus_ != nullptr && IsWindowVisible(focus_) ? focus_ : search_);
        return;
    }
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus))
        // In the page, the page's window: the control there changes with each page.
        focus_ = IsChild(pageView_.window(), focus) ? pageView_.window() : focus;
}

void GlossaryWindow::onCommand(int id, int code) {
    if (id == IDC_TERMS && code == LBN_SELCHANGE)
        showSelected();
    else if (id == IDC_SEARCH && code == EN_CHANGE)
        searchChanged();
    else if (id == IDC_IN_DEFINITIONS && code == BN_CLICKED)
        setDefinitionsMode(SendMessageW(inDefinitions_, BM_GETCHECK, 0, 0) == BST_CHECKED);
    else if (id == IDC_LOGO && code == STN_CLICKED)
        openMakersPage();
    else if (id == IDC_EXIT && code == BN_CLICKED)
        DestroyWindow(window_);
    else if (id == IDC_DICTIONARIES && code == BN_CLICKED)
        chooseDictionaries();
    else if (id == IDC_GROUP && code == CBN_SELCHANGE && groups_.takeSelection())
        showGroup();
}
