#pragma once

#include "jet/Database.h"

#include <ostream>
#include <string>

// A table as comma-separated text in the form mdb-export writes by default: a header of
// column names, text in double quotes with inner quotes doubled, integers plain, Booleans
// 1 and 0, nulls empty, one line a row.
void exportCsv(jet::Recordset& rows, std::ostream& out);

// One field as exportCsv writes it.
std::string csvField(const jet::Value& value);

// Type name of a column, as a person would call it.
std::string columnTypeName(std::uint8_t type);
