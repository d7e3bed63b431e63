#pragma once

#include "TermList.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A letter typed in the term list: the next term after the caret whose first character is
// that letter, wrapping at the end, as a list of strings does. Two binary searches a key at
// any size; built once from the terms in the search's case.
class TypeAhead {
public:
    // Once `stop` (if given) is set, throws SearchIndex::Stopped within a millisecond.
    explicit TypeAhead(const TermList& upper, const std::atomic<bool>* stop = nullptr);
    // `upperLetter` in the search's case; `caret` the list's caret, -1 for none. -1 when no
    // term begins with the letter.
    int next(char16_t upperLetter, int caret) const;

private:
    std::u16string initials_;             // each term's first character, 0 for an empty term
    std::vector<std::uint32_t> byLetter_; // indices ordered by initial, then index
};
