#pragma once

#include "PageFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

struct Column {
    std::u16string name;
    std::uint8_t type = 0;
    std::uint16_t number = 0;   // null-mask bit and ordering key
    std::uint16_t varIndex = 0; // slot in the row's variable offsets
    std::uint8_t flags = 0;
    std::uint8_t extraFlags = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t length = 0;

    bool isFixed() const;
};

struct TableDefinition {
    std::uint32_t page = 0;
    std::uint32_t rowCount = 0; // as stored; may be stale
    std::uint16_t maxColumns = 0;
    std::uint16_t variableColumns = 0;
    std::uint32_t ownedMap = 0;
    std::vector<Column> columns; // in column-number order
};

// Bytes a fixed-length column takes in a row's fixed area (a Boolean takes none).
std::uint16_t fixedWidth(const Column& column);

// Reads the definition that starts on `page`, following continuation pages.
TableDefinition readTableDefinition(const PageFile& file, std::uint32_t page);

} // namespace jet
