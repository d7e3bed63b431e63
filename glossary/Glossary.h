#pragma once

#include "SearchIndex.h"
#include "Suggestions.h"
#include "TermList.h"
#include "TypeAhead.h"

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The glossary's data and rules, apart from any window: the terms in table order, their
// definitions (read when asked for), the prefix search and the page text.
class Glossary {
public:
    using UpperCase = std::function<std::u16string(const std::u16string&)>;

    // Which rows of table Dict (from 0, in table order) are listed and what their pages show;
    // without it, every row as written. The user's choice of dictionaries comes in here.
    struct RowView {
        std::function<bool(std::uint32_t row)> listed;
        // The row's definition as shown; nothing leaves it off the page.
        std::function<std::optional<std::u16string>(std::uint32_t row, const std::u16string&)>
            shown;
        std::vector<std::u16string> sourceOrder; // of a page's dictionaries (articles::join)
    };

    // Reads the terms of table Dict (column 1) and where each row stands; definitions
    // (column 2) are read when shown. `upper` is the case folding the search compares in; by
    // default Unicode's full case folding (text::foldCase), as the dictionary import uses. A
    // missing or damaged file gives the terms read before the failure (often none); nothing is
    // thrown. `path` is UTF-8. When the file cannot be opened as a database at all, `failure` (if
    // given) gets the reason; when reading the terms stopped before the end of the table,
    // `damage` (if given) gets where and why. `most`: the first terms only, at most so many.
    static Glossary load(const std::string& path, UpperCase upper = UpperCase(),
                         std::string* failure = nullptr, std::string* damage = nullptr,
                         const RowView& view = RowView(), std::size_t most = SIZE_MAX);
    Glossary(std::vector<std::u16string> terms,
             std::vector<std::optional<std::u16string>> definitions, UpperCase upper = UpperCase());

    // One database of several read as one glossary (GlossarySet.cpp). `soleSource` names the
    // dictionary of a database of one, whose definitions carry no mark of it, so that its
    // parts take their place among the other databases' dictionaries.
    struct Part {
        std::string path; // UTF-8
        RowView view;
        std::u16string soleSource;
    };
    // What reading a part met: as load()'s `failure` and `damage`.
    struct PartRead {
        std::string failure, damage;
    };
    // The terms of every part in one list, in the order of terms (text::collate), a term that
    // several parts have once, its page joining theirs in `order` (the dictionaries of them all,
    // in the user's order). A part that cannot be read adds nothing; `reads` (if given) gets
    // what each part met. `most`: at most so many terms of each part.
    static Glossary loadSet(const std::vector<Part>& parts,
                            const std::vector<std::u16string>& order,
                            std::vector<PartRead>* reads = nullptr, UpperCase upper = UpperCase(),
                            std::size_t most = SIZE_MAX);
    // The entry that shows row `row` of part `part`'s table Dict, or -1 (entryOfRow's rule).
    int entryOfPartRow(std::size_t part, std::uint32_t row) const;
    // The parts of a set, in the order entryOfRow's tags number them (SetSearch): each one's
    // path and how many of its terms are listed; none when the glossary is one database.
    std::vector<std::pair<std::string, std::size_t>> parts() const;
    // The parts whose definitions could not be read since they were loaded (the file changed
    // or went while open), by path, with why; their entries then show the other parts' only.
    std::vector<std::pair<std::string, std::string>> lostParts() const;

    std::size_t size() const { return terms_->size(); }
    // The entry that shows row `row` of table Dict (as the full-text index counts rows), or -1
    // when it is not listed: no term, or only dictionaries that are off. In a set, the row is
    // tagged with its part (search::SetSearch::tagged).
    int entryOfRow(std::uint32_t row) const;
    static constexpr unsigned kPartShift = 27; // rows below 2^27 a part, 32 parts
    std::u16string_view term(std::size_t index) const { return (*terms_)[index]; }

    // How a search found its term.
    enum class Found {
        Nothing,
        Equal,                // the term itself, in that case or else ignoring case
        EqualIgnoringAccents, // "mangé" finds "mange"
        Prefix,               // the first term that begins with the text, ignoring case
        PrefixIgnoringAccents,
    };
    struct Match {
        int index = -1;
        Found found = Found::Nothing;
        std::u16string text; // what was looked for: the text without blanks at either end
    };

    // The term typed text selects, blanks at either end ignored: the term equal to it in its
    // case, else the first equal ignoring case, else the first equal ignoring accents too
    // ("ecole" finds "école" before "Ecole Normale"), else the first that begins with it
    // ignoring case, else ignoring accents too (text::foldAccents: "strasse" finds "Straße").
    // The empty text matches the first term.
    Match match(const std::u16string& typed) const;
    int search(const std::u16string& text) const { return match(text).index; }

    // The entry a link to `term` leads to: the first whose term equals it exactly, else the
    // first that equals it ignoring case; -1 when none does.
    int find(const std::u16string& term) const;

