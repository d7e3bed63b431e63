#pragma once

#include "Glossary.h"
#include "history/Favourites.h"
#include "history/WordHistory.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The words looked up in the database shown, and the favourites, kept per user: Back and
// Forward through the pages shown, the history of each database (written a moment after it
// changes, not at each key) and one list of favourites for every database.
class LookUpHistory {
public:
    // How a page came: a search while its word is typed amends the entry of that word.
    enum class From { Search, Other };
    static constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);

    // `mayWrite`: whether the product's settings may still be written.
    explicit LookUpHistory(std::function<bool()> mayWrite) : mayWrite_(std::move(mayWrite)) {}
    // The window whose timer writes the history (TIMER_SAVE_HISTORY).
    void attach(HWND window) { window_ = window; }

    // The database about to be shown (a full path): its words, and Back and Forward through
    // them. The same database read again keeps them; their entries are found again by term.
    void openDatabase(const std::wstring& database);
    // Entry `entry` with `term` shown. `wordEnded` (a pause, Enter, an emptied box) says that a
    // search starts another word; it is read and set as the entry is taken. `keep`: a word the
    // reader looked up, kept in the history.
    void shown(const std::u16string& term, std::size_t entry, From from, bool& wordEnded,
               bool keep);
    // Back (-1) or Forward (1): the entry of the next page in `glossary` that holds its word,
    // or kNoEntry.
    std::size_t step(int step, const Glossary& glossary);
    void save(); // now, if anything changed

    // The words kept, which the reader may change in their list; edited() takes the changes.
    history::WordHistory& words() { return lookedUp_; }
    void edited();
    // Adds or removes `term`; true when it was added.
    bool toggleFavourite(const std::u16string& term);
    history::Favourites& favourites() { return favourites_; }
    void saveFavourites() const;

private:
    struct Visit {
        std::u16string term;
        std::size_t entry;
    };
    void trace(); // Back and Forward anew from the words kept
    void remember(const std::u16string& term, bool amend);

    std::function<bool()> mayWrite_;
    HWND window_ = nullptr;
    std::vector<Visit> visits_;
    std::size_t at_ = 0; // the visit shown
    From lastFrom_ = From::Other;
    history::WordHistory lookedUp_;
    history::Favourites favourites_;
    bool favouritesRead_ = false;
    std::wstring database_; // the one lookedUp_ belongs to
    bool unsaved_ = false;  // lookedUp_ changed since it was written
};
