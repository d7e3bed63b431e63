#include "SearchIndex.h"

#include <algorithm>

namespace {

// Comparisons between two looks at the stop flag: some microseconds.
constexpr unsigned kComparisonsBetweenLooks = 1024;

} // namespace

SearchIndex::SearchIndex(std::shared_ptr<const TermList> upper, const std::atomic<bool>* stop)
    : upper_(std::move(upper)) {
    const TermList& folded = *upper_;
    const std::size_t count = folded.size();
    // Sorted by the first four characters packed in a number first: most comparisons are
    // settled there, without reaching into the terms' text (a few times quicker for a million).
    struct Keyed {
        std::uint64_t key;
        std::uint32_t index;
    };
    std::vector<Keyed> keyed(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::u16string_view term = folded[i];
        std::uint64_t key = 0;
        for (std::size_t c = 0; c < 4; ++c)
            key = key << 16 | (c < term.size() ? term[c] : 0u); // no term holds a NUL
        keyed[i] = {key, i};
    }
    unsigned comparisons = 0;
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (stop != nullptr && ++comparisons % kComparisonsBetweenLooks == 0 &&
            stop->load(std::memory_order_relaxed))
            throw Stopped();
        if (a.key != b.key)
            return a.key < b.key;
        const std::u16string_view left = folded[a.index], right = folded[b.index];
        const int order = left.size() > 4 && right.size() > 4
                              ? left.substr(4).compare(right.substr(4))
                              : left.compare(right);
        return order < 0 || (order == 0 && a.index < b.index);
    });
    sorted_.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        sorted_[i] = keyed[i].index;

    // A tree over sorted_: leaf i at count + i, each inner node the smaller of its two.
    smallest_.resize(2 * count);
    std::copy(sorted_.begin(), sorted_.end(),
              smallest_.begin() + static_cast<std::ptrdiff_t>(count));
    for (std::size_t node = count; node-- > 1;)
        smallest_[node] = std::min(smallest_[2 * node], smallest_[2 * node + 1]);
}

std::uint32_t SearchIndex::smallestIn(std::size_t from, std::size_t to) const {
    std::uint32_t smallest = UINT32_MAX;
    const std::size_t count = sorted_.size();
    for (from += count, to += count; from < to; from /= 2, to /= 2) {
        if (from % 2 == 1)
            smallest = std::min(smallest, smallest_[from++]);
        if (to % 2 == 1)
            smallest = std::min(smallest, smallest_[--to]);
    }
    return smallest;
}

int SearchIndex::first(std::u16string_view upperPrefix) const {
    const TermList& folded = *upper_;
    const std::size_t length = upperPrefix.size();
    // The terms that begin with the prefix stand together in sorted order.
    const auto from = std::lower_bound(sorted_.begin(), sorted_.end(), upperPrefix,
                                       [&folded](std::uint32_t index, std::u16string_view prefix) {
                                           return folded[index] < prefix;
                                       });
    const auto to =
        std::upper_bound(from, sorted_.end(), upperPrefix,
                         [&folded, length](std::u16string_view prefix, std::uint32_t index) {
                             return prefix < folded[index].substr(0, length);
                         });
    if (from == to)
        return -1;
    return static_cast<int>(smallestIn(static_cast<std::size_t>(from - sorted_.begin()),
                                       static_cast<std::size_t>(to - sorted_.begin())));
}

std::vector<std::uint32_t> SearchIndex::equalTo(std::u16string_view upperTerm) const {
    const TermList& folded = *upper_;
    const auto from = std::lower_bound(
        sorted_.begin(), sorted_.end(), upperTerm,
        [&folded](std::uint32_t index, std::u16string_view term) { return folded[index] < term; });
    std::vector<std::uint32_t> equal;
    for (auto at = from; at != sorted_.end() && folded[*at] == upperTerm; ++at)
        equal.push_back(*at); // sorted by index within equal terms
    return equal;
}

std::size_t SearchIndex::sortPosition(std::u16string_view upperText) const {
    const TermList& folded = *upper_;
    return static_cast<std::size_t>(
        std::lower_bound(sorted_.begin(), sorted_.end(), upperText,
                         [&folded](std::uint32_t index, std::u16string_view text) {
                             return folded[index] < text;
                         }) -
        sorted_.begin());
}
