// The DICT servers on the page: the local part shows at once and each server's part joins it
// when the server answers (its client's thread posts MSG_SERVER_NEWS); nothing here waits for
// the network. The servers and their dictionaries are remembered per user.
#include "GlossaryWindow.h"
#include "Ids.h"
#include "win32/Handles.h"
#include "win32/RegistryLines.h"

namespace {

const wchar_t kServersKey[] = L"Software\\Technical Glossary\\DICT servers";
const wchar_t kList[] = L"Servers"; // "@host:port", then "+database" or "-database" lines
// Time limits in milliseconds, for a slow network (or a test that cannot wait 10 s).
const wchar_t kConnectTimeout[] = L"Connect time-out";
const wchar_t kAnswerTimeout[] = L"Answer time-out";

DWORD storedNumber(HKEY key, const wchar_t* name, DWORD otherwise) {
    DWORD value = 0, type = 0, size = sizeof value;
    return RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                       ERROR_SUCCESS &&
                   type == REG_DWORD && value >= 100 && value <= 600000
               ? value
               : otherwise;
}

} // namespace

ServerSources& GlossaryWindow::servers() {
    if (servers_)
        return *servers_;
    win32::Key key;
    dict::ClientOptions options;
    std::vector<std::u16string> lines;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kServersKey, 0, KEY_QUERY_VALUE, key.receive()) ==
        ERROR_SUCCESS) {
        options.connectTimeoutMs =
            storedNumber(key.get(), kConnectTimeout, options.connectTimeoutMs);
        options.answerTimeoutMs = storedNumber(key.get(), kAnswerTimeout, options.answerTimeoutMs);
        lines = win32::readLines(key.get(), kList, 1024 * 1024);
    }
    const HWND window = window_;
    servers_ = std::make_unique<ServerSources>(
        [window] { PostMessageW(window, MSG_SERVER_NEWS, 0, 0); }, options);
    servers_->choice() = serversFromRemembered(lines);
    servers_->setShown([this](const std::u16string& address, const std::u16string& name) {
        return groups_.model().lets({address, name});
    });
    // Each server's list of databases, which may have changed since.
    servers_->takeDatabases(servers_->choice());
    return *servers_;
}

void GlossaryWindow::askServersAbout(const std::u16string& word) {
    if (word == serverAsked_)
        return;
    servers().withdrawWaiting();
    serverAsked_ = word;
    // A list of databases withdrawn with the rest is asked for again.
    servers_->takeDatabases(servers_->choice());
}

void GlossaryWindow::showWithServers(const std::u16string& top, const std::u16string& word,
                                     const std::u16string& bottom, bool noMatch) {
    askServersAbout(word);
    std::u16string part = servers().pagePart(word);
    showPage(top + part + bottom);
    serverPage_ = {true, noMatch, word, top, bottom, std::move(part), {}};
}

void GlossaryWindow::takeServerNews() {
    if (!servers_)
        return;
    if (dictionariesDialog_ != nullptr)
        PostMessageW(dictionariesDialog_, MSG_SERVER_NEWS, 0, 0);
    servers_->takeDatabases(servers_->choice());
    redrawServerPage();
}

void GlossaryWindow::redrawServerPage() {
    if (!serverPage_.shown)
        return;
    // Drawn anew only when the servers' part changed: an answer about another word does not.
    const std::u16string part = servers().pagePart(serverPage_.word);
    std::vector<std::u16string> nearby;
    if (serverPage_.noMatch)
        nearby = servers().nearMatches(serverPage_.word);
    if (part == serverPage_.part && nearby == serverPage_.nearby)
        return;
    if (serverPage_.noMatch) {
        // A later key's page is due already: this one's news must not take its turn.
        if (windowText(search_) != serverPage_.word)
            return;
        showNoMatch(serverPage_.word);
    } else
        showWithServers(serverPage_.top, serverPage_.word, serverPage_.bottom, false);
    serverPage_.nearby = std::move(nearby);
    if (definitionsMode_)
        markFoundWords(); // the page drawn anew lost them
    announceServersAnswer();
}

void GlossaryWindow::announceServersAnswer() {
    // The page a screen reader is reading changed without a key of the reader's: said as an
    // alert of the status line, whose shown text stays.
    const std::wstring word(serverPage_.word.begin(), serverPage_.word.end());
    setStatus(win32::windowText(status_), L"The DICT servers have answered for \u201C" + word +
                                              L"\u201D: the page now shows their part.");
    NotifyWinEvent(EVENT_SYSTEM_ALERT, status_, OBJID_CLIENT, CHILDID_SELF);
}

void GlossaryWindow::saveServers() const {
    if (!servers_)
        return;
    win32::Key key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kServersKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS)
        return;
    std::u16string text;
    for (const std::u16string& line : rememberedServers(servers_->choice()))
        text += line + u'\0';
    text += u'\0';
    RegSetValueExW(key.get(), kList, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(text.data()),
                   static_cast<DWORD>(text.size() * sizeof(char16_t)));
}
