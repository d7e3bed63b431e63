#pragma once

#include "jet/Database.h"
#include "jetwriter/JetWriter.h"

#include <random>
#include <vector>

// Databases built by our writer, with random content, for the reader's tests.
namespace fixtures {

using Rows = std::vector<std::vector<jet::Value>>;

jet::Value null();
jet::Value integer(std::int64_t n);
jet::Value boolean(bool b);
jet::Value real(double d);
jet::Value text(const std::u16string& t);
jet::Value bytes(const std::string& b);

// Every column type the writer stores.
std::vector<jet::ColumnSpec> allTypes();

// Random values fitting `columns`; about one in six is null. Texts mix ASCII, Latin-1,
// other scripts and mark-up; some memos are long enough for LVAL chains.
Rows randomRows(const std::vector<jet::ColumnSpec>& columns, std::size_t count,
                std::mt19937& random, bool latinOnly = false);

std::vector<std::uint8_t> build(const jet::WriterOptions& options,
                                const std::vector<jet::ColumnSpec>& columns, const Rows& rows,
                                const std::u16string& name = u"T");

// All rows of a table as the reader returns them.
Rows readAll(const jet::Database& database, const std::u16string& table);

// The value as the reader must return it after writing `written` into a column of `type`.
jet::Value expected(const jet::Value& written, const jet::ColumnSpec& column, jet::Version version);

bool sameValue(const jet::Value& a, const jet::Value& b);
std::string describe(const jet::Value& value);

} // namespace fixtures
