#include "TypeAhead.h"

#include "SearchIndex.h"

#include <algorithm>

namespace {

// Terms between two looks at the stop flag: well under a millisecond.
constexpr std::size_t kTermsBetweenLooks = 16384;

} // namespace

TypeAhead::TypeAhead(const TermList& upper, const std::atomic<bool>* stop) {
    initials_.resize(upper.size());
    std::vector<std::uint32_t> counts(0x10001, 0);
    for (std::size_t i = 0; i < upper.size(); ++i) {
        if (i % kTermsBetweenLooks == 0 && stop != nullptr && stop->load(std::memory_order_relaxed))
            throw SearchIndex::Stopped();
        const std::u16string_view term = upper[i];
        initials_[i] = term.empty() ? u'\0' : term[0];
        ++counts[static_cast<std::size_t>(initials_[i]) + 1];
    }
    // One counting pass keeps table order within each letter.
    for (std::size_t letter = 1; letter < counts.size(); ++letter)
        counts[letter] += counts[letter - 1];
    byLetter_.resize(upper.size());
    for (std::size_t i = 0; i < upper.size(); ++i)
        byLetter_[counts[initials_[i]]++] = static_cast<std::uint32_t>(i);
}

int TypeAhead::next(char16_t upperLetter, int caret) const {
    if (upperLetter == u'\0')
        return -1;
    const auto letterOf = [this](std::uint32_t index) { return initials_[index]; };
    const auto from = std::lower_bound(
        byLetter_.begin(), byLetter_.end(), upperLetter,
        [&](std::uint32_t index, char16_t letter) { return letterOf(index) < letter; });
    const auto to = std::upper_bound(
        from, byLetter_.end(), upperLetter,
        [&](char16_t letter, std::uint32_t index) { return letter < letterOf(index); });
    if (from == to)
        return -1;
    const auto after =
        std::upper_bound(from, to, static_cast<std::int64_t>(caret),
                         [](std::int64_t at, std::uint32_t index) { return at < index; });
    return static_cast<int>(after == to ? *from : *after);
}
