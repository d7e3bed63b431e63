#include "JetFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace fixtures;

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string contentOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

// A large import writes its pages as they fill instead of holding the whole file: the file
// must be the same, long value chains (whose parts point at one another) included.
TEST(JetWriterSpill, PagesWrittenAsTheyFillMakeTheSameFile) {
    for (const std::size_t pageRun : {std::size_t{1}, std::size_t{16}}) {
        jet::WriterOptions options;
        options.mixedCompression = true;
        options.tablePageRun = pageRun;
        const std::vector<jet::ColumnSpec> columns = {
            {u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}, {u"definition", jet::kMemo}};
        std::mt19937 random(11);
        Rows rows = randomRows(columns, 3000, random);
        rows[7][2] = text(std::u16string(30000, u'\u0436')); // a chain over several pages
        for (auto& row : rows)
            row[0] = null();

        // A file, as pages go to places past its end (a string stream cannot seek there).
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("spill-" + std::to_string(pageRun) + ".mdb");
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        jet::JetWriter spilling(options);
        spilling.spillTo(out);
        const std::size_t table = spilling.addTable(u"T", columns);
        for (const auto& row : rows)
            spilling.addRow(table, row);
        out.flush();
        const std::size_t before = contentOf(path).size();
        ASSERT_TRUE(spilling.finish(out));
        out.close();
        const std::string written = contentOf(path);
        std::filesystem::remove(path);

        EXPECT_GT(before, std::size_t{100} * 4096) << "full pages reach the file at once";
        const std::vector<std::uint8_t> expected = build(options, columns, rows);
        EXPECT_TRUE(bytesOf(written) == expected) << "page run " << pageRun;
        EXPECT_EQ(readAll(jet::Database::fromBytes(bytesOf(written)), u"T").size(), rows.size());
    }
}

TEST(JetWriterSpill, IsRefusedWhereFullPagesStillChange) {
    jet::WriterOptions options;
    options.databaseKey = 0x1234;
    jet::JetWriter writer(options);
    std::stringstream out;
    EXPECT_THROW(writer.spillTo(out), std::invalid_argument);
}
