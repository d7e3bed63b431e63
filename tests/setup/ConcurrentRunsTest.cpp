// Runs that meet, as a management tool that starts, times out and retries makes them meet:
// whichever run wins, the machine ends clean or with the product whole, never half. The long
// series are the benchmark concurrent_runs_bench.
#include "ConcurrentRuns.h"
#include "SetupTestSupport.h"
#include "support/RegistryTestSupport.h"

#include <gtest/gtest.h>

using namespace concurrent;

namespace {

void expectNoExceptions(const Figures& figures) {
    figures.print();
    EXPECT_GT(figures.runs, 0);
    EXPECT_TRUE(figures.exceptions.empty()) << figures.exceptions.size() << " exceptions";
}

} // namespace

TEST(ConcurrentRuns, OfTwoSetupsStartedTogetherOneWorksAtATimeAndTheProductEndsWhole) {
    ASSERT_FALSE(testsupport::keyExists(HKEY_LOCAL_MACHINE, setuptest::kUninstallKey));
    expectNoExceptions(twoSetupsTogether(4));
}

// A setup that gets the run lock first meets the uninstaller's first process running from the
// product's folder while it waits: setup gives way (1618) with its work undone, leaving no file
// the removal cannot take, and the removal ends with the machine clean.
TEST(ConcurrentRuns, ASetupBesideAnUninstallLeavesTheMachineCleanOrTheProductWhole) {
    ASSERT_FALSE(testsupport::keyExists(HKEY_LOCAL_MACHINE, setuptest::kUninstallKey));
    expectNoExceptions(setupBesideUninstall(6));
}

// The same meeting in the order that failed, every time.
TEST(ConcurrentRuns, ASetupHoldingTheRunLockWhileAnUninstallWaitsGivesWayAndTheMachineEndsClean) {
    ASSERT_FALSE(testsupport::keyExists(HKEY_LOCAL_MACHINE, setuptest::kUninstallKey));
    const Figures figures = setupWhileAnUninstallWaits(2);
    expectNoExceptions(figures);
    EXPECT_EQ(figures.exitCodes.count("setup 1618, uninstall 0"), 1u);
}

// A share of the moments the benchmark takes (removalMoments), one or more in each stage.
TEST(ConcurrentRuns, AnUninstallKilledInAnyStageIsFollowedByASetupThatLeavesTheProductWhole) {
    ASSERT_FALSE(testsupport::keyExists(HKEY_LOCAL_MACHINE, setuptest::kUninstallKey));
    const std::vector<testsupport::StopPoint> moments = {
        {"uninstall", "kernelbase.dll", "CopyFileExW", 1},            // the relay: before its copy
        {"uninstall", "kernelbase.dll", "CreateProcessInternalW", 1}, // the copy about to start
        {"Del", "kernel32.dll", "FlushFileBuffers", 1},               // the copy's journal begun
        {"Del", "kernelbase.dll", "CreateProcessInternalW", 1}, // COM servers, after pre-uninstall
        {"Del", "kernel32.dll", "WriteFile", 2},                // the report between the items
        {"Del", "kernel32.dll", "SetFileInformationByHandle", 1}, // the files about to go
        {"Del", "kernel32.dll", "WriteFile", 5},
        {"Del", "kernel32.dll", "SetFileInformationByHandle", 3},
        {"Del", "kernel32.dll", "WriteFile", 9},
        {"Del", "kernel32.dll", "SetFileInformationByHandle", 6},
        {"Del", "kernelbase.dll", "MoveFileWithProgressW", 1}, // its own files
        {"Del", "ntdll.dll", "NtDeleteKey", 1},                // the registration's key
        {"Del", "kernel32.dll", "WriteFile", 15},              // the report's last words
    };
    const Figures figures = uninstallKilledThenSetup(moments);
    expectNoExceptions(figures);
    EXPECT_EQ(figures.runs, 2 * static_cast<int>(moments.size()));
    EXPECT_EQ(figures.ends.count("not reached"), 0u);
}

// Killed with its whole tree after the setup log went but before the application folder and
// the folder setup made above it: the registration stays and names that folder, so the next
// setup's log names it again and the next removal takes it.
TEST(ConcurrentRuns,
     AnUninstallKilledInItsFoldersStageIsFollowedByASetupThatLeavesTheProductWhole) {
    ASSERT_FALSE(testsupport::keyExists(HKEY_LOCAL_MACHINE, setuptest::kUninstallKey));
    expectNoExceptions(
        uninstallKilledThenSetup(calls("Del", "kernel32.dll", "SetFileInformationByHandle", 7, 8)));
}
