#include "TableDefinition.h"

#include "TextCodec.h"

#include <algorithm>
#include <unordered_set>

namespace jet {

namespace {

// Far more than Access allows; anything above is a corrupt count, not a real table.
constexpr std::uint32_t kMaxIndexes = 1000;
constexpr std::size_t kContinuationHeader = 8;

std::vector<std::uint8_t> definitionBytes(const PageFile& file, std::uint32_t first) {
    std::vector<std::uint8_t> bytes;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t number = first; number != 0;) {
        if (!seen.insert(number).second)
            throw JetError("table definition pages of page " + std::to_string(first) +
                           " form a cycle");
        const Bytes page = file.page(number);
        if (page.u8(0) != kPageTableDefinition)
            throw JetError("page " + std::to_string(number) + " is not a table definition");
        const std::size_t skip = number == first ? 0 : kContinuationHeader;
        bytes.insert(bytes.end(), page.data() + skip, page.data() + page.size());
        number = page.u32(4);
    }
    return bytes;
}

} // namespace

bool Column::isFixed() const {
    return (flags & kFixedLength) != 0;
}

TableDefinition readTableDefinition(const PageFile& file, std::uint32_t page) {
    const std::vector<std::uint8_t> buffer = definitionBytes(file, page);
    const Bytes bytes(buffer.data(), buffer.size());
    const Layout& layout = file.layout();

    TableDefinition definition;
    definition.page = page;
    definition.rowCount = bytes.u32(layout.tdefRowCount);
    definition.maxColumns = bytes.u16(layout.tdefMaxColumns);
    definition.variableColumns = bytes.u16(layout.tdefVariableColumns);
    definition.ownedMap = bytes.u32(layout.tdefOwnedMap);
    const std::uint16_t columnCount = bytes.u16(layout.tdefColumnCount);
    const std::uint32_t realIndexes = bytes.u32(layout.tdefRealIndexCount);
    if (realIndexes > kMaxIndexes)
        throw JetError("table definition on page " + std::to_string(page) + " claims " +
                       std::to_string(realIndexes) + " indexes");

    std::size_t at = layout.tdefHeaderEnd + realIndexes * layout.realIndexEntry;
    definition.columns.resize(columnCount);
    for (Column& column : definition.columns) {
        const Bytes entry = bytes.slice(at, layout.columnSize);
        column.type = entry.u8(0);
        column.number = entry.u16(layout.columnNumber);
        column.varIndex = entry.u16(layout.columnVarIndex);
        column.flags = entry.u8(layout.columnFlags);
        column.extraFlags = layout.version == Version::Jet4 ? entry.u8(layout.columnFlags + 1) : 0;
        column.fixedOffset = entry.u16(layout.columnFixedOffset);
        column.length = entry.u16(layout.columnLength);
        at += layout.columnSize;
    }
    for (Column& column : definition.columns) {
        if (layout.version == Version::Jet4) {
            const std::uint16_t length = bytes.u16(at);
            column.name = decodeJet4Text(bytes.slice(at + 2, length));
            at += 2 + length;
        } else {
            const std::uint8_t length = bytes.u8(at);
            column.name = decodeCodePageText(bytes.slice(at + 1, length), file.codePage());
            at += 1 + length;
        }
    }
    std::stable_sort(definition.columns.begin(), definition.columns.end(),
                     [](const Column& a, const Column& b) { return a.number < b.number; });
    return definition;
}

std::uint16_t fixedWidth(const Column& column) {
    const std::uint16_t size = fixedSizeOf(column.type);
    return size != 0 || column.type == kBoolean ? size : column.length;
}

} // namespace jet
