#include "engine/PreUninstallProgram.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 30000;

struct Recorded {
    std::string commandLine, directory;
    int showWindow = -2;
};

Recorded recorded(const std::string& path) {
    Recorded result;
    const std::string text = readFile(path);
    std::size_t first = text.find('\n'), second = text.find('\n', first + 1);
    result.commandLine = text.substr(0, first);
    result.directory = text.substr(first + 1, second - first - 1);
    result.showWindow = std::atoi(text.c_str() + second + 1);
    return result;
}

bool waitForFile(const std::string& path, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!fileExists(path)) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(20);
    }
    return true;
}

class PreUninstall : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(work_.file("tools dir").c_str(), nullptr);
        CopyFileA((binaryDirectory() + "\\recorder.exe").c_str(), program_.c_str(), FALSE);
    }
    TempDirectory work_{"preuninstall"};
    std::string program_ = work_.file("tools dir") + "\\Pre.exe";
    std::string out_ = work_.file("recorded.txt");
    EnvironmentOverride output_{"RECORDER_OUT", out_};
};

} // namespace

TEST_F(PreUninstall, SevenFieldsRunTheProgramWithArgumentsDirectoryAndShowValue) {
    const std::string directory = work_.file("tools dir");
    PreUninstallProgram(program_ + ",/quiet," + directory + ",1,0,0,").run();
    ASSERT_TRUE(fileExists(out_)) << "run returned before the program had ended";
    const Recorded seen = recorded(out_);
    EXPECT_EQ(seen.commandLine, "\"" + program_ + "\" /quiet");
    EXPECT_EQ(seen.directory, directory);
    EXPECT_EQ(seen.showWindow, SW_SHOWNORMAL);
}

TEST_F(PreUninstall, ProgramAloneRunsHiddenInTheCurrentDirectory) {
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    PreUninstallProgram(program_).run();
    const Recorded seen = recorded(out_);
    EXPECT_EQ(seen.commandLine, "\"" + program_ + "\"");
    EXPECT_EQ(seen.directory, current);
    EXPECT_EQ(seen.showWindow, SW_HIDE);
}

TEST_F(PreUninstall, NonNumericShowValueHidesTheWindow) {
    PreUninstallProgram(program_ + ",,,max").run();
    EXPECT_EQ(recorded(out_).showWindow, SW_HIDE);
}

TEST_F(PreUninstall, NoWaitReturnsWhileTheProgramStillRuns) {
    const EnvironmentOverride sleep("RECORDER_SLEEP_MS", "3000");
    const ULONGLONG before = GetTickCount64();
    PreUninstallProgram(program_ + ",,,0,0,1").run();
    EXPECT_LT(GetTickCount64() - before, 2500u) << "did not return at once";
    EXPECT_FALSE(fileExists(out_ + ".done")) << "the program was already finished";
    EXPECT_TRUE(waitForFile(out_ + ".done", kTimeoutMs));
}

TEST_F(PreUninstall, WaitingRunReturnsOnlyAfterTheProgramEnded) {
    const EnvironmentOverride sleep("RECORDER_SLEEP_MS", "500");
    PreUninstallProgram(program_ + ",,,0,0,0").run();
    EXPECT_TRUE(fileExists(out_ + ".done"));
}

TEST_F(PreUninstall, MissingProgramIsSilent) {
    const DWORD error = PreUninstallProgram(work_.file("nowhere.exe") + ",/x").run();
    EXPECT_NE(error, 0u) << "the system's error comes back";
    EXPECT_FALSE(fileExists(out_));
    PreUninstallProgram("\"" + program_ + "\"").run(); // already quoted: passed on unchanged
}
