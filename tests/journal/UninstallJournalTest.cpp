// The uninstaller's journal and the line form both journals share.
#include "journal/JournalRecords.h"
#include "journal/LineForm.h"

#include <gtest/gtest.h>

TEST(Journal, OnlyThisProductsWholeLinesAreRead) {
    const std::string header = uninstallJournalHeader("Test Product");
    const std::string begin =
        journalLine({false, "SHAREDFILES", 2, 3, escapedPath("C:\\a\nb.dll")});
    EXPECT_EQ(begin, "begin\tSHAREDFILES\t2\t3\tC:\\a<0A>b.dll\r\n");
    std::vector<JournalLine> lines;
    EXPECT_TRUE(readUninstallJournal("", "Test Product", lines)) << "just created";
    EXPECT_TRUE(readUninstallJournal(header + begin, "Test Product", lines));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].count, 3);
    EXPECT_TRUE(readUninstallJournal(header + begin + "done\tSHAREDF", "Test Product", lines))
        << "a last line cut off as it was written";
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_TRUE(readUninstallJournal(header.substr(0, 10), "Test Product", lines))
        << "a header cut off";
    for (const std::string& foreign :
         {uninstallJournalHeader("Other Product") + begin,
          header + "begin\tSHAREDFILES\tx\t3\tC:\\a\r\n",
          header + "undo\tSHAREDFILES\t1\t3\tC:\\a\r\n", header + "begin\tS\t1\t3\r\n",
          std::string("garbage\r\n"), header + "done\tS\t-1\t0\tC:\\a\r\n",
          header + "begin\tS\t1\t3\tC:\\a\x01b\r\n", header + "begin\tS\x7f\t1\t3\tC:\\a\r\n"})
        EXPECT_FALSE(readUninstallJournal(foreign, "Test Product", lines)) << foreign;
}

TEST(Journal, ACountIsGivenBackOnceOverAllRuns) {
    const std::string path = "C:\\Shared\\a.dll";
    const std::vector<JournalLine> none,
        begun = {{false, "SHAREDFILES", 0, 3, path}},
        done = {{false, "SHAREDFILES", 0, 3, path}, {true, "SHAREDFILES", 0, 2, path}};
    EXPECT_FALSE(journalSaysReleased(none, "SHAREDFILES", 0, path));
    // Whatever the count is now: another product's setup may have raised it since the stop.
    EXPECT_TRUE(journalSaysReleased(begun, "SHAREDFILES", 0, path)) << "stopped at the change";
    EXPECT_TRUE(journalSaysReleased(done, "SHAREDFILES", 0, path));
    EXPECT_FALSE(journalSaysReleased(done, "STDFILES", 0, path)) << "another entry";
    EXPECT_FALSE(journalSaysReleased(done, "SHAREDFILES", 1, path));
    EXPECT_FALSE(journalSaysReleased(done, "SHAREDFILES", 0, "C:\\Shared\\b.dll"));
}

TEST(Journal, AnExactFieldReadsBackAsWrittenWhateverItHolds) {
    for (const std::string& text :
         {std::string("C:\\Del\x7F"
                      "Folder\\a.dll"),
          std::string("C:\\a\nb\tc"), std::string("name <0A> with its own escape"),
          std::string("<"), std::string()}) {
        const std::string line = journalRecord({"file", exactField(text)});
        std::vector<std::vector<std::string>> records;
        ASSERT_TRUE(readJournalRecords("H\r\n" + line, "H\r\n", records)) << line;
        ASSERT_EQ(records.size(), 1u);
        ASSERT_EQ(records[0].size(), 2u) << "a TAB in the text stays in its field";
        std::string read;
        EXPECT_TRUE(unescapedField(records[0][1], read)) << line;
        EXPECT_EQ(read, text) << line;
    }
    std::string read;
    for (const char* foreign : {"a<", "a<0", "a<0A", "a<0a>", "a<GG>b", "<3C"})
        EXPECT_FALSE(unescapedField(foreign, read)) << foreign;
}
