// Any bytes as a database file: the reader must answer with rows or a JetError, never crash,
// hang or read outside the bytes.
#include "jet/Database.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const jet::Database database =
            jet::Database::fromBytes(std::vector<std::uint8_t>(data, data + size));
        for (const jet::TableInfo& table : database.tables()) {
            jet::Recordset rows = database.openTable(table.name);
            for (; !rows.eof(); rows.moveNext()) {
            }
        }
    } catch (const JetError&) {
    }
    return 0;
}
