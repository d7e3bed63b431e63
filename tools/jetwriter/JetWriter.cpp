#include "JetWriter.h"

#include "WriterPages.h"
#include "jet/Rc4.h"
#include "jet/TextCodec.h"

#include <cmath>
#include <cstring>
#include <ostream>
#include <stdexcept>

namespace jet {

using namespace writer;

namespace {

constexpr std::uint32_t kUnknownConstant = 1625; // written by Access in definitions and columns
constexpr std::uint16_t kSortGeneral = 0x0409;
constexpr std::uint8_t kTableNormal = 0x4E;
constexpr std::uint8_t kTableSystem = 0x53;
constexpr std::uint32_t kTablesContainer = 0x0F000001;
constexpr std::size_t kInlineLongValueMax = 64;
constexpr std::size_t kMaxLongValue = (1u << 24) - 1;

struct ColumnState {
    ColumnSpec given; // the column as the caller described it
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t width = 0; // bytes in the fixed area
    std::uint8_t flags = 0;
    std::uint8_t extraFlags = 0;
    std::uint16_t length = 0;
    bool mapped = false; // a long value column of a user table, with maps of its own
    std::unique_ptr<RowPages> longValues;
    std::uint32_t ownedMap = 0, freeMap = 0;

    bool isFixed() const { return (flags & kFixedLength) != 0; }
    bool isLong() const { return given.type == kMemo || given.type == kOle; }
};

struct TableState {
    std::u16string name;
    std::uint8_t tableType = kTableNormal;
    std::vector<ColumnState> columns;
    std::uint16_t variableColumns = 0;
    std::uint16_t fixedSize = 0;
    std::vector<std::uint32_t> definitionPages;
    std::unique_ptr<RowPages> rows;
    std::unique_ptr<RowPages> movedRows;
    std::uint32_t rowCount = 0;
    std::int32_t lastAutoNumber = 0;
    std::uint32_t ownedMap = 0, freeMap = 0;
};

std::uint16_t fixedWidthOf(std::uint8_t type) {
    const std::uint16_t size = fixedSizeOf(type);
    if ((size == 0 && type != kBoolean) || type == kGuid || type == kDecimal)
        throw std::invalid_argument("the writer does not store columns of type " +
                                    std::to_string(type));
    return size;
}

bool isVariable(std::uint8_t type) {
    return type == kText || type == kMemo || type == kOle || type == kBinary;
}

[[noreturn]] void mismatch(const ColumnState& column, const char* why) {
    throw std::invalid_argument("column " + toUtf8(column.given.name) + ": " + why);
}

std::int64_t integerIn(const ColumnState& column, const Value& value, std::int64_t low,
                       std::int64_t high) {
    if (value.kind != Value::Kind::Integer)
        mismatch(column, "needs an integer");
    if (value.integer < low || value.integer > high)
        mismatch(column, "integer out of range");
    return value.integer;
}

double realOf(const ColumnState& column, const Value& value) {
    if (value.kind != Value::Kind::Real && value.kind != Value::Kind::DateTime)
        mismatch(column, "needs a number");
    return value.real;
}

std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

struct JetWriter::State {
    WriterOptions options;
    const Layout& layout;
    PageStore store;
    std::vector<TableState> tables; // 0 is the catalogue
    std::unique_ptr<RowPages> holders;

    explicit State(WriterOptions writerOptions)
        : options(writerOptions), layout(writerOptions.version == Version::Jet4 ? kJet4 : kJet3),
          store(layout) {}

