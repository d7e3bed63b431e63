#include "OutsideLookUps.h"

#include "Ids.h"
#include "LookupKeyDialog.h"
#include "WindowText.h"

void OutsideLookUps::start(HINSTANCE instance, HWND window, bool trayOnly) {
    instance_ = instance;
    window_ = window;
    settings_ = LookupSettings::read();
    popup_.create(instance_, {[this](const std::u16string& word) { openLookedUp(word); },
                              [this](const std::u16string& target) { followPopupLink(target); },
                              owner_.complete});
    clipboard_.start(instance_, settings_.trigger,
                     [this](const std::u16string& word) { lookUpCopied(word); });
    hotkey_.start(instance_, [this](const std::u16string& word) { lookUpCopied(word); });
    // Told once the window is there: another program may have taken the key meanwhile.
    if (settings_.trigger == ClipboardLookup::Trigger::OwnKey &&
        !hotkey_.setKey(settings_.lookupKey))
        PostMessageW(window_, MSG_LOOKUP_KEY_TAKEN, 0, 0);
    if (trayOnly)
        settings_.keepInTray = true;
    updateMenus();
}

void OutsideLookUps::lookUpCopied(const std::u16string& word) {
    std::u16string term;
    bool whole = true;
    const std::u16string html = owner_.page(word, term, whole);
    popup_.show(word, html, whole);
}

void OutsideLookUps::followPopupLink(const std::u16string& target) {
    // A term of the glossary shows in the popup; a web or mail address opens as in the window.
    if (target.empty() || target[0] != u'#') {
        owner_.followLink(target);
        return;
    }
    const std::optional<std::u16string> term = owner_.term(target.substr(1));
    if (!term)
        return;
    std::u16string shown;
    bool whole = true;
    popup_.showPage(*term, owner_.page(*term, shown, whole));
}

void OutsideLookUps::openLookedUp(const std::u16string& word) {
    if (!IsWindowVisible(window_) || IsIconic(window_))
        ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
    // Opened from the icon: the page shown stays.
    if (!word.empty())
        owner_.lookUp(word);
}
void OutsideLookUps::command(int id) {
    switch (id) {
    case IDM_LOOKUP_TWICE:
    case IDM_LOOKUP_EVERY:
    case IDM_LOOKUP_OFF:
        settings_.trigger = id == IDM_LOOKUP_TWICE   ? ClipboardLookup::Trigger::CopiedTwice
                            : id == IDM_LOOKUP_EVERY ? ClipboardLookup::Trigger::EveryCopy
                                                     : ClipboardLookup::Trigger::Off;
        clipboard_.setTrigger(settings_.trigger);
        hotkey_.setKey(0);
        if (settings_.trigger == ClipboardLookup::Trigger::Off)
            popup_.close();
        settings_.save();
        break;
    case IDM_LOOKUP_KEY: {
        WORD key = settings_.lookupKey;
        if (!chooseLookupKey(instance_, window_, hotkey_, key))
            break;
        settings_.lookupKey = key;
        settings_.trigger = ClipboardLookup::Trigger::OwnKey;
        clipboard_.setTrigger(settings_.trigger);
        settings_.save();
        break;
    }
    case IDM_KEEP_IN_TRAY:
        settings_.keepInTray = !settings_.keepInTray;
        settings_.save();
        break;
    case IDM_START_AT_LOGON:
        setStartAtLogon(!startsAtLogon());
        break;
    case IDM_OPEN_WINDOW:
        openLookedUp(std::u16string());
        return;
    case IDM_EXIT:
        DestroyWindow(window_);
        return;
    default:
        return;
    }
    updateMenus();
}

