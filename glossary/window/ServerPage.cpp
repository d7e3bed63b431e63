#include "ServerPage.h"

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

ServerSources& ServerPage::servers() {
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
    const HWND window = owner_.window();
    servers_ = std::make_unique<ServerSources>(
        [window] { PostMessageW(window, MSG_SERVER_NEWS, 0, 0); }, options);
    servers_->choice() = serversFromRemembered(lines);
    servers_->setShown(owner_.lets);
    // Each server's list of databases, which may have changed since.
    servers_->takeDatabases(servers_->choice());
    return *servers_;
}

void ServerPage::ask(const std::u16string& word) {
    if (word == asked_)
        return;
    servers().withdrawWaiting();
    asked_ = word;
    // A list of databases withdrawn with the rest is asked for again.
    servers_->takeDatabases(servers_->choice());
}

void ServerPage::show(const std::u16string& top, const std::u16string& word,
                      const std::u16string& bottom, bool noMatch) {
    ask(word);
    std::u16string part = servers().pagePart(word);
    owner_.showPage(top + part + bottom);
    shown = true;
    noMatch_ = noMatch;
    word_ = word;
    top_ = top;
    bottom_ = bottom;
    part_ = std::move(part);
    nearby_.clear();
}

void ServerPage::takeNews() {
    if (!servers_)
        return;
    servers_->takeDatabases(servers_->choice());
    redraw();
}

void ServerPage::redraw() {
    if (!shown)
        return;
    // Drawn anew only when the servers' part changed: an answer about another word does not.
    const std::u16string part = servers().pagePart(word_);
    std::vector<std::u16string> nearby;
    if (noMatch_)
        nearby = servers().nearMatches(word_);
    if (part == part_ && nearby == nearby_)
        return;
    if (noMatch_) {
        // A later key's page is due already: this one's news must not take its turn.
        if (owner_.searchText() != word_)
            return;
        owner_.showNoMatch(word_);
    } else
        show(top_, word_, bottom_, false);
    nearby_ = std::move(nearby);
    owner_.redrawn(word_);
}

void ServerPage::save() const {
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
