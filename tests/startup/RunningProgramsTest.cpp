// The product's running programs: which count, and which are asked to close.
#include "startup/RunningPrograms.h"
#include "base/ProcessValues.h"
#include "setuplog/SetupLog.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 30000;

} // namespace

TEST(RunningPrograms, OnlyTheProgramListedIsAskedToCloseAndOnlyInThisSession) {
    TempDirectory dir("running");
    const std::string app = dir.file("app");
    CreateDirectoryA(app.c_str(), nullptr);
    writeFile(app + "\\Setup.log", "[COMMON]\r\nApplication_Name=Test Product\r\n");
    const ProductProgram glossary =
        startProductProgram(app, "glossary.exe", "Technical Glossary", kTimeoutMs);
    ASSERT_TRUE(glossary.shown);
    setApplicationDirectory(app + "\\");
    const SetupLog log(app + "\\", "Setup.log");
    const std::vector<RunningProgram> listed = runningProductPrograms(log, 0);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].id, glossary.process.id);
    EXPECT_TRUE(listed[0].ours);
    EXPECT_NE(listed[0].started, 0u);

    // Its id gone to another program since the box opened: another start, another file.
    RunningProgram reused = listed[0];
    reused.started += 1;
    EXPECT_EQ(closePrograms({reused}, 2000).size(), 1u);
    EXPECT_TRUE(glossary.running()) << "a program not the one listed was asked to close";
    reused = listed[0];
    reused.path = app + "\\other.exe";
    EXPECT_EQ(closePrograms({reused}, 2000).size(), 1u);
    EXPECT_TRUE(glossary.running());
    // A service, or a program of another session: named, never sent a message.
    RunningProgram foreign = listed[0];
    foreign.ours = false;
    const DWORD before = GetTickCount();
    EXPECT_EQ(closePrograms({foreign}, kTimeoutMs).size(), 1u);
    EXPECT_LT(GetTickCount() - before, 5000u) << "waited for one it never asked";
    EXPECT_TRUE(glossary.running());
    EXPECT_NE(runningText({foreign}).find(L"stop it yourself"), std::wstring::npos);

    EXPECT_TRUE(closePrograms(listed, kTimeoutMs).empty());
    EXPECT_FALSE(glossary.running());
}

TEST(RunningPrograms, AFolderTheSetupMadeAboveTheProductIsNoSignOfIt) {
    // The maker's folder holds another of its products, which is running.
    TempDirectory dir("running");
    const std::string maker = dir.file("Maker"), app = maker + "\\Glossary";
    CreateDirectoryA(maker.c_str(), nullptr);
    CreateDirectoryA(app.c_str(), nullptr);
    writeFile(maker + "\\Setup.log", "[COMMON]\r\nApplication_Name=Other Product\r\n");
    const ProductProgram other = startProductProgram(maker, "stubborn.exe", "Stubborn", kTimeoutMs);
    ASSERT_TRUE(other.shown);
    writeFile(app + "\\Setup.log", "[APPDIR]\r\n" + app + "\r\n" + maker + "\r\n[APPFOLDERS]\r\n" +
                                       maker + "\r\n[SHAREDFILES]\r\n" + maker +
                                       "\\stubborn.exe\r\n");
    setApplicationDirectory(app + "\\");
    const SetupLog log(app + "\\", "Setup.log");
    EXPECT_TRUE(runningProductPrograms(log, 0).empty());
}
