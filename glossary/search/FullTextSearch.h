#pragma once

#include "FullTextIndex.h"
#include "Query.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Search in definitions: the entries that hold every word and phrase of a query, best first
// (words in the term itself, then in the first lines, then elsewhere), rows in table order
// within each.
namespace search {

inline constexpr std::uint32_t kUnknownSource = UINT32_MAX;

struct Hit {
    std::uint32_t row;
    std::uint32_t source; // kUnknownSource when found by a scan
    Place place;          // the worst best place of the query's words
};

// Where the query's groups stand in an entry: the place of the worst of them, or nothing when
// one is missing. `html` is the entry's text (HTML).
std::optional<Place> placeOf(const Query& query, std::u16string_view term,
                             std::u16string_view html);

// What a search reads of the database: the rows' terms and definitions, and whether to stop.
struct RowSource {
    std::size_t count = 0;
    std::function<std::u16string(std::uint32_t row)> term;
    std::function<std::optional<std::u16string>(std::uint32_t row)> definition;
    std::function<bool()> cancelled; // may be empty
};

// Through the index: the postings of the query's words intersected, and phrases looked for in
// the entries that hold all their words. Throws JetError or IndexError for a damaged index.
std::vector<Hit> searchIndex(const FullTextIndex& index, const Query& query, const RowSource& rows);

// Without an index: every row read and its words compared (one entry a row). Stops with what
// it found when `cancelled` says so.
std::vector<Hit> searchByScan(const Query& query, const RowSource& rows);

} // namespace search
