#include "Wildcard.h"

#include "SearchIndex.h"
#include "TermList.h"

namespace search {

namespace {

// One character of a pattern against one of the text: a surrogate pair is one character for
// `?`, so a pattern never stops between its halves.
std::size_t characterLength(std::u16string_view text, std::size_t at) {
    return at + 1 < text.size() && text[at] >= 0xD800 && text[at] < 0xDC00 &&
                   text[at + 1] >= 0xDC00 && text[at + 1] < 0xE000
               ? 2
               : 1;
}

} // namespace

bool matchesWildcard(std::u16string_view pattern, std::u16string_view text) {
    std::size_t p = 0, t = 0;
    std::size_t starP = std::u16string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = ++p;
            starT = t;
        } else if (p < pattern.size() && pattern[p] == u'?') {
            ++p;
            t += characterLength(text, t);
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starP != std::u16string_view::npos) {
            // The last star takes one more character.
            p = starP;
            starT += characterLength(text, starT);
            t = starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

std::vector<std::uint32_t> wildcardMatches(std::u16string_view foldedPattern,
                                           const SearchIndex& index, const TermList& folded) {
    const std::u16string_view literal =
        foldedPattern.substr(0, std::min(foldedPattern.find_first_of(u"*?"), foldedPattern.size()));
    std::vector<std::uint32_t> found;
    for (std::size_t at = index.sortPosition(literal); at < index.size(); ++at) {
        const std::uint32_t entry = index.atSortPosition(at);
        const std::u16string_view term = folded[entry];
        if (term.substr(0, literal.size()) != literal)
            break;
        if (matchesWildcard(foldedPattern, term))
            found.push_back(entry);
    }
    return found;
}

} // namespace search
