#include "WriterTables.h"

#include "jet/TextCodec.h"

#include <cstring>
#include <stdexcept>

namespace jet::writer {

namespace {

constexpr std::uint32_t kUnknownConstant = 1625; // written by Access in definitions and columns

std::uint16_t fixedWidthOf(std::uint8_t type) {
    const std::uint16_t size = fixedSizeOf(type);
    if ((size == 0 && type != kBoolean) || type == kGuid || type == kDecimal)
        throw std::invalid_argument("the writer does not store columns of type " +
                                    std::to_string(type));
    return size;
}

std::size_t definitionLength(const Layout& layout, const TableState& table) {
    const bool jet4 = layout.version == Version::Jet4;
    std::size_t length = layout.tdefHeaderEnd + table.columns.size() * layout.columnSize + 2;
    for (const ColumnState& column : table.columns) {
        length += jet4 ? 2 + 2 * column.given.name.size() : 1 + column.given.name.size();
        if (column.mapped)
            length += 10;
    }
    return length;
}

} // namespace

bool isVariable(std::uint8_t type) {
    return type == kText || type == kMemo || type == kOle || type == kBinary;
}

TableState makeTable(PageStore& store, const std::u16string& name,
                     const std::vector<ColumnSpec>& columns, const std::vector<std::uint8_t>& flags,
                     bool catalogue) {
    const Layout& layout = store.layout();
    const bool jet4 = layout.version == Version::Jet4;
    TableState table;
    table.name = name;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        ColumnState column;
        column.given = columns[i];
        column.number = static_cast<std::uint16_t>(i);
        const bool variable = isVariable(column.given.type);
        if (variable) {
            column.varIndex = table.variableColumns++;
            column.flags = flags.empty() ? kNullable : flags[i];
            const bool text = column.given.type == kText || column.given.type == kMemo;
            column.extraFlags = jet4 && text && flags.empty() ? kCompressedUnicode : 0;
            column.length =
                column.given.type == kText
                    ? static_cast<std::uint16_t>(column.given.textLength * (jet4 ? 2 : 1))
                : column.given.type == kBinary ? (jet4 ? 510 : 255)
                                               : 0;
            column.mapped = column.isLong() && flags.empty();
        } else {
            column.width = fixedWidthOf(column.given.type);
            column.fixedOffset = column.given.type == kBoolean ? 0 : table.fixedSize;
            table.fixedSize = static_cast<std::uint16_t>(table.fixedSize + column.width);
            column.varIndex = table.variableColumns;
            column.flags =
                flags.empty()
                    ? static_cast<std::uint8_t>(kFixedLength | kNullable |
                                                (column.given.autoNumber ? kAutoNumber : 0))
                    : flags[i];
            column.length = column.given.type == kBoolean ? 1 : column.width;
        }
        table.columns.push_back(std::move(column));
    }
    const std::size_t length = definitionLength(layout, table);
    const std::size_t pages =
        length <= layout.pageSize
            ? 1
            : 1 + (length - layout.pageSize + layout.pageSize - 9) / (layout.pageSize - 8);
    for (std::size_t i = 0; i < pages; ++i)
        table.definitionPages.push_back(catalogue ? kCatalogPage : store.allocate());
    return table;
}

void writeDefinition(PageStore& store, const TableState& table, std::uint16_t codePage) {
    const Layout& layout = store.layout();
    const bool jet4 = layout.version == Version::Jet4;
    std::string bytes(layout.tdefHeaderEnd, '\0');
    auto* header = reinterpret_cast<std::uint8_t*>(&bytes[0]);
    header[0] = kPageTableDefinition;
    header[1] = 0x01;
    if (!jet4) {
        header[2] = 'V';
        header[3] = 'C';
    }
    const std::size_t length = definitionLength(layout, table);
    put32(header + 8, static_cast<std::uint32_t>(length));
    if (jet4) {
        put32(header + 12, kUnknownConstant);
        header[24] = 0x01;
    }
    put32(header + layout.tdefRowCount, table.rowCount);
    put32(header + layout.tdefAutoNumber, static_cast<std::uint32_t>(table.lastAutoNumber));
    header[layout.tdefTableType] = table.tableType;
    put16(header + layout.tdefMaxColumns, static_cast<std::uint16_t>(table.columns.size()));
    put16(header + layout.tdefVariableColumns, table.variableColumns);
    put16(header + layout.tdefColumnCount, static_cast<std::uint16_t>(table.columns.size()));
    put32(header + layout.tdefOwnedMap, table.ownedMap);
    put32(header + layout.tdefFreeMap, table.freeMap);

    for (const ColumnState& column : table.columns) {
        std::string entry(layout.columnSize, '\0');
        auto* e = reinterpret_cast<std::uint8_t*>(&entry[0]);
        e[0] = column.given.type;
        put16(e + layout.columnNumber, column.number);
        put16(e + layout.columnVarIndex, column.varIndex);
        put16(e + layout.columnNumber + 4, table.tableType == kTableSystem ? 0 : column.number);
        if (jet4) {
            put32(e + 1, kUnknownConstant);
            put16(e + 11, kSortGeneral);
            e[16] = column.extraFlags;
        } else {
            put16(e + 7, 1);
            put16(e + 9, kSortGeneral);
            if (column.given.type == kText || column.given.type == kMemo)
                put16(e + 11, codePage);
        }
        e[layout.columnFlags] = column.flags;
        put16(e + layout.columnFixedOffset, column.fixedOffset);
        put16(e + layout.columnLength, column.length);
        bytes += entry;
    }
    for (const ColumnState& column : table.columns) {
        if (jet4) {
            const std::string name = encodeJet4Text(column.given.name, false);
            append16(bytes, static_cast<std::uint16_t>(name.size()));
            bytes += name;
        } else {
            const std::string name = encodeCodePageText(column.given.name, codePage);
            bytes += static_cast<char>(name.size());
            bytes += name;
        }
    }
    for (const ColumnState& column : table.columns) {
        if (!column.mapped)
            continue;
        append16(bytes, column.number);
        append32(bytes, column.ownedMap);
        append32(bytes, column.freeMap);
    }
    bytes += "\xFF\xFF";

    // Split over the reserved pages; continuation pages repeat an 8-byte header.
    std::size_t at = 0;
    for (std::size_t i = 0; i < table.definitionPages.size(); ++i) {
        std::uint8_t* page = store.page(table.definitionPages[i]);
        const std::size_t skip = i == 0 ? 0 : 8;
        const std::size_t take = std::min(bytes.size() - at, layout.pageSize - skip);
        std::memcpy(page + skip, bytes.data() + at, take);
        at += take;
        page[0] = kPageTableDefinition;
        page[1] = 0x01;
        if (jet4)
            put16(page + 2, static_cast<std::uint16_t>(layout.pageSize - skip - take >= 8
                                                           ? layout.pageSize - skip - take - 8
                                                           : 0));
        else
            page[2] = 'V', page[3] = 'C';
        put32(page + 4, i + 1 < table.definitionPages.size() ? table.definitionPages[i + 1] : 0);
    }
}

} // namespace jet::writer
