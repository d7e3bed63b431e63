#pragma once

#include "PageFile.h"
#include "Recordset.h"

#include <memory>
#include <string>
#include <vector>

namespace jet {

struct TableInfo {
    std::u16string name;
    std::uint32_t definitionPage;
};

// A Jet 3 or Jet 4 database opened read-only.
class Database {
public:
    // Throws JetError when the file cannot be read or is not a usable database.
    static Database open(const std::string& path);
    static Database fromBytes(std::vector<std::uint8_t> bytes);

    Version version() const { return file_->layout().version; }
    // User tables in catalogue order; system tables are left out.
    const std::vector<TableInfo>& tables() const { return tables_; }
    // Opens a table by name, ignoring the case of ASCII letters; throws JetError if there is none.
    // With `decoded`, only those columns (by position) are read from each row.
    Recordset openTable(const std::u16string& name,
                        const std::vector<std::size_t>& decoded = {}) const;
    TableDefinition definition(const std::u16string& name) const;

private:
    explicit Database(std::shared_ptr<const PageFile> file);
    const TableInfo& find(const std::u16string& name) const;

    std::shared_ptr<const PageFile> file_;
    std::vector<TableInfo> tables_;
};

} // namespace jet
