// Setup's journal read from its text alone: what a stopped run wrote is read back as it was
// written, a line cut off counts for nothing, and anything else is refused whole.
#include "journal/JournalRecords.h"
#include "journal/LineForm.h"

#include <gtest/gtest.h>

namespace {

const std::string kProduct = "Technical Glossary";

bool same(const SetupJournal& a, const SetupJournal& b) {
    return setupJournalText(a, kProduct) == setupJournalText(b, kProduct);
}

// A run that did something of every kind, with names that need every escape.
SetupJournal everyKind() {
    SetupJournal journal;
    journal.folders = {{"C:\\Stopped\x7FParent", 1234567890u, 0u, 0xFFFFFFFFu},
                       {"C:\\Program Files\\Technical Glossary", 7u, 8u, 9u}};
    journal.files = {"C:\\Program Files\\Technical Glossary\\glossary.exe.new", "C:\\a\tb\r\nc.dll",
                     "C:\\name <0A> with its own escape", "C:\\\xC3\xBC.txt"};
    journal.setAside = {"C:\\Program Files\\Technical Glossary\\Dict.mdb"};
    journal.atRestart = {"C:\\Program Files\\Technical Glossary\\Dict.mdb"};
    journal.counts = {{"C:\\Windows\\System32\\shared.dll", false, 1, true},
                      {"C:\\Windows\\System32\\other.dll", true, 4294967295u, false}};
    journal.key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary";
    journal.keyExisted = true;
    journal.values = {
        {"DisplayName", 1, {'T', 0, 'G', 0, 0, 0}}, {"", 4, {1, 0, 0, 0}}, {"<3C>\n", 3, {}}};
    journal.installed = {"C:\\Program Files\\Technical Glossary",
                         "C:\\Program Files\\Technical Glossary\\Setup.log"};
    journal.committed = true;
    return journal;
}

} // namespace

TEST(SetupJournal, EveryRecordReadsBackAsWrittenWhateverItsNamesHold) {
    const SetupJournal written = everyKind();
    const std::string text = setupJournalText(written, kProduct);
    SetupJournal read;
    ASSERT_TRUE(readSetupJournal(text, kProduct, read)) << text;
    EXPECT_TRUE(same(read, written)) << setupJournalText(read, kProduct);
    ASSERT_EQ(read.files.size(), 4u);
    EXPECT_EQ(read.files[1], "C:\\a\tb\r\nc.dll") << "a TAB and a line end stay in their field";
    EXPECT_EQ(read.files[2], "C:\\name <0A> with its own escape");
    EXPECT_EQ(read.values[2].name, "<3C>\n");
    EXPECT_TRUE(read.counts[0].returned);
    EXPECT_FALSE(read.counts[1].returned);
    EXPECT_EQ(read.counts[1].added, 4294967295u);
}

// The lines as setup has always written them: a journal that a stopped run of an earlier
// build left is read by this one.
TEST(SetupJournal, TheStoredLineFormIsReadAsEarlierRunsWroteIt) {
    const std::string text = "Setup journal of Technical Glossary\r\n"
                             "made\tC:\\Stopped<7F>Parent\t3\t0\t42\r\n"
                             "file\tC:\\Windows\\System32\\shared.dll.new\r\n"
                             "file\tC:\\Windows\\System32\\shared.dll\r\n"
                             "counted\tC:\\Windows\\System32\\shared.dll\t0\t1\r\n"
                             "returned\t0\r\n"
                             "aside\tC:\\a<3C>b\r\n"
                             "registration\tSOFTWARE\\X\t1\r\n"
                             "value\tDisplayVersion\t1\t31002e003300\r\n"
                             "restart\tC:\\a\\Dict.mdb\r\n"
                             "installed\tC:\\a\r\n"
                             "commit\r\n";
    SetupJournal read;
    ASSERT_TRUE(readSetupJournal(text, kProduct, read));
    ASSERT_EQ(read.folders.size(), 1u);
    EXPECT_EQ(read.folders[0].path, "C:\\Stopped\x7FParent");
    EXPECT_EQ(read.folders[0].indexLow, 42u);
    ASSERT_EQ(read.counts.size(), 1u);
    EXPECT_FALSE(read.counts[0].had);
    EXPECT_EQ(read.counts[0].added, 1u);
    EXPECT_TRUE(read.counts[0].returned);
    EXPECT_EQ(read.setAside, std::vector<std::string>{"C:\\a<b"});
    ASSERT_EQ(read.values.size(), 1u);
    EXPECT_EQ(read.values[0].data, (std::vector<unsigned char>{'1', 0, '.', 0, '3', 0}));
    EXPECT_TRUE(read.committed);
    // And written again, line for line as before.
    EXPECT_EQ(setuprecord::counted(read.counts[0]),
              "counted\tC:\\Windows\\System32\\shared.dll\t0\t1\r\n");
    EXPECT_EQ(setuprecord::made(read.folders[0]), "made\tC:\\Stopped<7F>Parent\t3\t0\t42\r\n");
    EXPECT_EQ(setuprecord::registration(read.key, read.keyExisted, read.values),
              "registration\tSOFTWARE\\X\t1\r\nvalue\tDisplayVersion\t1\t31002e003300\r\n");
}

