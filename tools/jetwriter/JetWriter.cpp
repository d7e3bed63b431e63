#include "JetWriter.h"

#include "WriterPages.h"
#include "WriterRows.h"
#include "WriterTables.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <stdexcept>

namespace jet {

using namespace writer;

namespace {

constexpr std::uint32_t kTablesContainer = 0x0F000001;
// Long values of a few kilobytes left a page half empty when the next did not fit.
constexpr std::size_t kOpenLongValuePages = 16;
} // namespace

struct JetWriter::State {
    WriterOptions options;
    const Layout& layout;
    PageStore store;
    std::vector<TableState> tables; // 0 is the catalogue
    std::unique_ptr<RowPages> holders;
    RowEncoder rows;

    explicit State(WriterOptions writerOptions)
        : options(writerOptions), layout(writerOptions.version == Version::Jet4 ? kJet4 : kJet3),
          store(layout), rows(layout, options) {}

    // Usage maps, definitions, header and, with a database key, the pages' encryption.
    void complete();
};

JetWriter::JetWriter(WriterOptions options) : state_(std::make_unique<State>(options)) {
    State& s = *state_;
    for (int page = 0; page < 5; ++page)
        s.store.allocate(); // header, global map, catalogue definition, map holder, catalogue rows
    s.holders = std::make_unique<RowPages>(s.store, 0, 3);

    const std::uint8_t fixedFlags = 0x13, variableFlags = 0x12, ownerFlags = 0x32;
    const std::vector<ColumnSpec> catalogue = {{u"Id", kLong},
                                               {u"ParentId", kLong},
                                               {u"Name", kText},
                                               {u"Type", kInteger},
                                               {u"DateCreate", kDateTime},
                                               {u"DateUpdate", kDateTime},
                                               {u"Owner", kBinary},
                                               {u"Flags", kLong},
                                               {u"Database", kMemo},
                                               {u"Connect", kMemo},
                                               {u"ForeignName", kText},
                                               {u"RmtInfoShort", kBinary},
                                               {u"RmtInfoLong", kOle},
                                               {u"Lv", kOle},
                                               {u"LvProp", kOle},
                                               {u"LvModule", kOle},
                                               {u"LvExtra", kOle}};
    std::vector<std::uint8_t> flags;
    for (const ColumnSpec& column : catalogue)
        flags.push_back(column.name == u"Owner"   ? ownerFlags
                        : isVariable(column.type) ? variableFlags
                                                  : fixedFlags);
    TableState table = makeTable(s.store, u"MSysObjects", catalogue, flags, true);
    table.tableType = kTableSystem;
    table.rows = std::make_unique<RowPages>(s.store, kCatalogPage, 4);
    s.tables.push_back(std::move(table));
}

JetWriter::~JetWriter() = default;

std::size_t JetWriter::addTable(const std::u16string& name,
                                const std::vector<ColumnSpec>& columns) {
    State& s = *state_;
    if (columns.empty() || columns.size() > 255)
        throw std::invalid_argument("a table needs 1 to 255 columns");
    TableState table = makeTable(s.store, name, columns, {}, false);
    table.rows = std::make_unique<RowPages>(s.store, table.definitionPages[0], 0, 1,
                                            std::max<std::size_t>(1, s.options.tablePageRun));
    table.movedRows = std::make_unique<RowPages>(s.store, table.definitionPages[0]);
    for (ColumnState& column : table.columns) {
        if (column.mapped)
            column.longValues = std::make_unique<RowPages>(s.store, RowPages::kLongValueOwner, 0,
                                                           kOpenLongValuePages);
    }
    s.tables.push_back(std::move(table));
    return s.tables.size() - 1;
}

void JetWriter::addRow(std::size_t tableIndex, const std::vector<Value>& values) {
    State& s = *state_;
    if (tableIndex == 0 || tableIndex >= s.tables.size())
        throw std::invalid_argument("no such table");
    TableState& table = s.tables[tableIndex];
    const std::string row = s.rows.encode(table, values);
    if (row.size() > s.layout.maxRowLength)
        throw std::invalid_argument("row of " + std::to_string(row.size()) + " bytes is too long");
    ++table.rowCount;
    const unsigned n = table.rowCount;
    if (s.options.deletedRowEvery != 0 && n % s.options.deletedRowEvery == 0)
        table.rows->addDeleted();
    if (s.options.movedRowEvery != 0 && n % s.options.movedRowEvery == 0) {
        const RowPages::Slot moved = table.movedRows->add(row.size(), kRowDeleted);
        std::memcpy(moved.bytes, row.data(), row.size());
        put32(table.rows->add(4, kRowOverflow).bytes, moved.pointer());
        return;
    }
    std::memcpy(table.rows->add(row.size()).bytes, row.data(), row.size());
    s.store.writeSealed();
}

void JetWriter::State::complete() {
    // Catalogue: the containers Access creates, the catalogue itself, then every user table.
    TableState& catalogue = tables[0];
    struct Entry {
        std::u16string name;
        std::int32_t id, parent;
        std::int16_t type;
        std::uint32_t flags;
    };
    std::vector<Entry> entries = {
        {u"Tables", 0x0F000001, 0x0F000000, 3, 0x80000000},
        {u"Databases", 0x0F000002, 0x0F000000, 3, 0x80000000},
        {u"Relationships", 0x0F000003, 0x0F000000, 3, 0x80000000},
        {u"MSysDb", 0x10000000, 0x0F000002, 2, 0x80000000},
        {u"MSysObjects", static_cast<std::int32_t>(kCatalogPage), kTablesContainer, 1, 0x80000000}};
    for (std::size_t i = 1; i < tables.size(); ++i)
        entries.push_back({tables[i].name, static_cast<std::int32_t>(tables[i].definitionPages[0]),
                           kTablesContainer, 1, 0});
    for (const Entry& entry : entries) {
        std::vector<Value> values(catalogue.columns.size());
        auto number = [](std::int64_t n) {
            Value value;
            value.kind = Value::Kind::Integer;
            value.integer = n;
            return value;
        };
        values[0] = number(entry.id);
        values[1] = number(entry.parent);
        values[2].kind = Value::Kind::Text;
        values[2].text = entry.name;
        values[3] = number(entry.type);
        values[4].kind = values[5].kind = Value::Kind::DateTime;
        values[4].real = values[5].real = options.creationDate;
        values[7] = number(static_cast<std::int32_t>(entry.flags));
        const std::string row = rows.encode(catalogue, values);
        std::memcpy(catalogue.rows->add(row.size()).bytes, row.data(), row.size());
        ++catalogue.rowCount;
    }

    // Usage maps, in the holder page's order: each table's owned and free map, then its long
    // value columns'. A table's own map never lists long value pages.
    const std::size_t mapLength = usageMapRowLength(layout);
    auto storeMap = [&](const std::vector<std::uint32_t>& pages) {
        const std::string row = usageMap(store, pages, !options.referenceMaps);
        const RowPages::Slot slot = holders->add(mapLength);
        std::memcpy(slot.bytes, row.data(), row.size());
        return slot.pointer();
    };
    for (TableState& table : tables) {
        std::vector<std::uint32_t> pages = table.rows->pages();
        if (table.movedRows)
            pages.insert(pages.end(), table.movedRows->pages().begin(),
                         table.movedRows->pages().end());
        table.ownedMap = storeMap(pages);
        table.freeMap = storeMap({});
        for (ColumnState& column : table.columns) {
            if (!column.mapped)
                continue;
            column.ownedMap = storeMap(column.longValues->pages());
            column.freeMap = storeMap({});
        }
    }
    for (const TableState& table : tables)
        writeDefinition(store, table, options.codePage);
    writeGlobalMap(store);
    writeHeaderPage(store, {options.codePage, options.databaseKey, options.creationDate});
    if (options.databaseKey != 0)
        encryptPages(store, options.databaseKey);
}

std::vector<std::uint8_t> JetWriter::finish() {
    state_->complete();
    return state_->store.join();
}

bool JetWriter::finish(std::ostream& out) {
    State& s = *state_;
    s.complete();
    // Page by page: a large database is never held a second time as one block.
    return s.store.writeTo(out);
}

void JetWriter::spillTo(std::ostream& out) {
    const WriterOptions& options = state_->options;
    // Encryption and moved rows change pages after they are full.
    if (options.databaseKey != 0 || options.movedRowEvery != 0)
        throw std::invalid_argument("pages cannot be written out early with these options");
    state_->store.spillTo(out);
}

} // namespace jet
