// One run of setup or the uninstaller at a time: a second run started while one works ends
// with 1618 and changes nothing, and a run that was stopped holding the lock is followed by one
// that takes it over. Each first run is held at a known call of a system function while the
// second one runs.
#include "SetupTestSupport.h"
#include "driver/DialogDriver.h"
#include "support/ProcessObserver.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"
#include "win32/Process.h"
#include "win32/RunLock.h"

#include "../../uninstall/ui/ResourceIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <thread>
#include <vector>

using namespace setuptest;
using namespace testsupport;

namespace {

constexpr DWORD kAnotherRunning = 1618;
const wchar_t kLockName[] = L"Global\\Technical Glossary setup and removal";
const std::string kLockLine = "Start\tGlobal\\Technical Glossary setup and removal\t";

std::string setupProgram() {
    return "\"" + binaryDirectory() + "\\setup.exe\"";
}

DWORD run(const std::string& commandLine) {
    DWORD exitCode = 0xFFFFFFFF;
    return runAndWait(commandLine, kTimeoutMs, exitCode) ? exitCode : 0xFFFFFFFF;
}

// What changed between two snapshots, less the reports in `reports`.
std::vector<std::string> changedBesides(const std::set<std::string>& before,
                                        const std::set<std::string>& after,
                                        const std::string& reports) {
    std::vector<std::string> changed;
    for (const std::string& item : differences(before, after)) {
        if (item.find(lower(reports)) == std::string::npos)
            changed.push_back(item);
    }
    return changed;
}

// The product's files and registration are all there, as one whole run leaves them.
void expectWhole(const std::string& directory) {
    for (const char* name : {"glossary.exe", "Dict.mdb", "uninstall.exe", "Setup.log"})
        EXPECT_TRUE(fileExists(directory + "\\" + name)) << name;
    EXPECT_TRUE(filesMatching(directory + "\\*.previous").empty());
    EXPECT_EQ(registered("InstallLocation"), directory);
}

// Ends the process whose program file (its full path in lower case) `which` names.
bool kill(const std::function<bool(const std::string&)>& which) {
    return killPrograms(which, kTimeoutMs) > 0;
}

// Every text of a box, its button's too.
std::string textsOf(HWND box) {
    std::string texts;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM collected) {
            *reinterpret_cast<std::string*>(collected) += driver::controlText(child) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// While the uninstaller started by `command` (interactive without /S) waits at `moment`, a
// setup into its folder ends with 1618 and changes nothing; the removal goes on undisturbed. An
// interactive removal is answered No: the product stays, whole, and goes with the cleanup.
void expectSetupRefusedWhileTheUninstallerWaitsAt(const char* command, const StopPoint& moment) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory reports("runlock-reports");
    const std::set<std::string> before = snapshot();
    const std::string directory = "C:\\Run Lock\\Technical Glossary";
    ASSERT_EQ(run(setupProgram() + " /S /D=" + directory), 0u);
    const bool interactive = std::string(command) == "UninstallString";
    std::thread answer([&] {
        if (!interactive)
            return;
        if (const HWND confirm = dialogOf(uninstallCopyRoot(), "Remove Technical Glossary"))
            driver::press(confirm, IDC_ANSWER_NO);
    });
    DWORD setup = 0;
    std::vector<std::string> changedBySetup;
    const ObservedRun removal = runObserved(registered(command), kTimeoutMs, {}, moment, [&] {
        const std::set<std::string> held = snapshot();
        setup = run(setupProgram() + " /S /D=" + directory);
        changedBySetup = changedBesides(held, snapshot(), reports.path());
    });
    answer.join();
    EXPECT_EQ(setup, kAnotherRunning);
    EXPECT_TRUE(changedBySetup.empty()) << join(changedBySetup);
    // Interactive, the started process ends with -1 as it always did: the copy's code tells.
    ASSERT_GE(removal.processes.size(), 2u);
    EXPECT_EQ(removal.processes[interactive ? 1 : 0].exitCode, 0u) << "the removal finished";
    if (interactive) {
        expectWhole(directory);
        ASSERT_EQ(run(registered("QuietUninstallString")), 0u);
    }
    const std::vector<std::string> changed = changedBesides(before, snapshot(), reports.path());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

} // namespace

TEST(SetupRunLock, AnOrdinaryUserCanNeitherHoldTheLockNorPassOffAnObjectOfItsNameAsIt) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory reports("runlock-reports");
    const std::set<std::string> before = snapshot();
    const std::string directory = "C:\\Run Lock\\Technical Glossary";
    const std::string report = reports.file("squatted.txt");
    // An object of the locks' names that others may use keeps every run out, and says why.
    // Made first while no run holds the names: a mutex the user may take, release or make look
    // abandoned at will, and an object of another kind.
    for (const bool mutex : {true, false}) {
        SCOPED_TRACE(mutex ? "a mutex of the user's" : "an event of the user's");
        std::vector<win32::Handle> squatted;
        ASSERT_TRUE(asOrdinaryUser([&] {
            for (const wchar_t* name : {win32::kRunLockName, win32::kRunEntryLockName})
                squatted.emplace_back(mutex ? CreateMutexW(nullptr, FALSE, name)
                                            : CreateEventW(nullptr, TRUE, FALSE, name));
        }));
        ASSERT_TRUE(squatted[0].valid() && squatted[1].valid());
        const DWORD setup = run(setupProgram() + " /S \"/LOG=" + report + "\" /D=" + directory);
        const std::string text = readFile(report);
        EXPECT_EQ(setup, kAnotherRunning);
        const std::string entryLine =
            "Start\tGlobal\\Technical Glossary setup and removal, entry\t";
        EXPECT_NE(text.find(entryLine + "failed: Setup cannot tell whether another installation"),
                  std::string::npos)
            << text;
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(fileExists(directory));
    }
    const std::vector<std::string> untouched = changedBesides(before, snapshot(), reports.path());
    EXPECT_TRUE(untouched.empty()) << join(untouched);

