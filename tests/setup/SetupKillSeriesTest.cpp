// Setup stopped at many moments, as a management tool's time-out or a power cut stops it, and
// then the command the product registered: whatever the moment, the machine ends as it was
// before the product came, and a registration is never left without a whole installation.
#include "SetupTestSupport.h"
#include "support/ProcessObserver.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace setuptest;
using namespace testsupport;

namespace {

const std::string kJournalKey = "SOFTWARE\\Technical Glossary Setup";
const std::string kDirectory = "C:\\Killed Setup\\Technical Glossary";

std::string setupCommand() {
    return "\"" + binaryDirectory() + "\\setup.exe\" /S /D=" + kDirectory;
}

// Its exit code; 0xFFFFFFFF when it did not end in time. Its report is added to `reports`.
DWORD run(const std::string& command, std::string& reports) {
    const TempDirectory folder("kill-series-report");
    const std::string report = folder.file("report.txt");
    DWORD exitCode = 0xFFFFFFFF;
    if (!runAndWait(command + " \"/LOG=" + report + "\"", kTimeoutMs, exitCode))
        exitCode = 0xFFFFFFFF;
    reports += command + " ended with " + std::to_string(exitCode) + ":\n";
    if (fileExists(report))
        reports += readFile(report);
    return exitCode;
}

// Every moment at which a journal step of an update is written, its registration is written,
// and a file is set aside or put in place.
std::vector<StopPoint> updateStops() {
    std::vector<StopPoint> stops;
    for (int call = 1; call <= 13; ++call)
        stops.push_back({"setup", "advapi32.dll", "RegFlushKey", call});
    for (int call = 12; call <= 30; ++call)
        stops.push_back({"setup", "advapi32.dll", "RegSetValueExW", call});
    for (int call = 1; call <= 8; ++call)
        stops.push_back({"setup", "kernel32.dll", "MoveFileExW", call});
    return stops;
}

} // namespace

TEST(SetupKillSeries, AnUpdateStoppedAtAnyMomentIsLeftCleanByTheRegisteredUninstallCommand) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    ASSERT_FALSE(fileExists(kDirectory));
    const std::set<std::string> before = snapshot();
    int kills = 0, midRun = 0, clean = 0;
    for (const StopPoint& stop : updateStops()) {
        SCOPED_TRACE(stop.function + " #" + std::to_string(stop.call));
        std::string reports;
        ASSERT_EQ(run(setupCommand(), reports), 0u) << reports;
        ++kills;
        const ObservedRun killed = runObserved(setupCommand(), kTimeoutMs, {}, stop);
        midRun += killed.stopped ? 1 : 0;
        // The earlier installation stays registered whatever the moment.
        const std::string command = registered("QuietUninstallString");
        ASSERT_FALSE(command.empty());
        const DWORD exitCode = run(command, reports);
        EXPECT_TRUE(exitCode == 0 || exitCode == 3010) << reports;
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kJournalKey)) << "setup's journal stays";
        const std::vector<std::string> changed = differences(before, snapshot());
        EXPECT_TRUE(changed.empty()) << join(changed) << reports;
        if (changed.empty() && !keyExists(HKEY_LOCAL_MACHINE, kJournalKey)) {
            ++clean;
        } else {
            // The next moment starts from a clean machine: setup's next run finishes the rest.
            run(setupCommand(), reports);
            run(registered("QuietUninstallString"), reports);
        }
    }
    std::printf("setup killed %d times in an update, %d of them mid-run; the registered "
                "uninstall command left %d clean\n",
                kills, midRun, clean);
    EXPECT_GE(kills, 40);
    EXPECT_GE(midRun, 30) << "the moments no longer fall inside the run";
}

TEST(SetupKillSeries, AFirstInstallStoppedAtAnyMomentIsRegisteredOnlyWhenWhole) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    ASSERT_FALSE(fileExists(kDirectory));
    const std::set<std::string> before = snapshot();
    int kills = 0, midRun = 0, registeredAfter = 0, clean = 0;
    for (int call = 10; call <= 40; call += 2) {
        const StopPoint stop{"setup", "advapi32.dll", "RegSetValueExW", call};
        SCOPED_TRACE(stop.function + " #" + std::to_string(stop.call));
        std::string reports;
        ++kills;
        const ObservedRun killed = runObserved(setupCommand(), kTimeoutMs, {}, stop);
        midRun += killed.stopped ? 1 : 0;
        const std::string command = registered("QuietUninstallString");
        // What the list of programs shows: a key of a run stopped while it wrote the
        // registration shows nothing until its name, the last value, is there.
        if (valueExists(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName")) {
            ++registeredAfter;
            EXPECT_TRUE(fileExists(kDirectory + "\\Setup.log")) << "registered without its log";
            EXPECT_TRUE(fileExists(kDirectory + "\\uninstall.exe"));
            EXPECT_FALSE(command.empty()) << "registered without its command";
        }
        if (!command.empty()) {
            const DWORD exitCode = run(command, reports);
            EXPECT_TRUE(exitCode == 0 || exitCode == 3010) << reports;
        } else {
            // Nothing to run: setup's next run finishes what the stopped one left.
            EXPECT_EQ(run(setupCommand(), reports), 0u) << reports;
            EXPECT_EQ(run(registered("QuietUninstallString"), reports), 0u) << reports;
        }
        const std::vector<std::string> changed = differences(before, snapshot());
        EXPECT_TRUE(changed.empty()) << join(changed) << reports;
        clean += changed.empty() ? 1 : 0;
        if (!changed.empty()) {
            run(setupCommand(), reports);
            run(registered("QuietUninstallString"), reports);
        }
    }
    std::printf("setup killed %d times in a first install, %d of them mid-run; %d left a "
                "registration the list of programs shows, each with its log; %d ended clean\n",
                kills, midRun, registeredAfter, clean);
}
