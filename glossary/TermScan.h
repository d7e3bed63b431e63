#pragma once

#include "TermList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Every kind of match a search takes, found in one pass over the terms in table order, for the
// time before the sorted index is there (a pass over a million terms costs milliseconds; a
// search that finds nothing used to make four).
struct TermScan {
    // In the order a search prefers them; a kind after one that matched may stay unfound.
    int exact = -1;         // the first equal to the text in its case
    int equal = -1;         // the first equal ignoring case
    int equalLetters = -1;  // the first equal ignoring accents too
    int prefix = -1;        // the first beginning with it ignoring case
    int prefixLetters = -1; // the first beginning with it ignoring accents too
    // The entries whose upper-case term equals that of the best match when it is equal or a
    // prefix match, in table order (the page of the entry needs them); `sameCaseOf` that term.
    std::u16string sameCaseOf;
    std::vector<std::uint32_t> sameCase;

    // The match a search takes: the first kind above that matched.
    enum class Kind { Nothing, Equal, EqualLetters, Prefix, PrefixLetters };
    std::pair<int, Kind> best() const;
};

// `text` as typed, without blanks at either end; `upperText` in the search's case and
// `letters` without accents (text::foldAccents). `prefixes`: false when no term can begin
// with `upperText` (the prefix kind is then not looked for).
TermScan scanTerms(const TermList& terms, const TermList& upper, std::u16string_view text,
                   std::u16string_view upperText, std::u16string_view letters, bool prefixes);
