#pragma once

#include "PageFile.h"
#include "TableDefinition.h"
#include "Value.h"

#include <vector>

namespace jet {

// Turns the bytes of one row into its column values, in column-number order.
class RowDecoder {
public:
    RowDecoder(const PageFile& file, const TableDefinition& table) : file_(file), table_(table) {}

    // Every column; or, with `wanted`, only the columns it marks (the others come back null
    // without being read, so damage there cannot stop the caller).
    void decode(Bytes row, std::vector<Value>& values,
                const std::vector<bool>* wanted = nullptr) const;

private:
    // Where a row keeps its parts, after reading its trailer.
    struct Layout {
        std::size_t columnCount = 0;
        Bytes nullMask;
        std::vector<std::size_t> varOffsets; // V + 1 entries, the last one the end of the data
    };
    Layout crackJet4(Bytes row) const;
    Layout crackJet3(Bytes row) const;
    void decodeField(const Column& column, Bytes field, Value& value) const;
    void decodeText(Bytes bytes, std::u16string& text) const;

    const PageFile& file_;
    const TableDefinition& table_;
};

} // namespace jet
