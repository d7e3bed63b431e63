#pragma once

#include "SearchIndex.h"
#include "TermList.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The terms offered when a search finds nothing: up to `most` terms within two edits (a
// character inserted, deleted or replaced, or two neighbours swapped) of the text, nearest
// first, then those whose length differs least, then in table order;
// when none is that near, the terms either side of where the text sorts. Each text appears
// once. Built once over the terms in the search's case.
class Suggestions {
public:
    // Once `stop` (if given) is set, throws SearchIndex::Stopped within a millisecond.
    explicit Suggestions(std::shared_ptr<const TermList> upper,
                         const std::atomic<bool>* stop = nullptr);
    // `upperText` in the search's case; `sorted` indexes the same terms.
    std::vector<std::size_t> nearest(const SearchIndex& sorted, std::u16string_view upperText,
                                     std::size_t most = 5) const;

private:
    std::shared_ptr<const TermList> upper_;
    // Which characters (modulo 64) each term has: an edit adds or removes at most one, so a
    // term whose set differs from the text's by more than two cannot be within two edits.
    std::vector<std::uint64_t> characters_;
};

// The edit distance of two texts (a swap of neighbours one edit: optimal string alignment)
// when it is at most `limit`, else limit + 1.
int editDistanceWithin(std::u16string_view a, std::u16string_view b, int limit);