    bool jet4() const { return layout.version == Version::Jet4; }
    std::size_t definitionLength(const TableState& table) const;
    TableState makeTable(const std::u16string& name, const std::vector<ColumnSpec>& columns,
                         const std::vector<std::uint8_t>& flags);
    std::string encodeText(const ColumnState& column, const std::u16string& text) const;
    std::string longValueField(ColumnState& column, const std::string& data);
    std::string encodeRow(TableState& table, const std::vector<Value>& values);
    std::string finishRow(const TableState& table, std::string fixed,
                          const std::vector<std::string>& variable,
                          const std::vector<bool>& present) const;
    void writeDefinition(TableState& table);
    void writeHeader();
    void writeGlobalMap();
    // Usage maps, definitions, header and, with a database key, the pages' encryption.
    void complete();
};

std::size_t JetWriter::State::definitionLength(const TableState& table) const {
    std::size_t length = layout.tdefHeaderEnd + table.columns.size() * layout.columnSize + 2;
    for (const ColumnState& column : table.columns) {
        length += jet4() ? 2 + 2 * column.given.name.size() : 1 + column.given.name.size();
        if (column.mapped)
            length += 10;
    }
    return length;
}

TableState JetWriter::State::makeTable(const std::u16string& name,
                                       const std::vector<ColumnSpec>& columns,
                                       const std::vector<std::uint8_t>& flags) {
    TableState table;
    table.name = name;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        ColumnState column;
        column.given = columns[i];
        column.number = static_cast<std::uint16_t>(i);
        const bool variable = isVariable(column.given.type);
        if (variable) {
            column.varIndex = table.variableColumns++;
            column.flags = flags.empty() ? kNullable : flags[i];
            const bool text = column.given.type == kText || column.given.type == kMemo;
            column.extraFlags = jet4() && text && flags.empty() ? kCompressedUnicode : 0;
            column.length =
                column.given.type == kText
                    ? static_cast<std::uint16_t>(column.given.textLength * (jet4() ? 2 : 1))
                : column.given.type == kBinary ? (jet4() ? 510 : 255)
                                               : 0;
            column.mapped = column.isLong() && flags.empty();
        } else {
            column.width = fixedWidthOf(column.given.type);
            column.fixedOffset = column.given.type == kBoolean ? 0 : table.fixedSize;
            table.fixedSize = static_cast<std::uint16_t>(table.fixedSize + column.width);
            column.varIndex = table.variableColumns;
            column.flags =
                flags.empty()
                    ? static_cast<std::uint8_t>(kFixedLength | kNullable |
                                                (column.given.autoNumber ? kAutoNumber : 0))
                    : flags[i];
            column.length = column.given.type == kBoolean ? 1 : column.width;
        }
        table.columns.push_back(std::move(column));
    }
    const std::size_t length = definitionLength(table);
    const std::size_t pages =
        length <= layout.pageSize
            ? 1
            : 1 + (length - layout.pageSize + layout.pageSize - 9) / (layout.pageSize - 8);
    for (std::size_t i = 0; i < pages; ++i)
        table.definitionPages.push_back(tables.empty() ? kCatalogPage : store.allocate());
    return table;
}

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
    TableState table = s.makeTable(u"MSysObjects", catalogue, flags);
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
    TableState table = s.makeTable(name, columns, {});
    table.rows = std::make_unique<RowPages>(s.store, table.definitionPages[0]);
    table.movedRows = std::make_unique<RowPages>(s.store, table.definitionPages[0]);
    for (ColumnState& column : table.columns) {
        if (column.mapped)
            column.longValues = std::make_unique<RowPages>(s.store, RowPages::kLongValueOwner);
    }
    s.tables.push_back(std::move(table));
    return s.tables.size() - 1;
}

std::string JetWriter::State::encodeText(const ColumnState& column,
                                         const std::u16string& text) const {
    return jet4() ? encodeJet4Text(text, (column.extraFlags & kCompressedUnicode) != 0,
                                   options.maxCompressedText)
                  : encodeCodePageText(text, options.codePage);
}

std::string JetWriter::State::longValueField(ColumnState& column, const std::string& data) {
    const std::size_t size = data.size();
    if (size > kMaxLongValue)
        mismatch(column, "long value of 16 MiB or more");
    std::string field;
    if (size <= kInlineLongValueMax) {
        append32(field, static_cast<std::uint32_t>(size) | 0x80000000u);
        append32(field, 0);
        append32(field, 0);
        return field + data;
    }
    if (size <= layout.singleLongValueMax) {
        const RowPages::Slot slot = column.longValues->add(size);
        std::memcpy(slot.bytes, data.data(), size);
        append32(field, static_cast<std::uint32_t>(size) | 0x40000000u);
        append32(field, slot.pointer());
        append32(field, 0);
        return field;
    }
    // Chain: reserve every link first, so each can point at the next.
    std::vector<RowPages::Slot> links;
    for (std::size_t at = 0; at < size; at += layout.longValueChunk)
        links.push_back(column.longValues->add(4 + std::min(layout.longValueChunk, size - at)));
    for (std::size_t i = 0; i < links.size(); ++i) {
        const std::size_t at = i * layout.longValueChunk;
        put32(links[i].bytes, i + 1 < links.size() ? links[i + 1].pointer() : 0);
        std::memcpy(links[i].bytes + 4, data.data() + at,
                    std::min(layout.longValueChunk, size - at));
    }
    append32(field, static_cast<std::uint32_t>(size));
    append32(field, links[0].pointer());
    append32(field, 0);
    return field;
}

