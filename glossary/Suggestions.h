#pragma once

#include "SearchIndex.h"
#include "TermList.h"

#include <cstddef>
#include <string_view>
#include <vector>

// The terms offered when a search finds nothing: up to `most` terms within two edits (a
// character inserted, deleted or replaced) of the text, nearest first and then in table order;
// when none is that near, the terms either side of where the text sorts. Each text appears
// once. `upper` and `upperText` are in the search's case; `sorted` indexes `upper`.
std::vector<std::size_t> nearestTerms(const TermList& upper, const SearchIndex& sorted,
                                      std::u16string_view upperText, std::size_t most = 5);

// The edit distance of two texts when it is at most `limit`, else limit + 1.
int editDistanceWithin(std::u16string_view a, std::u16string_view b, int limit);