    // While a run holds the lock, the user can neither wait for it nor open it to keep it.
    DWORD opened = 0, made = 0;
    const ObservedRun held =
        runObserved(setupProgram() + " /S /D=" + directory, kTimeoutMs, {},
                    {"setup", "kernel32.dll", "MoveFileExW", 2}, [&] {
                        asOrdinaryUser([&] {
                            const win32::Handle open(OpenMutexW(SYNCHRONIZE, FALSE, kLockName));
                            opened = open ? ERROR_SUCCESS : GetLastError();
                            const win32::Handle create(CreateMutexW(nullptr, FALSE, kLockName));
                            made = create ? ERROR_SUCCESS : GetLastError();
                        });
                    });
    EXPECT_EQ(opened, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(made, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_FALSE(held.processes.empty());
    EXPECT_EQ(held.processes[0].exitCode, 0u);
    expectWhole(directory);
    ASSERT_EQ(run(registered("QuietUninstallString")), 0u);
    const std::vector<std::string> changed = changedBesides(before, snapshot(), reports.path());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

// A run that holds the entry lock (this test, here) keeps setup out as the run lock does, and
// the refusal names the lock it could not take, in the report and where a tool looks without one.
TEST(SetupRunLock, WhileTheEntryLockIsHeldSetupEndsWith1618NamingThatLock) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory reports("runlock-reports");
    const std::string directory = "C:\\Run Lock\\Technical Glossary";
    const std::string report = reports.file("entry.txt");
    const win32::RunLock held = win32::RunLock::take(win32::kRunEntryLockName);
    ASSERT_TRUE(held.held());
    const std::string entry = "Global\\Technical Glossary setup and removal, entry";
    // Both wait out the lock's time together.
    std::string error;
    DWORD withoutReport = 0;
    std::thread toStandardError([&] {
        withoutReport =
            runWithStandardError(setupProgram() + " /S /D=" + directory, error, kTimeoutMs);
    });
    EXPECT_EQ(run(setupProgram() + " /S \"/LOG=" + report + "\" /D=" + directory), kAnotherRunning);
    toStandardError.join();
    const std::string text = readFile(report);
    EXPECT_NE(text.find("Start\t" + entry + "\tfailed: Another installation or removal"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("held the entry lock \"" + entry + "\""), std::string::npos) << text;
    EXPECT_EQ(withoutReport, kAnotherRunning);
    EXPECT_NE(error.find("held the entry lock \"" + entry + "\""), std::string::npos) << error;
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(fileExists(directory));
}

TEST(SetupRunLock, OfTwoSetupsStartedTogetherOneInstallsAndTheOtherEndsWith1618ChangingNothing) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory reports("runlock-reports");
    const std::set<std::string> before = snapshot();
    const std::string directory = "C:\\Run Lock\\Technical Glossary";
    const std::string report = reports.file("second.txt");
    DWORD second = 0, interactive = 0;
    std::string box;
    std::vector<std::string> changedBySecond;
    // The first has written some files of its own when the second starts.
    const ObservedRun first = runObserved(
        setupProgram() + " /S /D=" + directory, kTimeoutMs, {},
        {"setup", "kernel32.dll", "MoveFileExW", 2}, [&] {
            const std::set<std::string> held = snapshot();
            second = run(setupProgram() + " /S \"/LOG=" + report + "\" /D=" + directory);
            changedBySecond = changedBesides(held, snapshot(), reports.path());
            // Started by a person, it says so in a box.
            const win32::Handle started = startProgram(setupProgram(), binaryDirectory());
            if (const HWND shown = driver::dialogNamed("Technical Glossary Setup", kTimeoutMs,
                                                       binaryDirectory())) {
                box = textsOf(shown);
                driver::press(shown, IDOK);
            }
            win32::waitForExit(started.get(), kTimeoutMs, interactive);
        });
    EXPECT_EQ(second, kAnotherRunning);
    EXPECT_NE(box.find("Another installation or removal of Technical Glossary is in progress"),
              std::string::npos)
        << box;
    EXPECT_EQ(interactive, kAnotherRunning);
    EXPECT_TRUE(changedBySecond.empty()) << join(changedBySecond);
    const std::string text = readFile(report);
    EXPECT_NE(text.find(kLockLine + "failed: Another installation or removal"), std::string::npos)
        << text;
    EXPECT_NE(text.find("1618"), std::string::npos) << "the summary's exit code\n" << text;
    ASSERT_FALSE(first.processes.empty());
    EXPECT_EQ(first.processes[0].exitCode, 0u) << "the first finished its run";
    expectWhole(directory);

    ASSERT_EQ(run(registered("QuietUninstallString")), 0u);
    const std::vector<std::string> changed = changedBesides(before, snapshot(), reports.path());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

TEST(SetupRunLock, ASetupStartedWhileTheUninstallersCopyWorksEndsWith1618AndTheRemovalFinishes) {
    // The copy is about to delete its first file.
    expectSetupRefusedWhileTheUninstallerWaitsAt(
        "QuietUninstallString", {"Del", "kernel32.dll", "SetFileInformationByHandle", 1});
}

TEST(SetupRunLock, ASetupStartedWhileTheUninstallerHandsTheLockToItsCopyEndsWith1618) {
    // The first process has let the run lock go and is about to start the copy that takes it.
    expectSetupRefusedWhileTheUninstallerWaitsAt(
        "QuietUninstallString", {"uninstall", "kernel32.dll", "CreateProcessW", 1});
}

// A person's removal: the first process used to end as soon as the copy started, letting the
// entry lock go before the copy held the run lock.
TEST(SetupRunLock, ASetupStartedBeforeAnInteractiveUninstallersCopyHoldsTheLockEndsWith1618) {
    // The copy is about to make the run lock.
    expectSetupRefusedWhileTheUninstallerWaitsAt("UninstallString",
                                                 {"Del", "kernel32.dll", "CreateMutexW", 1});
}

TEST(SetupRunLock, AnUninstallStartedWhileSetupWorksEndsWith1618AndTheSetupFinishes) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory reports("runlock-reports");
    const std::set<std::string> before = snapshot();
    const std::string directory = "C:\\Run Lock\\Technical Glossary";
    ASSERT_EQ(run(setupProgram() + " /S /D=" + directory), 0u);
    const std::string report = reports.file("uninstall.txt");
    const std::string uninstall = registered("QuietUninstallString") + " \"/LOG=" + report + "\"";
    DWORD removal = 0;
    std::vector<std::string> changedByRemoval;
    // A repair has set the glossary aside and put the new one in its place.
    const ObservedRun repair = runObserved(setupProgram() + " /S /D=" + directory, kTimeoutMs, {},
                                           {"setup", "kernel32.dll", "MoveFileExW", 3}, [&] {
                                               const std::set<std::string> held = snapshot();
                                               removal = run(uninstall);
                                               changedByRemoval =
                                                   changedBesides(held, snapshot(), reports.path());
                                           });
    EXPECT_EQ(removal, kAnotherRunning);
    EXPECT_TRUE(changedByRemoval.empty()) << join(changedByRemoval);
    const std::string text = readFile(report);
    EXPECT_NE(text.find(kLockLine + "another installation or removal is in progress"),
              std::string::npos)
        << text;
    ASSERT_FALSE(repair.processes.empty());
    EXPECT_EQ(repair.processes[0].exitCode, 0u) << "the repair finished";
    expectWhole(directory);

    ASSERT_EQ(run(registered("QuietUninstallString")), 0u);
    const std::vector<std::string> changed = changedBesides(before, snapshot(), reports.path());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

// A management tool gave up on `uninstall.exe /S /CLOSEAPPS` and ended the process it started;
// the copy doing the work runs on. The tool's retry of setup is told 1618 rather than
// installing what the copy then removes.
TEST(SetupRunLock, ARetryAfterTheStartedUninstallerWasKilledGets1618UntilItsCopyIsDone) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory reports("runlock-reports");
    const std::set<std::string> before = snapshot();
    const std::string directory = "C:\\Run Lock\\Technical Glossary";
    ASSERT_EQ(run(setupProgram() + " /S /D=" + directory), 0u);
    bool killed = false;
    DWORD retry = 0;
    const ObservedRun removal =
        runObserved(registered("QuietUninstallString") + " /CLOSEAPPS", kTimeoutMs, {},
                    {"Del", "kernel32.dll", "SetFileInformationByHandle", 1}, [&] {
                        killed = kill([&](const std::string& image) {
                            return image == lower(directory + "\\uninstall.exe");
                        });
                        retry = run(setupProgram() + " /S");
                    });
    EXPECT_TRUE(killed) << "the started process was ended";
    EXPECT_EQ(retry, kAnotherRunning);
    ASSERT_GE(removal.processes.size(), 2u);
    EXPECT_TRUE(removal.processes[1].exited);
    EXPECT_EQ(removal.processes[1].exitCode, 0u) << "the copy finished the removal";
    const std::vector<std::string> removed = changedBesides(before, snapshot(), reports.path());
    EXPECT_TRUE(removed.empty()) << join(removed);

    // The retry after that installs, and nothing takes it away.
    ASSERT_EQ(run(setupProgram() + " /S /D=" + directory), 0u);
    expectWhole(directory);
    ASSERT_EQ(run(registered("QuietUninstallString")), 0u);
}

// The tool ended the process it started while the copy was about to take the run lock: the
// entry lock went with it, so a retry of setup came in and installed. The copy, which finds its
// starter gone, removes nothing rather than what the retry installed.
TEST(SetupRunLock, ACopyWhoseStarterEndedBeforeItHeldTheLockLeavesTheRetrysInstallation) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory reports("runlock-reports");
    const std::string directory = "C:\\Run Lock\\Technical Glossary";
    ASSERT_EQ(run(setupProgram() + " /S /D=" + directory), 0u);
    bool killed = false;
    DWORD retry = 0;
    const ObservedRun removal =
        runObserved(registered("QuietUninstallString"), kTimeoutMs, {},
                    {"Del", "kernel32.dll", "CreateMutexW", 1}, [&] {
                        killed = kill([&](const std::string& image) {
                            return image == lower(directory + "\\uninstall.exe");
                        });
                        retry = run(setupProgram() + " /S /D=" + directory);
                    });
    EXPECT_TRUE(killed) << "the started process was ended";
    EXPECT_EQ(retry, 0u) << "nothing held the locks any more";
    ASSERT_GE(removal.processes.size(), 2u);
    EXPECT_TRUE(removal.processes[1].exited);
    EXPECT_EQ(removal.processes[1].exitCode, kAnotherRunning) << "the copy removed nothing";
    expectWhole(directory);
    ASSERT_EQ(run(registered("QuietUninstallString")), 0u);
}

// A run killed while it holds the lock leaves it abandoned to whoever waits for it (with no
// one waiting, the lock goes with its last holder): that next run takes it over, says so, and
// undoes or finishes what the stopped run left, as after any stop.
TEST(SetupRunLock, ALockLeftByAKilledRunIsTakenOverAndTheStoppedRunRecovered) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory reports("runlock-reports");
    const std::string directory = "C:\\Run Lock\\Technical Glossary";
    // Kept open where the lock lies, as a run that waits for it keeps it, whichever namespace.
    std::optional<win32::RunLock> waiting;
    const auto killedWhileAnotherWaits = [&](const std::function<bool(const std::string&)>& which) {
        return [&, which] {
            waiting.reset();
            waiting.emplace(win32::RunLock::take(win32::kRunLockName, 0));
            EXPECT_EQ(waiting->state(), win32::RunLock::State::Busy) << "the run holds the lock";
            EXPECT_TRUE(kill(which));
        };
    };
    runObserved(setupProgram() + " /S /D=" + directory, kTimeoutMs, {},
                {"setup", "kernel32.dll", "MoveFileExW", 2},
                killedWhileAnotherWaits([](const std::string& image) {
                    return image == lower(binaryDirectory() + "\\setup.exe");
                }));
    const std::string afterSetup = reports.file("after-setup.txt");
    EXPECT_EQ(run(setupProgram() + " /S \"/LOG=" + afterSetup + "\" /D=" + directory), 0u);
    EXPECT_NE(readFile(afterSetup).find(kLockLine + "taken over from a run that was stopped"),
              std::string::npos)
        << readFile(afterSetup);
    expectWhole(directory);

