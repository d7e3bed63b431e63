// Look-ups from other programs: a word copied there shows its page in the popup, and the
// notification icon keeps serving them while the window is closed, if the reader chooses so.
#include "GlossaryWindow.h"
#include "Ids.h"
#include "LookupKeyDialog.h"
#include "dicttext/PlainToHtml.h"

#include <cwchar>

void GlossaryWindow::startLookups(bool trayOnly) {
    lookupSettings_ = LookupSettings::read();
    popup_.create(instance_,
                  {[this](const std::u16string& word) { openLookedUp(word); },
                   [this](const std::u16string& target) { followPopupLink(target); },
                   [this](const std::u16string& word) { return wholeLookupPage(word); }});
    clipboard_.start(instance_, lookupSettings_.trigger,
                     [this](const std::u16string& word) { lookUpCopied(word); });
    hotkey_.start(instance_, [this](const std::u16string& word) { lookUpCopied(word); });
    // Told once the window is there: another program may have taken the key meanwhile.
    if (lookupSettings_.trigger == ClipboardLookup::Trigger::OwnKey &&
        !hotkey_.setKey(lookupSettings_.lookupKey))
        PostMessageW(window_, MSG_LOOKUP_KEY_TAKEN, 0, 0);
    if (trayOnly)
        lookupSettings_.keepInTray = true;
    updateLookupMenus();
}

std::u16string GlossaryWindow::lookupPage(const std::u16string& word, std::u16string& term,
                                          bool& whole) {
    whole = true;
    popupAwaitsIndex_ = false;
    term = word;
    // Until every term is read the list holds the first of them only: no answer yet.
    if (reading_) {
        whole = false;
        return u"<font face='MS Sans Serif' size=2>" +
               escapeHtml(std::u16string(kReadingTerms,
                                         kReadingTerms +
                                             std::char_traits<wchar_t>::length(kReadingTerms))) +
               u" The page of <b>" + escapeHtml(word) + u"</b> follows once they are in.</font>";
    }
    // As the search box resolves a word: the term it begins, found ignoring accents, or the
    // term it is a form of; the note says which.
    Glossary::Match match = matchFor(word);
    std::u16string note;
    if (match.index < 0)
        match = wordFormMatch(word, note);
    if (match.index < 0) {
        // The nearest terms as links, which show their pages in the popup. They need the sorted
        // index: until it is built the answer comes without them, and they follow.
        std::u16string html = u"<font face='MS Sans Serif' size=2>No term begins with <b>" +
                              escapeHtml(word) + u"</b>.";
        if (!glossary_.indexReady()) {
            whole = false;
            popupAwaitsIndex_ = true;
            return damageNote_ + html + u"</font>";
        }
        const std::vector<std::size_t> nearest = glossary_.suggestions(word);
        for (std::size_t i = 0; i < nearest.size(); ++i) {
            const std::u16string nearTerm = escapeHtml(std::u16string(glossary_.term(nearest[i])));
            html += (i == 0 ? u" Nearest: " : u", ") +
                    (u"<a href=\"#" + nearTerm + u"\">" + nearTerm + u"</a>");
        }
        return damageNote_ + html + u"</font>";
    }
    const auto index = static_cast<std::size_t>(match.index);
    if (note.empty())
        note = glossary_.accentNote(match);
    term = std::u16string(glossary_.term(index));
    const auto definition = glossary_.definitionShownFor(index);
    return damageNote_ + note + Glossary::page(term, definition ? *definition : std::u16string());
}

std::optional<std::u16string> GlossaryWindow::wholeLookupPage(const std::u16string& word) {
    // Looked at often: nothing is searched again before what was missing is there.
    if (reading_ || (popupAwaitsIndex_ && !glossary_.indexReady()))
        return std::nullopt;
    std::u16string term;
    bool whole = true;
    std::u16string html = lookupPage(word, term, whole);
    if (!whole)
        return std::nullopt;
    return html;
}

void GlossaryWindow::lookUpCopied(const std::u16string& word) {
    std::u16string term;
    bool whole = true;
    const std::u16string html = lookupPage(word, term, whole);
    popup_.show(word, html, whole);
}

void GlossaryWindow::followPopupLink(const std::u16string& target) {
    // A term of the glossary shows in the popup; a web or mail address opens as in the window.
    if (target.empty() || target[0] != u'#') {
        followLink(target);
        return;
    }
    const int index = glossary_.find(target.substr(1));
    if (index < 0)
        return;
    const std::u16string term(glossary_.term(static_cast<std::size_t>(index)));
    std::u16string shown;
    bool whole = true;
    popup_.showPage(term, lookupPage(term, shown, whole));
}

void GlossaryWindow::openLookedUp(const std::u16string& word) {
    if (!IsWindowVisible(window_) || IsIconic(window_))
        ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
    // Opened from the icon: the page shown stays.
    if (!word.empty())
        lookUp(std::wstring(word.begin(), word.end()));
}

