// The words looked up and the favourites, kept per user: the history of each database under the
// settings' key (a value a database, newest first), the favourites one list for every database.
// A value is written whole in one call, so that a run stopped while it writes leaves the list
// before or after, never a part of it.
#include "LookUpHistory.h"

#include "Ids.h"
#include "win32/RegistryLines.h"

#include <cwchar>

namespace {

const wchar_t kSettingsKey[] = L"Software\\Technical Glossary";
const wchar_t kHistoryKey[] = L"Software\\Technical Glossary\\History"; // a value a database
const wchar_t kFavourites[] = L"Favourites";
// The history is written this long after its last change, not at each key typed.
constexpr UINT kHistorySaveDelayMs = 1000;
// Pages remembered for Back and Forward: as many as the words kept.
constexpr std::size_t kHistoryLength = history::WordHistory::kMaxWords;

} // namespace

void LookUpHistory::openDatabase(const std::wstring& database) {
    if (!favouritesRead_) {
        favourites_ =
            history::Favourites(win32::readLines(HKEY_CURRENT_USER, kSettingsKey, kFavourites));
        favouritesRead_ = true;
    }
    // The same database read again (other dictionaries chosen) keeps its history; its entries
    // are found again by their terms.
    if (!database_.empty() && _wcsicmp(database.c_str(), database_.c_str()) == 0) {
        for (Visit& visit : visits_)
            visit.entry = kNoEntry;
        return;
    }
    save();
    database_ = database;
    lookedUp_ = history::WordHistory(win32::readLines(HKEY_CURRENT_USER, kHistoryKey, database));
    trace();
}

void LookUpHistory::trace() {
    // Back goes through the words kept, the newest last; their entries are found when needed.
    visits_.clear();
    const std::vector<std::u16string>& words = lookedUp_.words();
    for (auto word = words.rbegin(); word != words.rend(); ++word)
        visits_.push_back({*word, kNoEntry});
    at_ = visits_.empty() ? 0 : visits_.size() - 1;
    lastFrom_ = From::Other;
}

void LookUpHistory::shown(const std::u16string& term, std::size_t entry, From from, bool& wordEnded,
                          bool keep) {
    // Each word looked up is an entry of the history: the pages a search shows while its word
    // is typed are one entry, and a pause, Enter or an emptied search box ends the word.
    const bool sameWord = from == From::Search && lastFrom_ == From::Search && !wordEnded;
    if (!visits_.empty() && visits_[at_].term == term &&
        (visits_[at_].entry == entry || visits_[at_].entry == kNoEntry)) {
        // The page shown already: a word that begins on it has no entry of its own yet.
        visits_[at_].entry = entry;
        if (!sameWord) {
            lastFrom_ = from;
            wordEnded = true;
        }
        return;
    }
    lastFrom_ = from;
    wordEnded = false;
    // A new page after going back drops the pages ahead, as a browser does.
    if (!visits_.empty())
        visits_.resize(at_ + 1);
    if (sameWord && !visits_.empty())
        visits_.back() = {term, entry};
    else
        visits_.push_back({term, entry});
    if (visits_.size() > kHistoryLength)
        visits_.erase(visits_.begin());
    at_ = visits_.size() - 1;
    // The page a database opens on is no word the reader looked up.
    if (keep)
        remember(term, sameWord);
}

std::size_t LookUpHistory::step(int step, const Glossary& glossary) {
    // A word kept from an earlier run, or from before other dictionaries were chosen, is found
    // again by its term; one the dictionaries shown do not hold is passed over.
    std::size_t at = at_;
    for (;;) {
        if (visits_.empty() || (step < 0 && at == 0) || (step > 0 && at + 1 >= visits_.size()))
            return kNoEntry;
        at = step < 0 ? at - 1 : at + 1;
        Visit& visit = visits_[at];
        if (visit.entry < glossary.size() && glossary.term(visit.entry) == visit.term)
            break;
        const int found = glossary.find(visit.term);
        if (found >= 0) {
            visit.entry = static_cast<std::size_t>(found);
            break;
        }
    }
    at_ = at;
    lastFrom_ = From::Other;
    return visits_[at].entry;
}

void LookUpHistory::remember(const std::u16string& term, bool amend) {
    lookedUp_.add(term, amend);
    unsaved_ = true;
    SetTimer(window_, TIMER_SAVE_HISTORY, kHistorySaveDelayMs, nullptr);
}

void LookUpHistory::save() {
    KillTimer(window_, TIMER_SAVE_HISTORY);
    if (!unsaved_ || database_.empty() || !mayWrite_())
        return;
    win32::writeLines(HKEY_CURRENT_USER, kHistoryKey, database_, lookedUp_.words());
    unsaved_ = false;
}

void LookUpHistory::edited() {
    // What the reader deleted is gone from Back and Forward too.
    unsaved_ = true;
    save();
    trace();
}

bool LookUpHistory::toggleFavourite(const std::u16string& term) {
    const bool added = favourites_.toggle(term);
    saveFavourites();
    return added;
}

void LookUpHistory::saveFavourites() const {
    if (mayWrite_())
        win32::writeLines(HKEY_CURRENT_USER, kSettingsKey, kFavourites, favourites_.words());
}
