#pragma once

#include "PageFile.h"
#include "TableDefinition.h"

#include <cstdint>
#include <vector>

namespace jet {

// Pages named by the usage map stored in the row at `mapPointer`, ascending.
// Throws JetError for a map of a type this reader does not know.
std::vector<std::uint32_t> usageMapPages(const PageFile& file, std::uint32_t mapPointer);

// The data pages of a table, ascending: the owned map's pages that really belong to it. When the
// map cannot be read, every page of the file is examined instead.
std::vector<std::uint32_t> tableDataPages(const PageFile& file, const TableDefinition& table);

} // namespace jet
