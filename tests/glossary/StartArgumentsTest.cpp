// What the glossary's command line asks for: a database, a word, or both.
#include "StartArguments.h"

#include <gtest/gtest.h>

namespace {

StartArguments read(const std::vector<std::wstring>& arguments) {
    return readStartArguments(arguments, [](const std::wstring& path) {
        return path == L"C:\\Data\\terms" || path == L"dog.txt";
    });
}

} // namespace

TEST(StartArguments, AWordIsLookedUpAndADatabaseIsOpened) {
    EXPECT_EQ(read({L"dog"}).word, L"dog");
    EXPECT_TRUE(read({L"dog"}).database.empty()) << "a word is no file to open";
    EXPECT_EQ(read({L"ice", L"cream"}).word, L"ice cream") << "the words of a phrase, joined";
    EXPECT_EQ(read({L"Missing.MDB"}).database, L"Missing.MDB") << "named as a database";
    EXPECT_TRUE(read({L"Missing.MDB"}).word.empty());
    EXPECT_EQ(read({L"C:\\Data\\terms"}).database, L"C:\\Data\\terms") << "an existing file";
    const StartArguments both = read({L"C:\\x\\Dict.mdb", L"take", L"off"});
    EXPECT_EQ(both.database, L"C:\\x\\Dict.mdb");
    EXPECT_EQ(both.word, L"take off");
    EXPECT_TRUE(read({}).database.empty());
    EXPECT_TRUE(read({L""}).word.empty()) << "an empty argument names nothing";
}

TEST(StartArguments, OptionsSayWhichIsWhichInAnyCase) {
    const StartArguments explicitly = read({L"/DB=dog.txt", L"/Word=Dict.mdb"});
    EXPECT_EQ(explicitly.database, L"dog.txt");
    EXPECT_EQ(explicitly.word, L"Dict.mdb") << "a word that looks like a file";
    EXPECT_FALSE(explicitly.newWindow);
    EXPECT_TRUE(read({L"/new", L"dog"}).newWindow);
    EXPECT_TRUE(read({L"/NEW"}).newWindow);
    EXPECT_EQ(read({L"/newer"}).word, L"/newer") << "not the option";
    // One database: a second file name is a word.
    const StartArguments two = read({L"a.mdb", L"b.mdb"});
    EXPECT_EQ(two.database, L"a.mdb");
    EXPECT_EQ(two.word, L"b.mdb");
    EXPECT_EQ(read({L"/word=", L"dog"}).word, L"dog") << "an empty word option names none";
}

TEST(StartArguments, TrayAsksForTheNotificationIconAlone) {
    const StartArguments atLogon = read({L"/TRAY"});
    EXPECT_TRUE(atLogon.tray);
    EXPECT_TRUE(atLogon.word.empty());
    EXPECT_FALSE(read({L"dog"}).tray);
    EXPECT_EQ(read({L"/trays"}).word, L"/trays") << "not the option";
}
