// What our writer stores, the reader must return exactly, in both file versions and in every
// layout a real file may have: many pages, deleted and moved rows, both usage map kinds,
// encrypted pages, long value chains and table definitions over several pages.
#include "JetFixtures.h"
#include "jet/TextCodec.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

struct Layout {
    const char* name;
    jet::WriterOptions options;
};

std::vector<Layout> layouts() {
    std::vector<Layout> all;
    for (jet::Version version : {jet::Version::Jet4, jet::Version::Jet3}) {
        jet::WriterOptions plain;
        plain.version = version;
        jet::WriterOptions awkward = plain;
        awkward.deletedRowEvery = 3;
        awkward.movedRowEvery = 5;
        awkward.referenceMaps = true;
        jet::WriterOptions encrypted = plain;
        encrypted.databaseKey = 0x5EC12E7;
        const bool jet4 = version == jet::Version::Jet4;
        all.push_back({jet4 ? "Jet 4 plain" : "Jet 3 plain", plain});
        all.push_back(
            {jet4 ? "Jet 4 deleted, moved, reference maps" : "Jet 3 deleted, moved, reference maps",
             awkward});
        all.push_back({jet4 ? "Jet 4 encrypted" : "Jet 3 encrypted", encrypted});
    }
    return all;
}

void expectRows(const Rows& written, const Rows& read, const std::vector<jet::ColumnSpec>& columns,
                jet::Version version) {
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t r = 0; r < written.size(); ++r) {
        ASSERT_EQ(read[r].size(), columns.size());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const jet::Value want = expected(written[r][c], columns[c], version);
            ASSERT_TRUE(sameValue(read[r][c], want))
                << "row " << r << " column " << jet::toUtf8(columns[c].name)
                << "\n  read:    " << describe(read[r][c]) << "\n  written: " << describe(want);
        }
    }
}

} // namespace

TEST(JetReader, EveryColumnTypeReadsBackInEveryFileLayout) {
    const auto columns = allTypes();
    for (const Layout& layout : layouts()) {
        SCOPED_TRACE(layout.name);
        std::mt19937 random(42);
        const Rows rows = randomRows(columns, 700, random);
        const jet::Database database =
            jet::Database::fromBytes(build(layout.options, columns, rows));
        EXPECT_EQ(database.version(), layout.options.version);
        expectRows(rows, readAll(database, u"T"), columns, layout.options.version);
    }
}

TEST(JetReader, EmptyTableHasNoRows) {
    const jet::Database database = jet::Database::fromBytes(build({}, allTypes(), {}));
    jet::Recordset rows = database.openTable(u"T");
    EXPECT_TRUE(rows.eof());
    EXPECT_THROW(rows.value(0), JetError);
    EXPECT_THROW(rows.moveNext(), JetError);
}

TEST(JetReader, CompressedTextOverSeveralLongValuePagesIsJoinedBeforeDecoding) {
    jet::WriterOptions options;
    options.maxCompressedText = 1u << 20;
    const std::u16string longText(20000, u'\u00e9');
    const Rows rows = {{text(longText)}, {text(u"short compressed")}};
    const std::vector<jet::ColumnSpec> columns = {{u"notes", jet::kMemo}};
    const Rows read = readAll(jet::Database::fromBytes(build(options, columns, rows)), u"T");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0][0].text, longText);
    EXPECT_EQ(read[1][0].text, u"short compressed");
}

TEST(JetReader, DefinitionOverSeveralPagesKeepsEveryColumn) {
    std::vector<jet::ColumnSpec> columns;
    for (int i = 0; i < 200; ++i) {
        const std::string name = "a rather long column name number " + std::to_string(i);
        columns.push_back(
            {std::u16string(name.begin(), name.end()), i % 2 ? jet::kText : jet::kLong, 10});
    }
    for (jet::Version version : {jet::Version::Jet4, jet::Version::Jet3}) {
        jet::WriterOptions options;
        options.version = version;
        std::mt19937 random(5);
        const Rows rows = randomRows(columns, 20, random, true);
        const jet::Database database = jet::Database::fromBytes(build(options, columns, rows));
        const jet::TableDefinition definition = database.definition(u"T");
        ASSERT_EQ(definition.columns.size(), 200u);
        EXPECT_EQ(jet::toUtf8(definition.columns[199].name),
                  "a rather long column name number 199");
        expectRows(rows, readAll(database, u"T"), columns, version);
    }
}

