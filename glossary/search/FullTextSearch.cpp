#include "FullTextSearch.h"

#include "Words.h"

#include <algorithm>

namespace search {

namespace {

std::vector<std::string> wordsOf(std::u16string_view text, bool markup) {
    std::vector<std::string> words;
    forEachWord(text, markup,
                [&words](const std::string& word, std::size_t) { words.push_back(word); });
    return words;
}

// Where `group` first stands in `words` as a run, or npos.
std::size_t findRun(const std::vector<std::string>& words, const std::vector<std::string>& group) {
    if (group.empty() || words.size() < group.size())
        return std::string::npos;
    for (std::size_t at = 0; at + group.size() <= words.size(); ++at) {
        if (std::equal(group.begin(), group.end(), words.begin() + static_cast<std::ptrdiff_t>(at)))
            return at;
    }
    return std::string::npos;
}

// The best places first, then table order.
void rank(std::vector<Hit>& hits) {
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        return static_cast<int>(a.place) < static_cast<int>(b.place);
    });
}

// Each posting list intersected with `kept` (entry order); the worse place wins.
void intersect(std::vector<Posting>& kept, const std::vector<Posting>& other) {
    std::size_t out = 0, j = 0;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        while (j < other.size() && other[j].entry < kept[i].entry)
            ++j;
        if (j == other.size())
            break;
        if (other[j].entry == kept[i].entry)
            kept[out++] = {kept[i].entry, std::max(kept[i].place, other[j].place)};
    }
    kept.resize(out);
}

} // namespace

std::optional<Place> placeOf(const Query& query, std::u16string_view term,
                             std::u16string_view html) {
    const std::vector<std::string> termWords = wordsOf(term, false), words = wordsOf(html, true);
    Place worst = Place::Term;
    for (const std::vector<std::string>& group : query.groups) {
        Place place = Place::Term;
        if (findRun(termWords, group) == std::string::npos) {
            const std::size_t at = findRun(words, group);
            if (at == std::string::npos)
                return std::nullopt;
            place = at < kFirstLinesWords ? Place::FirstLines : Place::Elsewhere;
        }
        worst = std::max(worst, place);
    }
    return worst;
}

std::vector<Hit> searchIndex(const FullTextIndex& index, const Query& query,
                             const RowSource& rows) {
    std::vector<Hit> hits;
    const std::vector<std::string> words = query.words();
    if (words.empty())
        return hits;
    // The rarest word first keeps every intersection small.
    std::vector<std::vector<Posting>> lists;
    for (const std::string& word : words) {
        if (rows.cancelled && rows.cancelled())
            return hits;
        lists.push_back(index.postings(word));
        if (lists.back().empty())
            return hits;
    }
    std::sort(lists.begin(), lists.end(),
              [](const auto& a, const auto& b) { return a.size() < b.size(); });
    std::vector<Posting> found = std::move(lists.front());
    for (std::size_t i = 1; i < lists.size() && !found.empty(); ++i)
        intersect(found, lists[i]);

    const bool phrases = std::any_of(query.groups.begin(), query.groups.end(),
                                     [](const auto& group) { return group.size() > 1; });
    hits.reserve(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Posting& posting = found[i];
        // A common word's entries are read from the index a block at a time: a long loop too.
        if (rows.cancelled && (phrases || i % 256 == 0) && rows.cancelled())
            break;
        if (posting.entry >= index.entryCount())
            throw IndexError();
        const Entry entry = index.entry(posting.entry);
        Hit hit{entry.row, entry.source, posting.place};
        if (phrases) {
            // Words alone do not tell a phrase: the entry's text does.
            const std::optional<std::u16string> definition = rows.definition(entry.row);
            if (!definition)
                continue;
            std::size_t end = definition->size();
            if (posting.entry + 1 < index.entryCount()) {
                const Entry next = index.entry(posting.entry + 1);
                if (next.row == entry.row)
                    end = next.start;
            }
            const std::u16string_view text =
                std::u16string_view(*definition)
                    .substr(std::min<std::size_t>(entry.start, definition->size()),
                            end > entry.start ? end - entry.start : 0);
            const std::optional<Place> place = placeOf(query, rows.term(entry.row), text);
            if (!place)
                continue;
            hit.place = *place;
        }
        hits.push_back(hit);
    }
    rank(hits);
    return hits;
}

std::vector<Hit> searchByScan(const Query& query, const RowSource& rows) {
    std::vector<Hit> hits;
    if (query.empty())
        return hits;
    for (std::uint32_t row = 0; row < rows.count; ++row) {
        if (rows.cancelled && row % 256 == 0 && rows.cancelled())
            break;
        const std::optional<std::u16string> definition = rows.definition(row);
        const std::optional<Place> place =
            placeOf(query, rows.term(row), definition ? *definition : std::u16string());
        if (place)
            hits.push_back({row, kUnknownSource, *place});
    }
    rank(hits);
    return hits;
}

} // namespace search
