#pragma once

#include "IndexFormat.h"

#include "jet/Database.h"

#include <memory>
#include <mutex>
#include <vector>

// The index's entries (table FullTextEntries), read a block at a time when first needed: a
// search reads the blocks of the entries it finds, a page the blocks of its row.
namespace search {

class EntryBlocks {
public:
    // The entries of `database`; null when it has none. Throws JetError or IndexError when they
    // cannot be read.
    static std::unique_ptr<EntryBlocks> open(const jet::Database& database);

    std::size_t size() const { return count_; }
    // Entry `number` (< size()). Throws JetError or IndexError when the index is damaged.
    Entry entry(std::uint32_t number) const;
    // The entries of row `row` of Dict, in order: one a dictionary's part of it; none when the
    // index does not know the row. Throws as entry() does.
    std::vector<Entry> ofRow(std::uint32_t row) const;

private:
    explicit EntryBlocks(jet::Recordset rows) : rows_(std::move(rows)) {}

    mutable std::mutex mutex_; // the recordset moves as it reads
    mutable jet::Recordset rows_;
    std::vector<jet::Recordset::Position> blockRows_;
    std::size_t count_ = 0;
    mutable std::vector<std::vector<Entry>> blocks_; // empty until read
};

} // namespace search
