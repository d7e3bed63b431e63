#pragma once

#include "PageFile.h"
#include "RowDecoder.h"
#include "TableDefinition.h"
#include "Value.h"

#include <memory>
#include <vector>

namespace jet {

// A forward cursor over the rows of one table, in table-scan order: data pages ascending, rows
// in page order, deleted rows skipped, moved rows read where their pointer stands.
class Recordset {
public:
    // With `decoded`, only those columns (by position) are read; the others stay null.
    Recordset(std::shared_ptr<const PageFile> file, TableDefinition table,
              const std::vector<std::size_t>& decoded = {});

    const std::vector<Column>& columns() const { return table_.columns; }

    // Each move may throw JetError when the file turns out to be damaged; the scan then ends.
    void moveFirst();
    void moveNext();
    bool eof() const { return eof_; }
    // Column i of the current row (by column number order). Throws JetError at the end.
    const Value& value(std::size_t column) const;
    const std::vector<Value>& row() const { return current_; }

    // Where the current row stands, to come back to it later without a scan.
    struct Position {
        std::uint32_t page;
        std::uint16_t row;
    };
    Position position() const { return position_; }
    // Makes the row at `position` (from position() of a scan of this table) the current one.
    // Throws JetError when no live row of this table stands there.
    void moveTo(Position position);

private:
    void seek();
    Bytes resolve(PageFile::Row row) const;
    void decode(const PageFile::Row& row);

    std::shared_ptr<const PageFile> file_;
    TableDefinition table_;
    std::vector<std::uint32_t> pages_;
    std::size_t pageIndex_ = 0;
    unsigned rowIndex_ = 0;
    Position position_{0, 0};
    bool eof_ = true;
    std::vector<Value> current_;
    std::vector<bool> wanted_; // empty: every column
};

} // namespace jet