    // Without a report, the takeover and the recovery are told where a tool looks for them.
    runObserved(setupProgram() + " /S /D=" + directory, kTimeoutMs, {},
                {"setup", "kernel32.dll", "MoveFileExW", 2},
                killedWhileAnotherWaits([](const std::string& image) {
                    return image == lower(binaryDirectory() + "\\setup.exe");
                }));
    std::string error;
    EXPECT_EQ(runWithStandardError(setupProgram() + " /S /D=" + directory, error, kTimeoutMs), 0u);
    EXPECT_NE(error.find("setup.exe: the run lock"), std::string::npos) << error;
    EXPECT_NE(error.find("was taken over from a run that was stopped"), std::string::npos) << error;
    EXPECT_NE(error.find("a stopped run"), std::string::npos) << error;
    expectWhole(directory);

    // The uninstaller's copy killed as it is about to delete its first file.
    runObserved(registered("QuietUninstallString"), kTimeoutMs, {},
                {"Del", "kernel32.dll", "SetFileInformationByHandle", 1},
                killedWhileAnotherWaits([](const std::string& image) {
                    const std::string name = image.substr(image.rfind('\\') + 1);
                    return name.rfind("del", 0) == 0 && name.size() > 4 &&
                           name.compare(name.size() - 4, 4, ".tmp") == 0;
                }));
    const std::string afterRemoval = reports.file("after-removal.txt");
    EXPECT_EQ(run(setupProgram() + " /S \"/LOG=" + afterRemoval + "\""), 0u);
    EXPECT_NE(readFile(afterRemoval).find(kLockLine + "taken over from a run that was stopped"),
              std::string::npos)
        << readFile(afterRemoval);
    expectWhole(directory);
    waiting.reset();

    // The killed copy's own folder stays until the restart; the product goes whole.
    ASSERT_EQ(run(registered("QuietUninstallString")), 0u);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(fileExists(directory));
}