TEST(SetupJournal, ALastLineCutOffAsItWasWrittenCountsForNothing) {
    const std::string whole = setupJournalText(everyKind(), kProduct);
    const std::string header = setuprecord::header(kProduct);
    SetupJournal read;
    // Cut anywhere: what is read is the whole lines before the cut, never a part of a line.
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        const std::string cut = whole.substr(0, size);
        ASSERT_TRUE(readSetupJournal(cut, kProduct, read)) << cut;
        const std::size_t kept = wholeLines(cut);
        SetupJournal upToLastLine;
        ASSERT_TRUE(readSetupJournal(cut.substr(0, kept), kProduct, upToLastLine));
        EXPECT_TRUE(same(read, upToLastLine)) << cut;
        EXPECT_TRUE(kept == 0 || cut.compare(kept - 2, 2, "\r\n") == 0) << cut;
    }
    // "counted" cut to "count": no count is believed half-written.
    const std::string counted = setuprecord::counted({"C:\\s.dll", false, 1, false});
    ASSERT_TRUE(readSetupJournal(header + counted.substr(0, 5), kProduct, read));
    EXPECT_TRUE(read.counts.empty());
    ASSERT_TRUE(readSetupJournal(header + counted.substr(0, counted.size() - 1), kProduct, read))
        << "a CR without its LF ends no line";
    EXPECT_TRUE(read.counts.empty());
}

TEST(SetupJournal, ADamagedLineOrAnotherProductsJournalIsRefusedWhole) {
    const std::string header = setuprecord::header(kProduct);
    const std::string file = setuprecord::file("C:\\a.dll");
    SetupJournal read;
    for (const std::string& damaged :
         {journalHeader("Setup", "Other Product") + file,
          journalHeader("Uninstall", kProduct) + file,
          std::string("garbage\r\n"),
          header + "fil\tC:\\a.dll\r\n",
          header + "file\r\n",
          header + "file\tC:\\a\tb\r\n",
          header + "file\tC:\\a<0a>\r\n",
          header + "file\tC:\\a<3C\r\n",
          header + "made\tC:\\a\t1\t2\r\n",
          header + "made\tC:\\a\t1\t2\t4294967296\r\n",
          header + "made\tC:\\a\t-1\t2\t3\r\n",
          header + "counted\tC:\\a\t2\t1\r\n",
          header + "counted\tC:\\a\t0\tx\r\n",
          header + "returned\t0\r\n",
          header + setuprecord::counted({"C:\\a", false, 1, false}) + "returned\t1\r\n",
          header + "value\tName\t1\t00\r\n",
          header + "registration\t\t0\r\n",
          header + "registration\tK\t1\r\nregistration\tK\t1\r\n",
          header + "registration\tK\t1\r\nvalue\tName\t1\t0\r\n",
          header + "registration\tK\t1\r\nvalue\tName\t1\t0A\r\n",
          header + "commit\tnow\r\n",
          header + "\r\n",
          "\xEF\xBB\xBF" + header + file}) {
        EXPECT_FALSE(readSetupJournal(damaged, kProduct, read)) << damaged;
    }
    // Nothing written yet, or only a part of the header: a run stopped at its first write.
    EXPECT_TRUE(readSetupJournal("", kProduct, read));
    EXPECT_TRUE(readSetupJournal(header.substr(0, 7), kProduct, read));
    EXPECT_TRUE(same(read, SetupJournal()));
}

TEST(LineForm, NumbersAreDigitsWithinTheirRangeAndNothingElse) {
    long long value = 7;
    EXPECT_TRUE(numberField("4294967295", 0, 0xFFFFFFFF, value));
    EXPECT_EQ(value, 4294967295);
    EXPECT_TRUE(numberField("-12", -20, 20, value));
    EXPECT_EQ(value, -12);
    for (const char* foreign :
         {"", "-", "+1", " 1", "1 ", "4294967296", "-1", "1e3", "0x10", "9999999999999999999"})
        EXPECT_FALSE(numberField(foreign, 0, 0xFFFFFFFF, value)) << foreign;
    EXPECT_FALSE(numberField("-21", -20, 20, value));
}
