#include "text/TextFind.h"

#include "text/Folding.h"

#include <algorithm>
#include <string>
#include <vector>

namespace text {

namespace {

bool highSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
bool lowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

// The text as compared, and for each of its units where in the original its letter began;
// one more entry, the original's length, closes the list.
struct Folded {
    std::u16string units;
    std::vector<std::size_t> origin;
};

Folded fold(std::u16string_view text, bool matchCase) {
    Folded folded;
    folded.units.reserve(text.size());
    folded.origin.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length =
            highSurrogate(text[i]) && i + 1 < text.size() && lowSurrogate(text[i + 1]) ? 2 : 1;
        const std::u16string_view letter = text.substr(i, length);
        const std::u16string piece = matchCase ? std::u16string(letter) : foldAccents(letter);
        folded.units += piece;
        folded.origin.insert(folded.origin.end(), piece.size(), i);
        i += length;
    }
    folded.origin.push_back(text.size());
    return folded;
}

} // namespace

std::optional<Span> findText(std::u16string_view text, std::u16string_view wanted, std::size_t from,
                             bool forward, bool matchCase) {
    const std::u16string key = matchCase ? std::u16string(wanted) : foldAccents(wanted);
    if (key.empty() || text.empty())
        return std::nullopt;
    const Folded folded = fold(text, matchCase);
    // The first unit whose letter begins at or after `from`.
    const auto firstFrom = static_cast<std::size_t>(
        std::lower_bound(folded.origin.begin(), folded.origin.end() - 1, from) -
        folded.origin.begin());
    std::size_t at = std::u16string::npos;
    if (forward)
        at = folded.units.find(key, firstFrom);
    else if (firstFrom > 0)
        at = folded.units.rfind(key, firstFrom - 1);
    if (at == std::u16string::npos)
        return std::nullopt;
    // The match ends with the letter of its last unit.
    const std::size_t last = folded.origin[at + key.size() - 1];
    std::size_t end = at + key.size();
    while (folded.origin[end] == last)
        ++end;
    return Span{folded.origin[at], folded.origin[end]};
}

std::optional<Span> findTextAround(std::u16string_view text, std::u16string_view wanted,
                                   std::size_t from, bool forward, bool matchCase) {
    if (auto found = findText(text, wanted, from, forward, matchCase))
        return found;
    return findText(text, wanted, forward ? 0 : text.size(), forward, matchCase);
}

} // namespace text
