#pragma once

#include "EntryBlocks.h"
#include "FullTextSearch.h"
#include "SourceChoice.h"

#include "jet/Database.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A database seen through the user's choice of dictionaries: which rows of Dict are listed (a
// row with a part of a source that is on), what their pages hold (the parts of the sources on,
// in the chosen order) and which search hits count. Which source each part of a row comes from
// is read from the full-text index's entries (IndexFormat.h): all at opening when some source is
// off or moved, else a row's when its page is shown; a database of one source needs none.
namespace search {

class SourceView {
public:
    enum class Refusal {
        None,
        NoSources, // built before the sources were recorded
        NoEntries, // sources, but not where each row's parts come from (built without the index)
    };
    // Whether the dictionaries of `database` can be chosen, and why not. Throws JetError.
    static Refusal refusal(const jet::Database& database);

    // The view of `database` through `choice` (applyRemembered); null when the database cannot
    // tell its sources apart, or has one and the choice changes nothing. Throws JetError or
    // IndexError.
    static std::unique_ptr<SourceView> open(const jet::Database& database,
                                            const SourceChoice& choice);

    // Whether row `row` of Dict (from 0, in table order) has a part of a source that is on.
    bool listed(std::uint32_t row) const;
    // Row `row`'s definition with only the parts of the sources on, in the chosen order, each
    // marked with its dictionary (Articles.h); nothing when none is on.
    std::optional<std::u16string> shown(std::uint32_t row, const std::u16string& definition) const;
    // The names of the sources on, in the chosen order: the order of a page's dictionaries.
    std::vector<std::u16string> order() const;
    // Search hits of the sources on only, each place's hits in the chosen order of sources,
    // rows in table order within a source. A hit of a scan (source unknown) counts when its
    // row is listed, and ranks by the row's first source on.
    void filter(std::vector<Hit>& hits) const;

private:
    struct Piece {
        std::uint32_t start;
        std::uint32_t source;
    };
    // The pieces of `row`, in the order of its definition; none when the index does not know it.
    // Those read from the index when the page is shown go into `read`.
    std::pair<const Piece*, const Piece*> piecesOf(std::uint32_t row,
                                                   std::vector<Piece>& read) const;
    std::uint32_t rankOfRow(std::uint32_t row) const;

    SourceChoice choice_;
    std::vector<std::uint32_t> rank_;       // by source number: place in the choice, or kOff
    std::vector<std::uint32_t> firstPiece_; // by row, and one past the last row
    std::vector<Piece> pieces_;
    std::shared_ptr<const EntryBlocks> entries_; // instead, when every source is on in its place
    bool oneSource_ = false;                     // every row is source 0's, whole
};

} // namespace search
