#include "EntryBlocks.h"

#include "FullTextIndex.h"

namespace search {

namespace {

constexpr std::size_t kFirstColumn = 0, kBlockColumn = 1;

} // namespace

std::unique_ptr<EntryBlocks> EntryBlocks::open(const jet::Database& database) {
    if (!hasTable(database, kEntriesTable))
        return nullptr;
    std::unique_ptr<EntryBlocks> blocks(
        new EntryBlocks(database.openTable(kEntriesTable, {kBlockColumn})));
    // Every block but the last holds kEntriesPerBlock entries, in the order of the rows.
    for (jet::Recordset rows = database.openTable(kEntriesTable, {kFirstColumn}); !rows.eof();
         rows.moveNext()) {
        const jet::Value& first = rows.value(kFirstColumn);
        if (first.kind != jet::Value::Kind::Integer ||
            first.integer !=
                static_cast<std::int64_t>(blocks->blockRows_.size() * kEntriesPerBlock))
            throw IndexError();
        blocks->blockRows_.push_back(rows.position());
    }
    blocks->blocks_.resize(blocks->blockRows_.size());
    if (!blocks->blockRows_.empty()) {
        // The last block, read now, tells how many entries there are.
        const std::size_t lastBlock = blocks->blockRows_.size() - 1;
        blocks->count_ = (lastBlock + 1) * kEntriesPerBlock;
        blocks->entry(static_cast<std::uint32_t>(lastBlock * kEntriesPerBlock));
        blocks->count_ = lastBlock * kEntriesPerBlock + blocks->blocks_.back().size();
    }
    return blocks;
}

Entry EntryBlocks::entry(std::uint32_t number) const {
    const std::size_t block = number / kEntriesPerBlock, at = number % kEntriesPerBlock;
    if (block >= blocks_.size())
        throw IndexError();
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Entry>& entries = blocks_[block];
    if (entries.empty()) {
        rows_.moveTo(blockRows_[block]);
        const jet::Value& bytes = rows_.value(kBlockColumn);
        if (bytes.kind != jet::Value::Kind::Binary)
            throw IndexError();
        readEntries(bytes.bytes, entries);
        if (entries.empty() || entries.size() > kEntriesPerBlock ||
            (block + 1 < blocks_.size() && entries.size() != kEntriesPerBlock))
            throw IndexError();
    }
    if (at >= entries.size())
        throw IndexError();
    return entries[at];
}

std::vector<Entry> EntryBlocks::ofRow(std::uint32_t row) const {
    // Entries stand in the order of the rows: the first of the row by halving.
    std::size_t low = 0, high = count_;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (entry(static_cast<std::uint32_t>(middle)).row < row)
            low = middle + 1;
        else
            high = middle;
    }
    std::vector<Entry> found;
    for (; low < count_; ++low) {
        const Entry next = entry(static_cast<std::uint32_t>(low));
        if (next.row != row)
            break;
        found.push_back(next);
    }
    return found;
}

} // namespace search
