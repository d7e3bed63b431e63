#include "Suggestions.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr int kMostEdits = 2;

bool alreadyIn(const std::vector<std::size_t>& chosen, const TermList& upper,
               std::u16string_view term) {
    return std::any_of(chosen.begin(), chosen.end(),
                       [&](std::size_t index) { return upper[index] == term; });
}

} // namespace

int editDistanceWithin(std::u16string_view a, std::u16string_view b, int limit) {
    if (a.size() > b.size())
        std::swap(a, b);
    const int shorter = static_cast<int>(a.size()), longer = static_cast<int>(b.size());
    if (longer - shorter > limit)
        return limit + 1;
    // Only cells within `limit` of the diagonal can stay within it; a row whose every cell
    // is beyond it ends the count.
    const int beyond = limit + 1;
    thread_local std::vector<int> previous, current;
    previous.assign(static_cast<std::size_t>(longer) + 2, beyond);
    current.assign(static_cast<std::size_t>(longer) + 2, beyond);
    for (int j = 0; j <= std::min(longer, limit); ++j)
        previous[static_cast<std::size_t>(j)] = j;
    for (int i = 1; i <= shorter; ++i) {
        const int from = std::max(1, i - limit), to = std::min(longer, i + limit);
        current[static_cast<std::size_t>(from - 1)] = from == 1 ? std::min(i, beyond) : beyond;
        int best = current[static_cast<std::size_t>(from - 1)];
        for (int j = from; j <= to; ++j) {
            const auto at = static_cast<std::size_t>(j);
            const int replace =
                previous[at - 1] + (a[static_cast<std::size_t>(i - 1)] != b[at - 1]);
            const int cell = std::min({replace, previous[at] + 1, current[at - 1] + 1, beyond});
            current[at] = cell;
            best = std::min(best, cell);
        }
        current[static_cast<std::size_t>(to) + 1] = beyond;
        if (best > limit)
            return beyond;
        std::swap(previous, current);
    }
    return std::min(previous[static_cast<std::size_t>(longer)], beyond);
}

std::vector<std::size_t> nearestTerms(const TermList& upper, const SearchIndex& sorted,
                                      std::u16string_view upperText, std::size_t most) {
    // The nearest `most` in one pass: kept ordered by distance, then by index.
    std::vector<std::pair<int, std::size_t>> near;
    for (std::size_t i = 0; i < upper.size() && most > 0; ++i) {
        const std::u16string_view term = upper[i];
        const int distance = editDistanceWithin(upperText, term, kMostEdits);
        if (distance > kMostEdits || (near.size() == most && distance >= near.back().first))
            continue;
        const auto same = std::find_if(
            near.begin(), near.end(), [&](const auto& kept) { return upper[kept.second] == term; });
        if (same != near.end())
            continue; // an equal text, already there at its first index
        near.insert(std::upper_bound(near.begin(), near.end(), std::make_pair(distance, i)),
                    std::make_pair(distance, i));
        if (near.size() > most)
            near.pop_back();
    }
    std::vector<std::size_t> chosen;
    for (const auto& kept : near)
        chosen.push_back(kept.second);
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
