#include "engine/SharedFiles.h"
#include "engine/UninstallJournal.h"
#include "journal/JournalRecords.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

using testsupport::copyTree;
using testsupport::createKey;
using testsupport::deleteTree;
using testsupport::deleteValue;
using testsupport::keyExists;
using testsupport::makeLink;
using testsupport::readValue;
using testsupport::setDword;
using testsupport::setString;
using testsupport::setValue;
using testsupport::TempDirectory;
using testsupport::valueExists;
using testsupport::writeFile;

namespace {

const std::string kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Value names are paths of a test directory of ours, so no real count is ever touched.
class SharedFiles : public ::testing::Test {
protected:
    void SetUp() override { createKey(HKEY_LOCAL_MACHINE, kKey); }
    void TearDown() override {
        for (const std::string& name : names_)
            deleteValue(HKEY_LOCAL_MACHINE, kKey, name);
    }
    std::string file(const std::string& name) {
        names_.push_back(dir_.file(name));
        return names_.back();
    }
    DWORD count(const std::string& name) {
        return testsupport::readDword(HKEY_LOCAL_MACHINE, kKey, name);
    }

    TempDirectory dir_{"shared"};
    std::vector<std::string> names_;
};

} // namespace

TEST_F(SharedFiles, CountsAreReleasedOneAtATime) {
    const std::string three = file("three.dll"), one = file("one.dll"), zero = file("zero.dll");
    setDword(HKEY_LOCAL_MACHINE, kKey, three, 3);
    setDword(HKEY_LOCAL_MACHINE, kKey, one, 1);
    setDword(HKEY_LOCAL_MACHINE, kKey, zero, 0);
    EXPECT_EQ(releaseSharedFile(three), 2);
    EXPECT_EQ(count(three), 2u);
    EXPECT_EQ(releaseSharedFile(one), 0);
    EXPECT_EQ(count(one), 0u) << "the value stays, holding 0";
    EXPECT_EQ(releaseSharedFile(zero), 0);
    EXPECT_EQ(count(zero), 0u);
}

TEST_F(SharedFiles, OnlyAMissingValueMeansNoCount) {
    const std::string missing = file("missing.dll");
    EXPECT_EQ(releaseSharedFile(missing), kNoCount);
    EXPECT_EQ(sharedUseCount(missing), kNoCount);
    EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, kKey, missing)) << "nothing created";

    const std::string binary = file("binary.dll");
    const BYTE two[] = {2, 0, 0, 0};
    setValue(HKEY_LOCAL_MACHINE, kKey, binary, REG_BINARY, two, sizeof two);
    EXPECT_EQ(sharedUseCount(binary), 2);
    EXPECT_EQ(releaseSharedFile(binary), 1) << "4 bytes of binary data, as older setups write";
    DWORD type = 0;
    const std::vector<BYTE> written = readValue(HKEY_LOCAL_MACHINE, kKey, binary, &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY)) << "written back in its own type";
    EXPECT_EQ(written, (std::vector<BYTE>{1, 0, 0, 0}));
}

TEST_F(SharedFiles, UnusableCountsKeepTheFileAndWriteNothing) {
    const std::string text = file("text.dll");
    setString(HKEY_LOCAL_MACHINE, kKey, text, "more than four bytes");
    EXPECT_EQ(releaseSharedFile(text), kCountUnusable) << "more than 4 bytes is not a count";
    EXPECT_EQ(sharedUseCount(text), kCountUnusable);
    DWORD type = 0;
    readValue(HKEY_LOCAL_MACHINE, kKey, text, &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "left as it was";

    // Numbers in another form are no counts either: "2" as text, 2 bytes, nothing at all.
    const BYTE shortCount[] = {2, 0};
    const std::string digit = file("digit.dll"), shortOne = file("short.dll"),
                      empty = file("empty.dll");
    setString(HKEY_LOCAL_MACHINE, kKey, digit, "2");
    setValue(HKEY_LOCAL_MACHINE, kKey, shortOne, REG_BINARY, shortCount, sizeof shortCount);
    setValue(HKEY_LOCAL_MACHINE, kKey, empty, REG_DWORD, nullptr, 0);
    for (const std::string& name : {digit, shortOne, empty}) {
        EXPECT_EQ(releaseSharedFile(name), kCountUnusable) << name;
        EXPECT_EQ(sharedUseCount(name), kCountUnusable) << name;
    }
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kKey, shortOne, &type), (std::vector<BYTE>{2, 0}))
        << "nothing written";

    for (const DWORD huge : {0x80000000u, 0x80000001u, 0xFFFFFFFFu}) {
        const std::string name = file("huge" + std::to_string(huge) + ".dll");
        setDword(HKEY_LOCAL_MACHINE, kKey, name, huge);
        EXPECT_EQ(releaseSharedFile(name), kCountUnusable) << huge;
        EXPECT_EQ(count(name), huge) << "nothing written";
    }
    const std::string highest = file("highest.dll");
    setDword(HKEY_LOCAL_MACHINE, kKey, highest, 0x7FFFFFFF);
    EXPECT_EQ(releaseSharedFile(highest), 0x7FFFFFFE);
}