std::string JetWriter::State::encodeRow(TableState& table, const std::vector<Value>& values) {
    if (values.size() != table.columns.size())
        throw std::invalid_argument("row has " + std::to_string(values.size()) + " values for " +
                                    std::to_string(table.columns.size()) + " columns");
    std::string fixed(table.fixedSize, '\0');
    std::vector<std::string> variable(table.variableColumns);
    std::vector<bool> present(table.columns.size(), false);
    for (std::size_t i = 0; i < values.size(); ++i) {
        ColumnState& column = table.columns[i];
        Value value = values[i];
        if (column.given.autoNumber && value.isNull()) {
            value.kind = Value::Kind::Integer;
            value.integer = table.lastAutoNumber + 1;
        }
        if (value.isNull())
            continue;
        auto* at = reinterpret_cast<std::uint8_t*>(&fixed[column.fixedOffset]);
        present[i] = true;
        switch (column.given.type) {
        case kBoolean:
            if (value.kind != Value::Kind::Boolean && value.kind != Value::Kind::Integer)
                mismatch(column, "needs a Boolean");
            present[i] = value.integer != 0;
            break;
        case kByte:
            *at = static_cast<std::uint8_t>(integerIn(column, value, 0, 255));
            break;
        case kInteger:
            put16(at, static_cast<std::uint16_t>(integerIn(column, value, INT16_MIN, INT16_MAX)));
            break;
        case kLong: {
            const auto number =
                static_cast<std::int32_t>(integerIn(column, value, INT32_MIN, INT32_MAX));
            put32(at, static_cast<std::uint32_t>(number));
            if (column.given.autoNumber && number > table.lastAutoNumber)
                table.lastAutoNumber = number;
            break;
        }
        case kCurrency:
            if (value.kind != Value::Kind::Currency)
                mismatch(column, "needs a currency amount");
            put64(at, static_cast<std::uint64_t>(value.integer));
            break;
        case kSingle: {
            const float single = static_cast<float>(realOf(column, value));
            std::uint32_t bits;
            std::memcpy(&bits, &single, sizeof bits);
            put32(at, bits);
            break;
        }
        case kDouble:
        case kDateTime:
            put64(at, bitsOf(realOf(column, value)));
            break;
        case kText:
            if (value.kind != Value::Kind::Text)
                mismatch(column, "needs text");
            if (value.text.size() > column.given.textLength)
                mismatch(column, "text longer than the column");
            variable[column.varIndex] = encodeText(column, value.text);
            break;
        case kMemo:
            if (value.kind != Value::Kind::Text)
                mismatch(column, "needs text");
            variable[column.varIndex] = longValueField(column, encodeText(column, value.text));
            break;
        case kOle:
            if (value.kind != Value::Kind::Binary)
                mismatch(column, "needs bytes");
            variable[column.varIndex] = longValueField(column, value.bytes);
            break;
        case kBinary:
            if (value.kind != Value::Kind::Binary || value.bytes.size() > 255)
                mismatch(column, "needs up to 255 bytes");
            variable[column.varIndex] = value.bytes;
            break;
        default:
            mismatch(column, "type not supported by the writer");
        }
    }
    return finishRow(table, std::move(fixed), variable, present);
}

