#pragma once

#include "jet/Database.h"

#include <ostream>
#include <string>

#include <optional>

// A table as comma-separated text in the form mdb-export writes by default: a header of
// column names, text in double quotes with inner quotes doubled, integers plain, Booleans
// 1 and 0, one line a row. Like mdb-export, nulls and empty texts both print as nothing,
// unless a null text is given: then nulls print as that text and empty texts as "".
struct CsvOptions {
    std::optional<std::string> nullText;
};
void exportCsv(jet::Recordset& rows, std::ostream& out, const CsvOptions& options = {});

// One field as exportCsv writes it.
std::string csvField(const jet::Value& value, const CsvOptions& options = {});

// Type name of a column, as a person would call it.
std::string columnTypeName(std::uint8_t type);
