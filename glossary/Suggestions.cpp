#include "Suggestions.h"

#include <algorithm>
#include <bitset>
#include <limits>
#include <tuple>
#include <utility>

namespace {

constexpr int kMostEdits = 2;
// Terms between two looks at the stop flag: well under a millisecond.
constexpr std::size_t kTermsBetweenLooks = 16384;

std::uint64_t charactersOf(std::u16string_view text) {
    std::uint64_t set = 0;
    for (const char16_t c : text)
        set |= std::uint64_t{1} << (c % 64);
    return set;
}

std::size_t count(std::uint64_t set) {
    return std::bitset<64>(set).count();
}

bool alreadyIn(const std::vector<std::size_t>& chosen, const TermList& upper,
               std::u16string_view term) {
    return std::any_of(chosen.begin(), chosen.end(),
                       [&](std::size_t index) { return upper[index] == term; });
}

} // namespace

int editDistanceWithin(std::u16string_view a, std::u16string_view b, int limit) {
    if (a.size() > b.size())
        std::swap(a, b);
    // Equal beginnings and ends cost nothing: most terms near the text share them.
    while (!a.empty() && a.front() == b.front()) {
        a.remove_prefix(1);
        b.remove_prefix(1);
    }
    while (!a.empty() && a.back() == b.back()) {
        a.remove_suffix(1);
        b.remove_suffix(1);
    }
    const int shorter = static_cast<int>(a.size()), longer = static_cast<int>(b.size());
    const int beyond = limit + 1;
    if (longer - shorter > limit)
        return beyond;
    if (shorter == 0)
        return longer;
    // Three rows (a swap looks two back), on the stack for any term a database holds (255
    // characters at most).
    constexpr int kOnStack = 256;
    int stackRows[3][kOnStack + 2];
    std::vector<int> heapRows;
    int* older = stackRows[0];
    int* previous = stackRows[1];
    int* current = stackRows[2];
    if (longer > kOnStack) {
        heapRows.resize(3 * (static_cast<std::size_t>(longer) + 2));
        older = heapRows.data();
        previous = older + longer + 2;
        current = previous + longer + 2;
    }
    // Only cells within `limit` of the diagonal can stay within it; a row whose every cell
    // is beyond it ends the count.
    for (int j = 0; j <= std::min(longer, limit + 1); ++j)
        previous[j] = std::min(j, beyond);
    for (int i = 1; i <= shorter; ++i) {
        const int from = std::max(1, i - limit), to = std::min(longer, i + limit);
        const char16_t c = a[static_cast<std::size_t>(i - 1)];
        current[from - 1] = from == 1 ? std::min(i, beyond) : beyond;
        int best = current[from - 1];
        for (int j = from; j <= to; ++j) {
            const char16_t d = b[static_cast<std::size_t>(j - 1)];
            int cell = previous[j - 1] + (c != d ? 1 : 0);
            cell = std::min(cell, previous[j] + 1);
            cell = std::min(cell, current[j - 1] + 1);
            // Two neighbours swapped count as one edit ("recieve", "receive").
            if (i > 1 && j > 1 && c == b[static_cast<std::size_t>(j - 2)] &&
                a[static_cast<std::size_t>(i - 2)] == d && c != d)
                cell = std::min(cell, older[j - 2] + 1);
            current[j] = std::min(cell, beyond);
            best = std::min(best, current[j]);
        }
        current[to + 1] = beyond;
        if (best > limit)
            return beyond;
        std::swap(older, previous);
        std::swap(previous, current);
    }
    return std::min(previous[longer], beyond);
}

Suggestions::Suggestions(std::shared_ptr<const TermList> upper, const std::atomic<bool>* stop)
    : upper_(std::move(upper)) {
    characters_.reserve(upper_->size());
    for (std::size_t i = 0; i < upper_->size(); ++i) {
        if (i % kTermsBetweenLooks == 0 && stop != nullptr && stop->load(std::memory_order_relaxed))
            throw SearchIndex::Stopped();
        characters_.push_back(charactersOf((*upper_)[i]));
    }
}

std::vector<std::size_t> Suggestions::nearest(const SearchIndex& sorted,
                                              std::u16string_view upperText,
                                              std::size_t most) const {
    const TermList& upper = *upper_;
    const std::uint64_t wanted = charactersOf(upperText);
    // The nearest `most` in one pass: kept ordered by distance, then by how much the length
    // differs (a word one letter off rather than one letter longer), then by index.
    using Rank = std::tuple<int, std::size_t, std::size_t>;
    std::vector<Rank> near;
    for (std::size_t i = 0; i < upper.size() && most > 0; ++i) {
        const std::u16string_view term = upper[i];
        // Cheap refusals first: lengths, then the sets of characters.
        constexpr std::size_t edits = kMostEdits;
        if (term.size() + edits < upperText.size() || term.size() > upperText.size() + edits ||
            count(characters_[i] & ~wanted) > edits || count(wanted & ~characters_[i]) > edits)
            continue;
        const int distance = editDistanceWithin(upperText, term, kMostEdits);
        const std::size_t lengths = term.size() > upperText.size() ? term.size() - upperText.size()
                                                                   : upperText.size() - term.size();
        const Rank rank{distance, lengths, i};
        if (distance > kMostEdits || (near.size() == most && rank >= near.back()))
            continue;
        const auto same = std::find_if(near.begin(), near.end(), [&](const Rank& kept) {
            return upper[std::get<2>(kept)] == term;
        });
        if (same != near.end())
            continue; // an equal text, already there at its first index
        near.insert(std::upper_bound(near.begin(), near.end(), rank), rank);
        if (near.size() > most)
            near.pop_back();
    }
    std::vector<std::size_t> chosen;
    for (const Rank& kept : near)
        chosen.push_back(std::get<2>(kept));
    if (!chosen.empty() || sorted.size() == 0)
        return chosen;

    // None that near: the neighbours in sorted order, alternately after and before.
    const std::size_t at = sorted.sortPosition(upperText);
    std::size_t after = at, before = at;
    while (chosen.size() < most && (after < sorted.size() || before > 0)) {
        for (const bool forward : {true, false}) {
            if (chosen.size() >= most || (forward ? after >= sorted.size() : before == 0))
                continue;
            const std::size_t index = sorted.atSortPosition(forward ? after++ : --before);
            if (!alreadyIn(chosen, upper, upper[index]))
                chosen.push_back(index);
        }
    }
    // Shown in sorted order, as they stand around the text.
    std::sort(chosen.begin(), chosen.end(), [&](std::size_t a, std::size_t b) {
        return std::make_pair(upper[a], a) < std::make_pair(upper[b], b);
    });
    return chosen;
}
