// The words looked up and the favourites, kept per user: the history of each database under the
// settings' key (a value a database, newest first), the favourites one list for every database.
// A value is written whole in one call, so that a run stopped while it writes leaves the list
// before or after, never a part of it.
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WordListDialog.h"
#include "win32/RegistryLines.h"

#include <cwchar>

namespace {

const wchar_t kSettingsKey[] = L"Software\\Technical Glossary";
const wchar_t kHistoryKey[] = L"Software\\Technical Glossary\\History"; // a value a database
const wchar_t kFavourites[] = L"Favourites";
// The history is written this long after its last change, not at each key typed.
constexpr UINT kHistorySaveDelayMs = 1000;

std::wstring fullPathOf(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

void GlossaryWindow::historyForDatabase() {
    startPage_ = true;
    if (!favouritesRead_) {
        favourites_ =
            history::Favourites(win32::readLines(HKEY_CURRENT_USER, kSettingsKey, kFavourites));
        favouritesRead_ = true;
    }
    // The same database read again (other dictionaries chosen) keeps its history; its entries
    // are found again by their terms.
    const std::wstring database = fullPathOf(databasePath());
    if (!historyOf_.empty() && _wcsicmp(database.c_str(), historyOf_.c_str()) == 0) {
        for (Visit& visit : history_)
            visit.entry = kNoEntry;
        return;
    }
    saveHistory();
    historyOf_ = database;
    lookedUp_ = history::WordHistory(win32::readLines(HKEY_CURRENT_USER, kHistoryKey, database));
    traceHistory();
}

void GlossaryWindow::traceHistory() {
    // Back goes through the words kept, the newest last; their entries are found when needed.
    history_.clear();
    const std::vector<std::u16string>& words = lookedUp_.words();
    for (auto word = words.rbegin(); word != words.rend(); ++word)
        history_.push_back({*word, kNoEntry});
    historyAt_ = history_.empty() ? 0 : history_.size() - 1;
    lastFrom_ = History::Other;
}

void GlossaryWindow::rememberLookUp(const std::u16string& term, bool amend) {
    // The page a database opens on is no word the reader looked up.
    if (startPage_)
        return;
    lookedUp_.add(term, amend);
    historyUnsaved_ = true;
    SetTimer(window_, TIMER_SAVE_HISTORY, kHistorySaveDelayMs, nullptr);
}

void GlossaryWindow::saveHistory() {
    KillTimer(window_, TIMER_SAVE_HISTORY);
    if (!historyUnsaved_ || historyOf_.empty() || !mayKeepSettings())
        return;
    win32::writeLines(HKEY_CURRENT_USER, kHistoryKey, historyOf_, lookedUp_.words());
    historyUnsaved_ = false;
}

void GlossaryWindow::saveFavourites() const {
    if (mayKeepSettings())
        win32::writeLines(HKEY_CURRENT_USER, kSettingsKey, kFavourites, favourites_.words());
}

void GlossaryWindow::showRememberedInSearch() {
    // As a browser's address bar: the word shown, selected, so that typing replaces it.
    if (shownEntry_ >= glossary_.size())
        return;
    showTermInSearch(shownEntry_);
    SendMessageW(search_, EM_SETSEL, 0, -1);
}

void GlossaryWindow::toggleFavourite() {
    const std::wstring term = shownTerm();
    if (term.empty()) {
        const wchar_t said[] = L"No word on the page to keep: look one up first.";
        setStatus(L"No word to keep", said);
        MessageBeep(MB_OK);
        return;
    }
    const bool added = favourites_.toggle(std::u16string(term.begin(), term.end()));
    saveFavourites();
    const std::wstring said = L"\u201C" + term +
                              (added ? L"\u201D added to the favourites; Ctrl+Shift+B lists them."
                                     : L"\u201D removed from the favourites.");
    // The line is narrow: the word and what to do next are spoken.
    setStatus(added ? L"Favourite" : L"No favourite", said);
}

void GlossaryWindow::openHistoryList() {
    const std::vector<std::u16string> before = lookedUp_.words();
    const std::u16string word = showHistoryList(instance_, window_, lookedUp_);
    if (lookedUp_.words() != before) {
        // What the reader deleted is gone from Back and Forward too.
        historyUnsaved_ = true;
        saveHistory();
        traceHistory();
    }
    if (!word.empty())
        lookUp(wide(word));
}

void GlossaryWindow::openFavourites() {
    const std::vector<std::u16string> before = favourites_.words();
    const std::u16string word = showFavouritesList(instance_, window_, favourites_);
    if (favourites_.words() != before)
        saveFavourites();
    if (!word.empty())
        lookUp(wide(word));
}