    // The definition shown for entry `index`: that of the first record whose term equals it
    // exactly, joined with those of the term written in other cases (articles::join). Nothing
    // when none of them can be shown (null or unreadable: the page then stays as it is).
    std::optional<std::u16string> definitionShownFor(std::size_t index) const;

    // The entry a letter typed in the list leads to: the next after `caret` (-1: none) whose
    // term begins with the letter, ignoring case, wrapping at the end; -1 when none does.
    int nextWithInitial(char16_t letter, int caret) const;

    // What a search that finds nothing offers: up to five entries whose terms are within two
    // edits of `text`, ignoring case, else those either side of where it sorts.
    std::vector<std::size_t> suggestions(const std::u16string& text) const;

    // The sorted index of a large glossary is built in the background; until it is there,
    // searches pass over the terms. Waits for it.
    void awaitIndex() const;
    // Whether awaitIndex() would return at once.
    bool indexReady() const;

    // For searches beyond the terms' beginnings (search/Wildcard.h): a text in the search's
    // case, the terms in it, and their sorted index (waits for it; null when it could not be
    // built).
    std::u16string folded(const std::u16string& text) const { return upperCase_(text); }
    const TermList& foldedTerms() const { return *upper_; }
    const SearchIndex* sortedIndex() const {
        awaitIndex();
        return index();
    }

    // The page shown for a term: fixed mark-up around the term (escaped, so that a term such as
    // "<g>" keeps its heading) and its definition (mark-up as it is).
    static std::u16string page(const std::u16string& term, const std::u16string& definition);

    // What the page says above a term found only by ignoring accents ("No "mangé"; showing
    // "mange"."); empty for any other match.
    std::u16string accentNote(const Match& match) const;

    // What the page says above the term a typed word is a form of ("running: a form of run"),
    // the other terms it may be a form of as links.
    static std::u16string formNote(const std::u16string& typed,
                                   const std::vector<std::u16string>& bases);

private:
    // Adds the definitions of entry `index` as written (one, or one per part that has the
    // term), none when they cannot be shown.
    using DefinitionReader =
        std::function<void(std::size_t index, std::vector<std::u16string>& into)>;
    Glossary(TermList terms, DefinitionReader definitionAt, const UpperCase& upper,
             std::shared_ptr<const TermList> folded = nullptr);
    // One database's terms and the reading of their definitions, apart from a Glossary.
    struct Read {
        TermList terms;
        std::shared_ptr<std::vector<std::uint32_t>> tableRows; // each term's row
        // The term's definition as shown; a reading that fails tells `lost` why.
        std::function<std::optional<std::u16string>(std::size_t,
                                                    const std::function<void(std::string)>& lost)>
            definition;
    };
    static Read read(const std::string& path, std::string* failure, std::string* damage,
                     const RowView& view, std::size_t most);
    struct SetState; // GlossarySet.cpp
    const SearchIndex* index() const;
    // The sorted terms without accents (none when no term has any); `built` says whether it
    // is there yet. Built after the index in the search's case, which every search needs.
    const SearchIndex* lettersIndex(bool& built) const;
    // match() in one pass over the terms, before the index is there.
    Match scannedMatch(Match found) const;
    int exactSearch(const std::u16string& wanted) const;
    int equalIgnoringAccents(const std::u16string& text) const;
    std::vector<std::uint32_t> equalIgnoringCase(const std::u16string& upper) const;
    int searchIgnoringAccents(const std::u16string& text) const;

    std::shared_ptr<const TermList> terms_;
    std::shared_ptr<const TermList> upper_;
    DefinitionReader definitionAt_;
    std::vector<std::u16string> sourceOrder_;
    std::shared_ptr<const std::vector<std::uint32_t>> tableRows_; // of each entry, when loaded
    std::shared_ptr<const SetState> set_;                         // when loaded as a set
    UpperCase upperCase_;
    mutable std::shared_future<std::shared_ptr<const SearchIndex>> pending_, pendingLetters_;
    mutable std::shared_ptr<const SearchIndex> index_, letters_;
    mutable bool lettersBuilt_ = false;
    mutable std::u16string noExactMatch_; // a folded text that no term begins with
    // A term in the search's case and every entry equal to it, from the last pass of match().
    mutable std::shared_ptr<const std::pair<std::u16string, std::vector<std::uint32_t>>> sameCase_;
    // Builds the indexes of a large glossary; when the last copy of the glossary goes, its
    // threads are stopped and waited for (briefly), so that none outlives what it reads.
    class IndexThread;
    std::shared_ptr<const IndexThread> builder_;
    // Made with the index of a large glossary, else at the first letter typed and the first
    // search in vain.
    mutable std::shared_ptr<const TypeAhead> typeAhead_;
    mutable std::shared_ptr<const Suggestions> suggestions_;
    mutable std::shared_future<std::shared_ptr<const TypeAhead>> pendingTypeAhead_;
    mutable std::shared_future<std::shared_ptr<const Suggestions>> pendingSuggestions_;
};

// Upper case for the search where the system offers none: ASCII, Latin-1, Greek and Cyrillic.
std::u16string simpleUpperCase(const std::u16string& text);