std::string JetWriter::State::finishRow(const TableState& table, std::string fixed,
                                        const std::vector<std::string>& variable,
                                        const std::vector<bool>& present) const {
    const std::size_t columns = table.columns.size();
    const std::size_t maskSize = (columns + 7) / 8;
    std::string mask(maskSize, '\0');
    for (std::size_t i = 0; i < columns; ++i) {
        if (present[i])
            mask[i / 8] = static_cast<char>(mask[i / 8] | 1 << i % 8);
    }
    std::string row;
    if (jet4())
        append16(row, static_cast<std::uint16_t>(columns));
    else
        row += static_cast<char>(columns);
    row += fixed;
    if (table.variableColumns == 0)
        return row + mask;

    std::vector<std::size_t> offsets;
    for (const std::string& data : variable) {
        offsets.push_back(row.size());
        row += data;
    }
    offsets.push_back(row.size()); // end of the variable data
    const std::size_t count = variable.size();
    if (jet4()) {
        for (std::size_t i = count + 1; i-- > 0;)
            append16(row, static_cast<std::uint16_t>(offsets[i]));
        append16(row, static_cast<std::uint16_t>(count));
        return row + mask;
    }
    // Jet 3: one-byte offsets, with jump bytes marking each 256-byte boundary they cross.
    const std::size_t base = row.size() + (count + 1) + 1 + maskSize;
    std::size_t jumps = 0;
    while ((base + jumps - 1) / 256 != jumps)
        jumps = (base + jumps - 1) / 256;
    const std::size_t usable = offsets[count] / 256 < jumps ? jumps - 1 : jumps;
    for (std::size_t i = count + 1; i-- > 0;)
        row += static_cast<char>(offsets[i] & 0xFF);
    std::string jumpBytes(jumps, '\xFF');
    for (std::size_t k = 0; k < usable; ++k) {
        for (std::size_t i = 0; i <= count; ++i) {
            if (offsets[i] >= 256 * (k + 1)) {
                jumpBytes[k] = static_cast<char>(i);
                break;
            }
        }
    }
    for (std::size_t k = jumps; k-- > 0;)
        row += jumpBytes[k]; // jump 0 sits next to the count
    row += static_cast<char>(count);
    return row + mask;
}

void JetWriter::addRow(std::size_t tableIndex, const std::vector<Value>& values) {
    State& s = *state_;
    if (tableIndex == 0 || tableIndex >= s.tables.size())
        throw std::invalid_argument("no such table");
    TableState& table = s.tables[tableIndex];
    const std::string row = s.encodeRow(table, values);
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
}

void JetWriter::State::writeDefinition(TableState& table) {
    std::string bytes(layout.tdefHeaderEnd, '\0');
    auto* header = reinterpret_cast<std::uint8_t*>(&bytes[0]);
    header[0] = kPageTableDefinition;
    header[1] = 0x01;
    if (!jet4()) {
        header[2] = 'V';
        header[3] = 'C';
    }
    const std::size_t length = definitionLength(table);
    put32(header + 8, static_cast<std::uint32_t>(length));
    if (jet4()) {
        put32(header + 12, kUnknownConstant);
        header[24] = 0x01;
    }
    put32(header + layout.tdefRowCount, table.rowCount);
    put32(header + layout.tdefAutoNumber, static_cast<std::uint32_t>(table.lastAutoNumber));
    header[layout.tdefTableType] = table.tableType;
    put16(header + layout.tdefMaxColumns, static_cast<std::uint16_t>(table.columns.size()));
    put16(header + layout.tdefVariableColumns, table.variableColumns);
    put16(header + layout.tdefColumnCount, static_cast<std::uint16_t>(table.columns.size()));
    put32(header + layout.tdefOwnedMap, table.ownedMap);
    put32(header + layout.tdefFreeMap, table.freeMap);

    for (const ColumnState& column : table.columns) {
        std::string entry(layout.columnSize, '\0');
        auto* e = reinterpret_cast<std::uint8_t*>(&entry[0]);
        e[0] = column.given.type;
        put16(e + layout.columnNumber, column.number);
        put16(e + layout.columnVarIndex, column.varIndex);
        put16(e + layout.columnNumber + 4, table.tableType == kTableSystem ? 0 : column.number);
        if (jet4()) {
            put32(e + 1, kUnknownConstant);
            put16(e + 11, kSortGeneral);
            e[16] = column.extraFlags;
        } else {
            put16(e + 7, 1);
            put16(e + 9, kSortGeneral);
            if (column.given.type == kText || column.given.type == kMemo)
                put16(e + 11, options.codePage);
        }
        e[layout.columnFlags] = column.flags;
        put16(e + layout.columnFixedOffset, column.fixedOffset);
        put16(e + layout.columnLength, column.length);
        bytes += entry;
    }
    for (const ColumnState& column : table.columns) {
        if (jet4()) {
            const std::string name = encodeJet4Text(column.given.name, false);
            append16(bytes, static_cast<std::uint16_t>(name.size()));
            bytes += name;
        } else {
            const std::string name = encodeCodePageText(column.given.name, options.codePage);
            bytes += static_cast<char>(name.size());
            bytes += name;
        }
    }
    for (const ColumnState& column : table.columns) {
        if (!column.mapped)
            continue;
        append16(bytes, column.number);
        append32(bytes, column.ownedMap);
        append32(bytes, column.freeMap);
    }
    bytes += "\xFF\xFF";

    // Split over the reserved pages; continuation pages repeat an 8-byte header.
    std::size_t at = 0;
    for (std::size_t i = 0; i < table.definitionPages.size(); ++i) {
        std::uint8_t* page = store.page(table.definitionPages[i]);
        const std::size_t skip = i == 0 ? 0 : 8;
        const std::size_t take = std::min(bytes.size() - at, layout.pageSize - skip);
        std::memcpy(page + skip, bytes.data() + at, take);
        at += take;
        page[0] = kPageTableDefinition;
        page[1] = 0x01;
        if (jet4())
            put16(page + 2, static_cast<std::uint16_t>(layout.pageSize - skip - take >= 8
                                                           ? layout.pageSize - skip - take - 8
                                                           : 0));
        else
            page[2] = 'V', page[3] = 'C';
        put32(page + 4, i + 1 < table.definitionPages.size() ? table.definitionPages[i + 1] : 0);
    }
}

