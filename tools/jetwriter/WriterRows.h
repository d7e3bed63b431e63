#pragma once

#include "JetWriter.h"
#include "WriterTables.h"

#include <string>
#include <vector>

namespace jet::writer {

// Turns a row's values into the bytes of a data row of its table: the fixed area, the
// variable data with its offsets, the null mask. Long values go to the column's own pages.
class RowEncoder {
public:
    RowEncoder(const Layout& layout, const WriterOptions& options)
        : layout_(layout), options_(options) {}

    // Throws std::invalid_argument for a value that does not fit its column.
    std::string encode(TableState& table, const std::vector<Value>& values) const;

private:
    bool jet4() const { return layout_.version == Version::Jet4; }
    std::string encodeText(const ColumnState& column, const std::u16string& text) const;
    std::string longValueField(ColumnState& column, const std::string& data) const;
    std::string finishRow(const TableState& table, std::string fixed,
                          const std::vector<std::string>& variable,
                          const std::vector<bool>& present) const;

    const Layout& layout_;
    const WriterOptions& options_;
};

} // namespace jet::writer
