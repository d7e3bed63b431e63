#include "Recordset.h"

#include "UsageMap.h"

namespace jet {

namespace {

// Moved rows may be moved again; more hops than this is a loop, not a table.
constexpr int kMaxOverflowHops = 16;

} // namespace

Recordset::Recordset(std::shared_ptr<const PageFile> file, TableDefinition table,
                     const std::vector<std::size_t>& decoded)
    : file_(std::move(file)), table_(std::move(table)) {
    if (!decoded.empty()) {
        wanted_.assign(table_.columns.size(), false);
        for (const std::size_t column : decoded) {
            if (column < wanted_.size())
                wanted_[column] = true;
        }
    }
    pages_ = tableCandidatePages(*file_, table_);
    moveFirst();
}

void Recordset::moveFirst() {
    pageIndex_ = 0;
    rowIndex_ = 0;
    eof_ = false;
    seek();
}

void Recordset::moveNext() {
    if (eof_)
        throw JetError("move past the last row");
    ++rowIndex_;
    seek();
}

const Value& Recordset::value(std::size_t column) const {
    if (eof_)
        throw JetError("no current row");
    if (column >= current_.size())
        throw JetError("column " + std::to_string(column) + " does not exist");
    return current_[column];
}

Bytes Recordset::resolve(PageFile::Row row) const {
    for (int hop = 0; (row.flags & kRowOverflow) != 0; ++hop) {
        if (hop == kMaxOverflowHops)
            throw JetError("moved row pointers run in a loop");
        row = file_->row(RowPointer::from(row.bytes.u32(0)));
    }
    return row.bytes;
}

void Recordset::decode(const PageFile::Row& row) {
    RowDecoder(*file_, table_).decode(resolve(row), current_, wanted_.empty() ? nullptr : &wanted_);
}

void Recordset::moveTo(Position position) {
    file_->release();
    const Bytes page = file_->page(position.page);
    if (!holdsRowsOf(page, table_))
        throw JetError("page " + std::to_string(position.page) + " holds no rows of this table");
    if (position.row >= file_->rowCount(page) ||
        (file_->rowFlags(page, position.row) & kRowDeleted) != 0)
        throw JetError("no live row " + std::to_string(position.row) + " on page " +
                       std::to_string(position.page));
    eof_ = true; // until the row is read
    decode(file_->row(page, position.page, position.row));
    position_ = position;
    eof_ = false;
}

// Moves from (pageIndex_, rowIndex_) to the first live row at or after it.
void Recordset::seek() {
    // The end is reached before any read, so a damaged page ends the scan only once.
    for (; pageIndex_ < pages_.size(); ++pageIndex_, rowIndex_ = 0) {
        // Values already read are the caller's copies; the pages behind them may go.
        file_->release();
        const std::uint32_t number = pages_[pageIndex_];
        const Bytes page = file_->page(number);
        if (!holdsRowsOf(page, table_))
            continue; // marked in the map, but another table's or free
        const unsigned count = file_->rowCount(page);
        for (; rowIndex_ < count; ++rowIndex_) {
            if ((file_->rowFlags(page, rowIndex_) & kRowDeleted) != 0)
                continue;
            const PageFile::Row row = file_->row(page, number, rowIndex_);
            if (row.bytes.empty())
                continue;
            decode(row);
            position_ = Position{number, static_cast<std::uint16_t>(rowIndex_)};
            return;
        }
    }
    eof_ = true;
    current_.clear();
}

} // namespace jet
