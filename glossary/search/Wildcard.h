#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

class SearchIndex;
class TermList;

// Terms matching a pattern: `*` any run of characters (none too), `?` one character, anything
// else itself. Patterns and terms are compared in one folding, which the caller applies to
// both (the term search's case folding).
namespace search {

// Whether all of `text` matches `pattern`. Linear in practice: one `*` is backtracked at a time.
bool matchesWildcard(std::u16string_view pattern, std::u16string_view text);

// The terms whose folded form (`folded`, entry for entry the terms `index` sorts) matches
// `foldedPattern`, as indices in sorted order. Only the range of terms that begin with the
// pattern's text before its first wildcard is looked at.
std::vector<std::uint32_t> wildcardMatches(std::u16string_view foldedPattern,
                                           const SearchIndex& index, const TermList& folded);

} // namespace search
