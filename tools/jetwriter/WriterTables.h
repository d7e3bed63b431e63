#pragma once

#include "JetWriter.h"
#include "WriterPages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace jet::writer {

constexpr std::uint8_t kTableNormal = 0x4E;
constexpr std::uint8_t kTableSystem = 0x53;

struct ColumnState {
    ColumnSpec given; // the column as the caller described it
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t width = 0; // bytes in the fixed area
    std::uint8_t flags = 0;
    std::uint8_t extraFlags = 0;
    std::uint16_t length = 0;
    bool mapped = false; // a long value column of a user table, with maps of its own
    std::unique_ptr<RowPages> longValues;
    std::uint32_t ownedMap = 0, freeMap = 0;

    bool isFixed() const { return (flags & kFixedLength) != 0; }
    bool isLong() const { return given.type == kMemo || given.type == kOle; }
};

struct TableState {
    std::u16string name;
    std::uint8_t tableType = kTableNormal;
    std::vector<ColumnState> columns;
    std::uint16_t variableColumns = 0;
    std::uint16_t fixedSize = 0;
    std::vector<std::uint32_t> definitionPages;
    std::unique_ptr<RowPages> rows;
    std::unique_ptr<RowPages> movedRows;
    std::uint32_t rowCount = 0;
    std::int32_t lastAutoNumber = 0;
    std::uint32_t ownedMap = 0, freeMap = 0;
};

bool isVariable(std::uint8_t type);

// A table's columns laid out (numbers, offsets, flags) and its definition pages reserved; the
// catalogue's one stands on its fixed page. `flags` empty: a user table's usual flags.
TableState makeTable(PageStore& store, const std::u16string& name,
                     const std::vector<ColumnSpec>& columns, const std::vector<std::uint8_t>& flags,
                     bool catalogue);

// Writes the definition over its reserved pages, once the rows and maps are known.
void writeDefinition(PageStore& store, const TableState& table, std::uint16_t codePage);

} // namespace jet::writer
