// Damaged files end in a clear JetError: never a crash, a hang, or a read outside the bytes.
#include "JetFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace fixtures;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kPage = 4096;

Bytes sample() {
    std::mt19937 random(3);
    const std::vector<jet::ColumnSpec> columns = {
        {u"id", jet::kLong}, {u"term", jet::kText}, {u"notes", jet::kMemo}};
    Rows rows = randomRows(columns, 120, random);
    rows.push_back({integer(1), text(u"long"), text(std::u16string(9000, u'\u0416'))});
    return build({}, columns, rows);
}

// Opens and reads everything; true if a JetError said what was wrong.
bool failsCleanly(const Bytes& bytes) {
    try {
        const jet::Database database = jet::Database::fromBytes(bytes);
        for (const jet::TableInfo& table : database.tables())
            readAll(database, table.name);
    } catch (const JetError& error) {
        return std::strlen(error.what()) > 0;
    }
    return false;
}

void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> 8 * i);
}

// The single LVAL chain of the sample's long value: its first row's pointer.
std::size_t firstChainLink(const Bytes& bytes) {
    for (std::size_t page = 1; page < bytes.size() / kPage; ++page) {
        const std::uint8_t* p = bytes.data() + page * kPage;
        if (p[0] == 1 && std::memcmp(p + 4, "LVAL", 4) == 0) {
            const std::uint16_t rows = static_cast<std::uint16_t>(p[12] | p[13] << 8);
            for (unsigned r = 0; r < rows; ++r) {
                const std::size_t offset = (p[14 + 2 * r] | p[15 + 2 * r] << 8) & 0x1FFF;
                const std::size_t end =
                    r == 0 ? kPage : (p[14 + 2 * (r - 1)] | p[15 + 2 * (r - 1)] << 8) & 0x1FFF;
                if (end - offset == 4076)
                    return page * kPage + offset;
            }
        }
    }
    return 0;
}

} // namespace

TEST(JetCorruption, MissingFileAndNonDatabaseAreRefused) {
    EXPECT_THROW(jet::Database::open("/nonexistent/Dict.mdb"), JetError);
    EXPECT_TRUE(failsCleanly(Bytes()));
    EXPECT_TRUE(failsCleanly(Bytes(8192, 'x')));
    Bytes ace = sample();
    std::memcpy(ace.data() + 4, "Standard ACE DB", 15);
    EXPECT_TRUE(failsCleanly(ace));
    Bytes version = sample();
    version[0x14] = 9;
    EXPECT_TRUE(failsCleanly(version));
}

TEST(JetCorruption, TruncatedFilesFailAtEveryCut) {
    const Bytes whole = sample();
    for (std::size_t cut = 0; cut < whole.size(); cut += 2711) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_TRUE(failsCleanly(part)) << "cut at " << cut;
    }
}

TEST(JetCorruption, PointersOutsideTheFileAndCyclesEndWithAnError) {
    const Bytes good = sample();
    ASSERT_FALSE(failsCleanly(good));
    const std::size_t userTdef = 5 * kPage;

    Bytes map = good;
    put32(map, userTdef + 55, 0xFFFFFF00); // owned map on a page far past the end
    EXPECT_TRUE(failsCleanly(map));

    Bytes unknownMap = good;
    unknownMap[3 * kPage + 4096 - 3 * 69] = 7; // the table's owned map: a kind nobody knows
    EXPECT_FALSE(failsCleanly(unknownMap)) << "an unknown map falls back to a scan of every page";
    EXPECT_EQ(readAll(jet::Database::fromBytes(unknownMap), u"T").size(), 121u);

    Bytes selfContinuing = good;
    put32(selfContinuing, userTdef + 4, 5); // the definition continues on itself
    EXPECT_TRUE(failsCleanly(selfContinuing));

    Bytes columns = good;
    columns[userTdef + 45] = 0xFF; // far more columns than the definition holds
    columns[userTdef + 46] = 0x7F;
    EXPECT_TRUE(failsCleanly(columns));

    const std::size_t link = firstChainLink(good);
    ASSERT_NE(link, 0u);
    Bytes cycle = good;
    const std::size_t page = link / kPage;
    const std::uint8_t* p = good.data() + page * kPage;
    unsigned row = 0;
    while (((p[14 + 2 * row] | p[15 + 2 * row] << 8) & 0x1FFF) != link % kPage)
        ++row;
    put32(cycle, link, static_cast<std::uint32_t>(page << 8 | row)); // the chain points at itself
    EXPECT_TRUE(failsCleanly(cycle));

    Bytes outside = good;
    put32(outside, link, 0x7FFFFF00); // next link on a page that does not exist
    EXPECT_TRUE(failsCleanly(outside));
}

TEST(JetCorruption, AbsurdRowOffsetsAndLengthsFail) {
    const Bytes good = sample();
    std::size_t dataPage = 0;
    for (std::size_t page = 6; page < good.size() / kPage && dataPage == 0; ++page) {
        if (good[page * kPage] == 1 && good[page * kPage + 4] == 5 && good[page * kPage + 5] == 0)
            dataPage = page * kPage;
    }
    ASSERT_NE(dataPage, 0u);
    Bytes offsets = good;
    offsets[dataPage + 14] = 0xFF; // row 0 starts beyond the end of the page
    offsets[dataPage + 15] = 0x1F;
    EXPECT_TRUE(failsCleanly(offsets));

    Bytes count = good;
    count[dataPage + 12] = 0xFF; // more rows than the page can index
    EXPECT_TRUE(failsCleanly(count));

    // Every byte of a data page overwritten in turn: each result is rows or a JetError.
    Bytes damaged = good;
    for (std::size_t at = 0; at < kPage; at += 13) {
        damaged[dataPage + at] ^= 0xA5;
        try {
            const jet::Database database = jet::Database::fromBytes(damaged);
            readAll(database, u"T");
        } catch (const JetError&) {
        }
        damaged[dataPage + at] ^= 0xA5;
    }
}