TEST_F(SharedFiles, ReadingTheCountChangesNothing) {
    const std::string two = file("two.dll");
    setDword(HKEY_LOCAL_MACHINE, kKey, two, 2);
    EXPECT_EQ(sharedUseCount(two), 2);
    EXPECT_EQ(sharedUseCount(two), 2);
    EXPECT_EQ(count(two), 2u);
}

TEST_F(SharedFiles, ForgetDeletesTheCount) {
    const std::string name = file("forget.dll");
    setDword(HKEY_LOCAL_MACHINE, kKey, name, 1);
    forgetSharedFile(name);
    EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, kKey, name));
    forgetSharedFile(name); // a second time: nothing to do, nothing reported
}

TEST_F(SharedFiles, WithoutTheKeyNoCountCanBeUsed) {
    // The key of this test prefix is put back as it was.
    const std::string backup = "SOFTWARE\\SetupTests\\SharedDLLsBackup";
    copyTree(HKEY_LOCAL_MACHINE, kKey, backup);
    deleteTree(HKEY_LOCAL_MACHINE, kKey);
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kKey));
    const std::string name = file("nokey.dll");
    EXPECT_EQ(releaseSharedFile(name), kCountUnusable) << "a missing key proves nothing";
    EXPECT_EQ(sharedUseCount(name), kCountUnusable);
    forgetSharedFile(name);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kKey)) << "the key is never created";
    copyTree(HKEY_LOCAL_MACHINE, backup, kKey);
    deleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests");
}

TEST_F(SharedFiles, FileExistsOnlyWhenItOpensWithReadSharing) {
    writeFile(dir_.file("here.dll"), "x");
    EXPECT_TRUE(::fileExists(dir_.file("here.dll")));
    EXPECT_FALSE(::fileExists(dir_.file("absent.dll")));
    EXPECT_TRUE(::fileExists(dir_.path())) << "a directory opens with backup semantics";
    const win32::Handle holder(CreateFileA(dir_.file("here.dll").c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    EXPECT_FALSE(::fileExists(dir_.file("here.dll")));
}

TEST(Journal, AnEmptyJournalCountsAsNoneWhereverItLies) {
    // What a run that gave nothing back may leave, also in a folder reached through a link,
    // whose journal cannot be opened as the product's own.
    TempDirectory dir("journal");
    const std::string real = dir.file("real"), linked = dir.file("linked");
    CreateDirectoryA(real.c_str(), nullptr);
    ASSERT_TRUE(makeLink(real, linked));
    std::string why;
    for (const std::string& folder : {real, linked}) {
        SCOPED_TRACE(folder);
        writeFile(UninstallJournal::pathIn(folder), "");
        EXPECT_TRUE(UninstallJournal::check(folder, "Test Product", why)) << why;
    }
    writeFile(UninstallJournal::pathIn(real), "Uninstall journal of Other Product\r\n");
    EXPECT_FALSE(UninstallJournal::check(real, "Test Product", why));
    EXPECT_FALSE(UninstallJournal::check(linked, "Test Product", why)) << "not read through a link";
}

TEST(Journal, ALineCutOffIsCutAwaySoThatAnotherStopLeavesAJournalOfOurs) {
    // Ended instead of cut away, the fragment would read as a whole line of another form once
    // this run is stopped too, and every later run would refuse the journal.
    TempDirectory dir("journal");
    const std::string path = UninstallJournal::pathIn(dir.path());
    const std::string header = uninstallJournalHeader("Test Product");
    const std::string begin = journalLine({false, "SHAREDFILES", 2, 3, escapedPath("C:\\a.dll")});
    for (const auto& [left, kept] :
         {std::pair{header + begin + "done\tSHAREDF", header + begin},
          std::pair{header.substr(0, 12), header}, std::pair{header + begin, header + begin}}) {
        SCOPED_TRACE(left);
        writeFile(path, left);
        {
            UninstallJournal journal;
            ASSERT_TRUE(journal.open(dir.path(), "Test Product"));
        } // stopped again before it wrote a line
        EXPECT_EQ(testsupport::readFile(path), kept);
        std::string why;
        EXPECT_TRUE(UninstallJournal::check(dir.path(), "Test Product", why)) << why;
    }
}