void OutsideLookUps::fillMenu(HMENU menu, bool iconMenu) const {
    const auto trigger = settings_.trigger;
    const auto checked = [](bool on) { return static_cast<UINT>(on ? MF_CHECKED : MF_UNCHECKED); };
    if (iconMenu) {
        AppendMenuW(menu, MF_STRING, IDM_OPEN_WINDOW, L"&Open Technical Glossary");
        SetMenuDefaultItem(menu, IDM_OPEN_WINDOW, FALSE);
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | checked(trigger == ClipboardLookup::Trigger::CopiedTwice),
                IDM_LOOKUP_TWICE, L"Look up a word copied &twice (Ctrl+C, Ctrl+C)");
    AppendMenuW(menu, MF_STRING | checked(trigger == ClipboardLookup::Trigger::EveryCopy),
                IDM_LOOKUP_EVERY, L"Look up &every word copied");
    const std::wstring ownKey = L"Look up the selected word with a &key of your own (" +
                                keyName(settings_.lookupKey) + L")...";
    AppendMenuW(menu, MF_STRING | checked(trigger == ClipboardLookup::Trigger::OwnKey),
                IDM_LOOKUP_KEY, ownKey.c_str());
    AppendMenuW(menu, MF_STRING | checked(trigger == ClipboardLookup::Trigger::Off), IDM_LOOKUP_OFF,
                L"No look-&up of copied words");
    AppendMenuW(menu, MF_STRING | checked(settings_.keepInTray), IDM_KEEP_IN_TRAY,
                L"Keep serving look-ups from the notification &area when closed");
    AppendMenuW(menu, MF_STRING | checked(startsAtLogon()), IDM_START_AT_LOGON,
                L"Start in the notification area at &log-on");
    if (iconMenu) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_EXIT, L"E&xit");
    }
}

void OutsideLookUps::updateMenus() {
    // The system menu (Alt+Space) holds the choices, after the system's own items.
    GetSystemMenu(window_, TRUE);
    fillMenu(GetSystemMenu(window_, FALSE), false);
    const bool wanted = settings_.keepInTray;
    if (wanted && !trayIcon_.shown()) {
        const std::wstring how = settings_.trigger == ClipboardLookup::Trigger::Off
                                     ? L"look-ups off"
                                 : settings_.trigger == ClipboardLookup::Trigger::OwnKey
                                     ? L"select a word and press " + keyName(settings_.lookupKey)
                                     : L"copy a word to look it up";
        trayIcon_.add(window_, std::wstring(kGlossaryName) + L": " + how);
    } else if (!wanted) {
        trayIcon_.remove();
    }
}

void OutsideLookUps::showIconMenu(POINT at) {
    const HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return;
    fillMenu(menu, true);
    // The menu closes when the reader clicks elsewhere only while the window is in front.
    SetForegroundWindow(window_);
    const auto id = static_cast<int>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr));
    DestroyMenu(menu);
    PostMessageW(window_, WM_NULL, 0, 0);
    if (id != 0)
        command(id);
}

bool OutsideLookUps::handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case MSG_NOTIFY_ICON: {
        POINT at = {};
        const TrayIcon::Request request = TrayIcon::requestOf(wParam, lParam, at);
        if (request == TrayIcon::Request::Open)
            openLookedUp(std::u16string());
        else if (request == TrayIcon::Request::Menu)
            showIconMenu(at);
        return true;
    }
    case WM_SYSCOMMAND:
        // The reader's close (the caption's button, Alt+F4, the system menu) hides the window
        // while the icon serves look-ups; WM_CLOSE alone, as another program (the uninstaller)
        // asks, still ends the program.
        if ((wParam & 0xFFF0) == SC_CLOSE && settings_.keepInTray && trayIcon_.shown()) {
            popup_.close();
            owner_.saveSettings();
            ShowWindow(window_, SW_HIDE);
            return true;
        }
        if ((wParam & 0xFFF0) < IDM_LOOKUP_TWICE || (wParam & 0xFFF0) > IDM_LOOKUP_KEY)
            return false;
        command(static_cast<int>(wParam & 0xFFF0));
        return true;
    case MSG_LOOKUP_KEY_TAKEN:
        MessageBoxW(window_, keyTakenNote(settings_.lookupKey).c_str(), kGlossaryName,
                    MB_OK | MB_ICONWARNING);
        return true;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        popup_.coloursChanged(message, wParam, lParam);
        return false;
    default:
        if (TrayIcon::taskbarCreated(message) && settings_.keepInTray) {
            trayIcon_.remove();
            updateMenus();
            return true;
        }
        return false;
    }
}
