#include "setuplog/PathJoin.h"
#include "startup/DirectoryText.h"
#include "startup/RelayCommandLine.h"
#include "startup/StartupMode.h"

#include <gtest/gtest.h>

TEST(StartupMode, ArgumentCountChoosesTheMode) {
    EXPECT_EQ(startupModeFor(0), StartupMode::Relay);
    EXPECT_EQ(startupModeFor(1), StartupMode::Relay);
    EXPECT_EQ(startupModeFor(2), StartupMode::Unregistration);
    EXPECT_EQ(startupModeFor(3), StartupMode::Relay);
    EXPECT_EQ(startupModeFor(4), StartupMode::MainStage);
    EXPECT_EQ(startupModeFor(9), StartupMode::MainStage);
}

TEST(DirectoryText, CutsJustAfterTheLastBackslash) {
    EXPECT_EQ(cutAfterLastBackslash("C:\\App\\uninstall.exe"), "C:\\App\\");
    EXPECT_EQ(cutAfterLastBackslash("C:\\My App\\ "), "C:\\My App\\");
    EXPECT_EQ(cutAfterLastBackslash("C:\\App\\"), "C:\\App\\");
    EXPECT_EQ(cutAfterLastBackslash("no separator"), "no separator");
    EXPECT_EQ(cutAfterLastBackslash("C:/forward/only"), "C:/forward/only");
    EXPECT_EQ(cutAfterLastBackslash(""), "");
}

TEST(DirectoryText, LongDirectoriesAreKeptWhole) {
    const std::string deep = "C:\\" + std::string(600, 'd') + "\\";
    EXPECT_EQ(cutAfterLastBackslash(deep + "x.exe"), deep);
}

TEST(PathJoin, JoinsWithExactlyOneBackslash) {
    EXPECT_EQ(joinPath("C:\\App", "Setup.log"), "C:\\App\\Setup.log");
    EXPECT_EQ(joinPath("C:\\App\\", "Setup.log"), "C:\\App\\Setup.log");
    EXPECT_EQ(joinPath("", "Setup.log"), "Setup.log");
    EXPECT_EQ(joinPath("C:/App/", "Setup.log"), "C:/App/\\Setup.log");
}

TEST(RelayCommandLine, FieldsAreQuotedAndTheDirectoryKeepsItsBlank) {
    EXPECT_EQ(relayCommandLine("C:\\Temp\\Del1A.tmp", 124, "C:\\App\\uninstall.exe", "C:\\App\\"),
              "\"C:\\Temp\\Del1A.tmp\" 124 \"C:\\App\\uninstall.exe\" \"C:\\App\\ \"");
}
