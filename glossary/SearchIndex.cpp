#include "SearchIndex.h"

#include <algorithm>

namespace {

// Comparisons between two looks at the stop flag: some microseconds.
constexpr unsigned kComparisonsBetweenLooks = 1024;
constexpr std::size_t kTermsBetweenLooks = 16384;
// The sort's digits: 16 bits, a character, so that the counts fit in the processor's cache.
constexpr unsigned kDigitBits = 16;
constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;

struct Keyed {
    std::uint64_t key; // four characters of the term from where the sort has come to
    std::uint32_t index;
};

// Characters `from` to `from` + 4 of `term`, packed in a number that sorts as they do.
std::uint64_t keyOf(std::u16string_view term, std::size_t from) {
    std::uint64_t key = 0;
    for (std::size_t c = from; c < from + 4; ++c)
        key = key << 16 | (c < term.size() ? term[c] : 0u); // no term holds a NUL
    return key;
}

// Whether terms with this key may go on after it: its last character is not the end.
bool goesOn(std::uint64_t key) {
    return (key & 0xFFFF) != 0;
}

// Sorts the run of terms that begin alike up to `from` by what follows, four characters at
// a time, each term's table place last; `stopped` is looked at every so many comparisons.
template <typename Stopped>
void sortRest(Keyed* first, Keyed* last, std::size_t from, const TermList& folded,
              const Stopped& stopped, unsigned& comparisons) {
    for (Keyed* term = first; term != last; ++term)
        term->key = keyOf(folded[term->index], from);
    std::sort(first, last, [&](const Keyed& a, const Keyed& b) {
        if (++comparisons % kComparisonsBetweenLooks == 0)
            stopped();
        return a.key < b.key || (a.key == b.key && a.index < b.index);
    });
    for (Keyed* run = first; run != last;) {
        Keyed* end = run + 1;
        while (end != last && end->key == run->key)
            ++end;
        if (end - run > 1 && goesOn(run->key))
            sortRest(run, end, from + 4, folded, stopped, comparisons);
        run = end;
    }
}

} // namespace

SearchIndex::SearchIndex(std::shared_ptr<const TermList> upper, const std::atomic<bool>* stop)
    : upper_(std::move(upper)) {
    const TermList& folded = *upper_;
    const std::size_t count = folded.size();
    // The first four characters of each term packed in a number, sorted by those numbers a
    // digit at a time (a pass over the terms each: a million take milliseconds, where a sort
    // by comparisons reaching into the text takes a second), then each run of terms that begin
    // alike by the next four, and so on.
    const auto stopped = [stop] {
        if (stop != nullptr && stop->load(std::memory_order_relaxed))
            throw Stopped();
    };
    // Each pass over the terms looks at the stop flag every so many of them.
    const auto lookEvery = [&stopped](std::size_t i) {
        if (i % kTermsBetweenLooks == 0)
            stopped();
    };
    std::vector<Keyed> keyed(count), moved(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        lookEvery(i);
        keyed[i] = {keyOf(folded[i], 0), i};
    }
    std::vector<std::uint32_t> starts(kDigits + 1);
    for (unsigned shift = 0; shift < 64; shift += kDigitBits) {
        std::fill(starts.begin(), starts.end(), 0u);
        for (std::size_t i = 0; i < count; ++i) {
            lookEvery(i);
            ++starts[((keyed[i].key >> shift) & (kDigits - 1)) + 1];
        }
        if (std::find(starts.begin(), starts.end(), static_cast<std::uint32_t>(count)) !=
            starts.end())
            continue; // every term has this digit alike
        for (std::size_t digit = 1; digit <= kDigits; ++digit)
            starts[digit] += starts[digit - 1];
        // In order within a digit: terms that begin alike stay in table order.
        for (std::size_t i = 0; i < count; ++i) {
            lookEvery(i);
            moved[starts[(keyed[i].key >> shift) & (kDigits - 1)]++] = keyed[i];
        }
        keyed.swap(moved);
    }
    moved = std::vector<Keyed>();
    unsigned comparisons = 0;
    for (std::size_t run = 0; run < count;) {
        std::size_t end = run + 1;
        while (end < count && keyed[end].key == keyed[run].key)
            ++end;
        if (end - run > 1 && goesOn(keyed[run].key))
            sortRest(keyed.data() + run, keyed.data() + end, 4, folded, stopped, comparisons);
        run = end;
    }
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