void JetWriter::State::writeGlobalMap() {
    // Access marks the pages past the end of the file as free; only it and its kin look.
    RowPages map(store, 1, 1);
    const std::size_t rowLength = usageMapRowLength(layout);
    const RowPages::Slot freePages = map.add(rowLength);
    map.add(rowLength);
    const std::size_t window = layout.inlineMapBytes * 8;
    for (std::size_t page = store.count(); page < window; ++page)
        freePages.bytes[5 + page / 8] |= static_cast<std::uint8_t>(1 << page % 8);
}

void JetWriter::State::writeHeader() {
    std::uint8_t* page = store.page(0);
    page[1] = 0x01;
    std::memcpy(page + kEngineNameOffset, "Standard Jet DB", 16);
    page[kVersionOffset] = jet4() ? 1 : 0;
    std::uint8_t* block = page + kHeaderBlockOffset;
    static const std::uint8_t kObserved[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0,
                                               3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};
    std::memcpy(block, kObserved, sizeof kObserved);
    put16(page + kCodePageOffset, options.codePage);
    put32(page + kDatabaseKeyOffset, options.databaseKey);
    if (jet4()) {
        put32(page + 0x6E, kSortGeneral);
        put64(page + 0x72, bitsOf(options.creationDate));
        // An empty password is stored as the mask itself.
        const auto mask =
            static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(options.creationDate)));
        for (int i = 0; i < 10; ++i)
            put32(page + 0x42 + 4 * i, mask);
    } else {
        put16(page + 0x38, 1);
        put16(page + 0x3A, kSortGeneral);
    }
    rc4(kHeaderKey, sizeof kHeaderKey, block, layout.headerBlockLength);
    if (jet4()) {
        static const std::uint8_t kVersionTag[8] = {0x54, 0x06, 0, 0, 0x34, 0x2E, 0x30, 0};
        std::memcpy(page + 0x98, kVersionTag, sizeof kVersionTag);
        for (std::size_t at = 0xE00; at < 0x1000; at += 2)
            put16(page + at, 0x0100);
    }
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
        const std::string row = encodeRow(catalogue, values);
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
    for (TableState& table : tables)
        writeDefinition(table);
    writeGlobalMap();
    writeHeader();
    if (options.databaseKey != 0) {
        for (std::uint32_t page = 1; page < store.count(); ++page) {
            const std::uint32_t key = options.databaseKey ^ page;
            const std::uint8_t keyBytes[4] = {
                static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
                static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 24)};
            rc4(keyBytes, sizeof keyBytes, store.page(page), layout.pageSize);
        }
    }
}

std::vector<std::uint8_t> JetWriter::finish() {
    state_->complete();
    return state_->store.join();
}

bool JetWriter::finish(std::ostream& out) {
    State& s = *state_;
    s.complete();
    // Page by page: a large database is never held a second time as one block.
    for (std::uint32_t page = 0; page < s.store.count() && out; ++page)
        out.write(reinterpret_cast<const char*>(s.store.page(page)),
                  static_cast<std::streamsize>(s.layout.pageSize));
    return static_cast<bool>(out);
}

} // namespace jet
