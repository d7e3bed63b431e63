#pragma once

#include "PageFile.h"
#include "TableDefinition.h"

#include <cstdint>
#include <vector>

namespace jet {

// Pages named by the usage map stored in the row at `mapPointer`, ascending.
// Throws JetError for a map of a type this reader does not know.
std::vector<std::uint32_t> usageMapPages(const PageFile& file, std::uint32_t mapPointer);

// The pages that may hold a table's rows, ascending: its owned map's pages, or every page when
// the map cannot be read. Only those for which holdsRowsOf() is true really do; they are read
// as the rows are.
std::vector<std::uint32_t> tableCandidatePages(const PageFile& file, const TableDefinition& table);
bool holdsRowsOf(Bytes page, const TableDefinition& table);

} // namespace jet