TEST(JetReader, Jet3RowsLongerThan256BytesUseTheJumpTable) {
    // Thirty text columns: long rows whose offsets cross several 256-byte boundaries, and
    // rows just over 256 bytes whose offsets all stay below (the dummy jump byte).
    std::vector<jet::ColumnSpec> columns;
    for (int i = 0; i < 30; ++i)
        columns.push_back(
            {u"c" + std::u16string(1, static_cast<char16_t>(u'A' + i)), jet::kText, 60});
    Rows rows;
    for (std::size_t fill : {0u, 7u, 8u, 9u, 20u, 60u}) {
        std::vector<jet::Value> row;
        for (int i = 0; i < 30; ++i)
            row.push_back(text(std::u16string(fill, static_cast<char16_t>(u'a' + i % 26))));
        rows.push_back(row);
    }
    jet::WriterOptions options;
    options.version = jet::Version::Jet3;
    const jet::Database database = jet::Database::fromBytes(build(options, columns, rows));
    expectRows(rows, readAll(database, u"T"), columns, jet::Version::Jet3);
}

TEST(JetCatalogue, ListsUserTablesOnlyAndOpensThemIgnoringCase) {
    jet::JetWriter writer;
    const std::size_t first = writer.addTable(u"Dict", {{u"id", jet::kLong}});
    const std::size_t second = writer.addTable(u"Other Table", {{u"name", jet::kText}});
    writer.addRow(first, {integer(7)});
    writer.addRow(second, {text(u"x")});
    const jet::Database database = jet::Database::fromBytes(writer.finish());
    ASSERT_EQ(database.tables().size(), 2u);
    EXPECT_EQ(database.tables()[0].name, u"Dict");
    EXPECT_EQ(database.tables()[1].name, u"Other Table");
    EXPECT_EQ(readAll(database, u"DICT")[0][0].integer, 7);
    EXPECT_EQ(readAll(database, u"other table")[0][0].text, u"x");
    EXPECT_THROW(database.openTable(u"MSysObjects"), JetError);
    EXPECT_THROW(database.openTable(u"Missing"), JetError);
}

TEST(JetText, CompressedFormTogglesAndIgnoresAnOddLastByte) {
    const std::uint8_t mixed[] = {0xFF, 0xFE, 'a', 'b', 0x00, 0xAC, 0x20, 0x00, 'c', 0x00, 0x41};
    EXPECT_EQ(jet::decodeJet4Text(jet::Bytes(mixed, sizeof mixed)), u"ab\u20acc");
    const std::uint8_t plain[] = {'h', 0, 'i', 0, 'x'};
    EXPECT_EQ(jet::decodeJet4Text(jet::Bytes(plain, sizeof plain)), u"hi");
}

TEST(JetText, Jet3TextUsesTheCodePage) {
    const std::uint8_t bytes[] = {0x80, 'A', 0xE9, 0x9F};
    EXPECT_EQ(jet::decodeCodePageText(jet::Bytes(bytes, sizeof bytes), 1252),
              u"\u20acA\u00e9\u0178");
}

TEST(JetText, WriterNeverStartsPlainTextWithTheCompressionMarker) {
    EXPECT_EQ(jet::encodeJet4Text(u"\ufeffab", true), std::string("a\0b\0", 4));
    EXPECT_EQ(jet::encodeJet4Text(u"abc", true), "\xFF\xFE"
                                                 "abc");
    EXPECT_EQ(jet::encodeJet4Text(u"ab", true), std::string("a\0b\0", 4))
        << "too short to compress";
}

TEST(JetText, Utf8RoundTripAndInvalidInput) {
    const std::u16string text = u"A\u00e9\u20ac\U0001F600";
    EXPECT_EQ(jet::fromUtf8(jet::toUtf8(text)), text);
    for (const char* bad :
         {"\xC0\xAF", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "a\xE2\x82"}) {
        bool valid = true;
        jet::fromUtf8(bad, &valid);
        EXPECT_FALSE(valid) << bad;
    }
}
