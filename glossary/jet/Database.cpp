#include "Database.h"

#include "JetError.h"
#include "TextCodec.h"

namespace jet {

namespace {

constexpr int kLocalTable = 1;
constexpr std::uint32_t kSystemObjectFlags = 0x80000002;
constexpr std::uint32_t kPageMask = 0x00FFFFFF;

char16_t foldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool sameName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

std::size_t columnIndex(const std::vector<Column>& columns, const char16_t* name) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (sameName(columns[i].name, name))
            return i;
    }
    throw JetError("the catalogue has no column " + toUtf8(name));
}

} // namespace

Database Database::open(const std::string& path) {
    return Database(std::make_shared<const PageFile>(std::make_unique<FileReader>(path)));
}

Database Database::fromBytes(std::vector<std::uint8_t> bytes) {
    return Database(std::make_shared<const PageFile>(std::move(bytes)));
}

Database::Database(std::shared_ptr<const PageFile> file) : file_(std::move(file)) {
    Recordset catalogue(file_, readTableDefinition(*file_, kCatalogPage));
    const std::size_t id = columnIndex(catalogue.columns(), u"Id");
    const std::size_t name = columnIndex(catalogue.columns(), u"Name");
    const std::size_t type = columnIndex(catalogue.columns(), u"Type");
    const std::size_t flags = columnIndex(catalogue.columns(), u"Flags");
    for (; !catalogue.eof(); catalogue.moveNext()) {
        const Value& objectType = catalogue.value(type);
        const Value& objectFlags = catalogue.value(flags);
        if (objectType.isNull() || (objectType.integer & 0x7F) != kLocalTable)
            continue;
        if (!objectFlags.isNull() &&
            (static_cast<std::uint32_t>(objectFlags.integer) & kSystemObjectFlags) != 0)
            continue;
        tables_.push_back(
            TableInfo{catalogue.value(name).text,
                      static_cast<std::uint32_t>(catalogue.value(id).integer) & kPageMask});
    }
}

const TableInfo& Database::find(const std::u16string& name) const {
    for (const TableInfo& table : tables_) {
        if (sameName(table.name, name))
            return table;
    }
    throw JetError("no table named " + toUtf8(name));
}

TableDefinition Database::definition(const std::u16string& name) const {
    return readTableDefinition(*file_, find(name).definitionPage);
}

Recordset Database::openTable(const std::u16string& name,
                              const std::vector<std::size_t>& decoded) const {
    return Recordset(file_, definition(name), decoded);
}

} // namespace jet
