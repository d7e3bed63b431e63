// What a journal read back may touch: only paths and keys of the product, however the journal
// spells the others.
#include "journal/JournalScope.h"

#include <gtest/gtest.h>

namespace {

JournalScope productScope() {
    JournalScope scope;
    scope.folders = {
        "C:\\Program Files\\Technical Glossary",
        "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Technical Glossary"};
    scope.files = {"C:\\Windows\\System32\\tg_shared.dll"};
    scope.keys = {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary"};
    return scope;
}

} // namespace

TEST(JournalScope, PathsInsideTheProductsFoldersAndItsOwnFilesAreIn) {
    const JournalScope scope = productScope();
    for (const char* path :
         {"C:\\Program Files\\Technical Glossary\\glossary.exe",
          "c:\\program files\\technical glossary\\Dict.mdb.new",
          "C:\\Program Files\\Technical Glossary\\sub\\deeper.txt",
          "C:\\Windows\\System32\\tg_shared.dll", "C:\\Windows\\System32\\TG_SHARED.DLL.new",
          "C:\\Windows\\System32\\tg_shared.dll.previous"})
        EXPECT_TRUE(fileInScope(scope, path)) << path;
}

TEST(JournalScope, PathsOutsideOrSpelledToLeaveItAreOut) {
    const JournalScope scope = productScope();
    for (const char* path : {"C:\\Windows\\win.ini", "C:\\Windows\\System32\\kernel32.dll",
                             "C:\\Program Files\\Technical Glossary Other\\a.txt",
                             "C:\\Program Files\\Technical Glossary\\..\\Other\\a.txt",
                             "C:\\Program Files\\Technical Glossary\\.\\a.txt",
                             "C:\\Program Files\\Technical Glossary\\\\a.txt",
                             "C:/Program Files/Technical Glossary/a.txt",
                             "\\\\?\\C:\\Program Files\\Technical Glossary\\a.txt",
                             "Program Files\\Technical Glossary\\a.txt", "",
                             "C:", "C:\\Windows\\System32\\tg_shared.dll.old"})
        EXPECT_FALSE(fileInScope(scope, path)) << path;
}

TEST(JournalScope, FoldersOnTheWayToTheProductsAreInButNotARoot) {
    const JournalScope scope = productScope();
    EXPECT_TRUE(folderInScope(scope, "C:\\Program Files\\Technical Glossary"));
    EXPECT_TRUE(folderInScope(scope, "C:\\Program Files"));
    EXPECT_TRUE(folderInScope(scope, "C:\\Program Files\\Technical Glossary\\sub"));
    EXPECT_FALSE(folderInScope(scope, "C:\\"));
    EXPECT_FALSE(folderInScope(scope, "C:\\Windows"));
    EXPECT_FALSE(folderInScope(scope, "D:\\Program Files"));
}

TEST(JournalScope, OnlyTheProductsKeysAndThoseBelowThemAreIn) {
    const JournalScope scope = productScope();
    EXPECT_TRUE(keyInScope(scope, scope.keys[0]));
    EXPECT_TRUE(keyInScope(scope, scope.keys[0] + "\\Below"));
    EXPECT_FALSE(keyInScope(scope, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_FALSE(keyInScope(scope, "SOFTWARE\\Another Product"));
    EXPECT_FALSE(keyInScope(scope, scope.keys[0] + " Other"));
    EXPECT_FALSE(keyInScope(scope, "\\" + scope.keys[0]));
}

TEST(JournalScope, WhatLiesOutsideIsLeftOutAndACountKeepsItsPlace) {
    SetupJournal journal;
    journal.files = {"C:\\Windows\\win.ini", "C:\\Program Files\\Technical Glossary\\a.exe"};
    journal.setAside = {"C:\\Windows\\System32\\kernel32.dll"};
    journal.folders = {{"C:\\Windows\\Temp\\x", 1, 2, 3}, {"C:\\Program Files", 4, 5, 6}};
    journal.counts = {{"C:\\Windows\\System32\\other.dll", false, 1, false},
                      {"C:\\Windows\\System32\\tg_shared.dll", false, 1, false}};
    journal.key = "SOFTWARE\\Another Product";
    journal.values = {{"DisplayName", 1, {}}};
    const std::vector<std::string> outside = limitToScope(journal, productScope());
    EXPECT_EQ(outside.size(), 5u);
    EXPECT_EQ(journal.files,
              std::vector<std::string>{"C:\\Program Files\\Technical Glossary\\a.exe"});
    EXPECT_TRUE(journal.setAside.empty());
    ASSERT_EQ(journal.folders.size(), 1u);
    EXPECT_EQ(journal.folders[0].path, "C:\\Program Files");
    ASSERT_EQ(journal.counts.size(), 2u) << "the records' numbering stays";
    EXPECT_TRUE(journal.counts[0].returned);
    EXPECT_FALSE(journal.counts[1].returned);
    EXPECT_TRUE(journal.key.empty());
    EXPECT_TRUE(journal.values.empty());
}