void GlossaryWindow::lookupCommand(int id) {
    switch (id) {
    case IDM_LOOKUP_TWICE:
    case IDM_LOOKUP_EVERY:
    case IDM_LOOKUP_OFF:
        lookupSettings_.trigger = id == IDM_LOOKUP_TWICE   ? ClipboardLookup::Trigger::CopiedTwice
                                  : id == IDM_LOOKUP_EVERY ? ClipboardLookup::Trigger::EveryCopy
                                                           : ClipboardLookup::Trigger::Off;
        clipboard_.setTrigger(lookupSettings_.trigger);
        hotkey_.setKey(0);
        if (lookupSettings_.trigger == ClipboardLookup::Trigger::Off)
            popup_.close();
        lookupSettings_.save();
        break;
    case IDM_LOOKUP_KEY: {
        WORD key = lookupSettings_.lookupKey;
        if (!chooseLookupKey(instance_, window_, hotkey_, key))
            break;
        lookupSettings_.lookupKey = key;
        lookupSettings_.trigger = ClipboardLookup::Trigger::OwnKey;
        clipboard_.setTrigger(lookupSettings_.trigger);
        lookupSettings_.save();
        break;
    }
    case IDM_KEEP_IN_TRAY:
        lookupSettings_.keepInTray = !lookupSettings_.keepInTray;
        lookupSettings_.save();
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
    updateLookupMenus();
}

void GlossaryWindow::fillLookupMenu(HMENU menu, bool iconMenu) const {
    const auto trigger = lookupSettings_.trigger;
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
                                keyName(lookupSettings_.lookupKey) + L")...";
    AppendMenuW(menu, MF_STRING | checked(trigger == ClipboardLookup::Trigger::OwnKey),
                IDM_LOOKUP_KEY, ownKey.c_str());
    AppendMenuW(menu, MF_STRING | checked(trigger == ClipboardLookup::Trigger::Off), IDM_LOOKUP_OFF,
                L"&No look-up of copied words");
    AppendMenuW(menu, MF_STRING | checked(lookupSettings_.keepInTray), IDM_KEEP_IN_TRAY,
                L"&Keep serving look-ups from the notification area when closed");
    AppendMenuW(menu, MF_STRING | checked(startsAtLogon()), IDM_START_AT_LOGON,
                L"&Start in the notification area at log-on");
    if (iconMenu) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_EXIT, L"E&xit");
    }
}

void GlossaryWindow::updateLookupMenus() {
    // The system menu (Alt+Space) holds the choices, after the system's own items.
    GetSystemMenu(window_, TRUE);
    fillLookupMenu(GetSystemMenu(window_, FALSE), false);
    const bool wanted = lookupSettings_.keepInTray;
    if (wanted && !trayIcon_.shown()) {
        const std::wstring how =
            lookupSettings_.trigger == ClipboardLookup::Trigger::Off ? L"look-ups off"
            : lookupSettings_.trigger == ClipboardLookup::Trigger::OwnKey
                ? L"select a word and press " + keyName(lookupSettings_.lookupKey)
                : L"copy a word to look it up";
        trayIcon_.add(window_, std::wstring(kProductName) + L": " + how);
    } else if (!wanted) {
        trayIcon_.remove();
    }
}

void GlossaryWindow::showIconMenu(POINT at) {
    const HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return;
    fillLookupMenu(menu, true);
    // The menu closes when the reader clicks elsewhere only while the window is in front.
    SetForegroundWindow(window_);
    const auto id = static_cast<int>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr));
    DestroyMenu(menu);
    PostMessageW(window_, WM_NULL, 0, 0);
    if (id != 0)
        lookupCommand(id);
}

bool GlossaryWindow::lookupMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
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
        if ((wParam & 0xFFF0) == SC_CLOSE && lookupSettings_.keepInTray && trayIcon_.shown()) {
            popup_.close();
            saveSettings();
            ShowWindow(window_, SW_HIDE);
            return true;
        }
        if ((wParam & 0xFFF0) < IDM_LOOKUP_TWICE || (wParam & 0xFFF0) > IDM_LOOKUP_KEY)
            return false;
        lookupCommand(static_cast<int>(wParam & 0xFFF0));
        return true;
    case MSG_LOOKUP_KEY_TAKEN:
        MessageBoxW(window_, keyTakenNote(lookupSettings_.lookupKey).c_str(), kProductName,
                    MB_OK | MB_ICONWARNING);
        return true;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        popup_.coloursChanged(message, wParam, lParam);
        return false;
    default:
        if (TrayIcon::taskbarCreated(message) && lookupSettings_.keepInTray) {
            trayIcon_.remove();
            updateLookupMenus();
            return true;
        }
        return false;
    }
}
