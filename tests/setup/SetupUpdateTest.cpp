// Setup over an earlier installation and while other programs act: an update goes where the
// product is, a newer version stays, and a folder that appears while setup runs is not taken.
#include "SetupTestSupport.h"
#include "driver/DialogDriver.h"
#include "support/ProcessObserver.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/Process.h"

#include <gtest/gtest.h>

using namespace setuptest;
using namespace testsupport;

namespace {

constexpr int kSetupFolder = 101; // the setup dialog's folder box

std::string setupProgram() {
    return "\"" + binaryDirectory() + "\\setup.exe\"";
}

// setup.exe with these options; its exit code, 0xFFFFFFFF when it did not end in time.
DWORD runSetup(const std::string& options) {
    DWORD exitCode = 0xFFFFFFFF;
    return runAndWait(setupProgram() + options, kTimeoutMs, exitCode) ? exitCode : 0xFFFFFFFF;
}

// A text of a program's version resource ("ProductVersion"...), empty when it has none.
std::string versionText(const std::string& program, const char* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(program.c_str(), 0, size, block.data()))
        return std::string();
    char* text = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) ||
        length == 0)
        return std::string();
    return std::string(text, length - 1);
}

} // namespace

TEST(SetupUpdate, WithoutAFolderTheRegisteredOneIsUpdatedAndANewerVersionIsKept) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-update");
    const std::set<std::string> before = snapshot();
    const std::string directory = root.file("Elsewhere\\Technical Glossary");
    const std::string glossary = directory + "\\glossary.exe";
    ASSERT_EQ(runSetup(" /S /D=" + directory), 0u);
    ASSERT_EQ(registered("InstallLocation"), directory);
    // Deployment tools read one version: the registration's, and each program's resource.
    const std::string version = registered("DisplayVersion");
    for (const std::string& program : {directory + "\\glossary.exe", directory + "\\uninstall.exe",
                                       binaryDirectory() + "\\setup.exe"}) {
        EXPECT_EQ(versionText(program, "ProductVersion"), version) << program;
        EXPECT_EQ(versionText(program, "FileVersion"), version) << program;
    }
    EXPECT_EQ(registered("InstallDate").size(), 8u) << registered("InstallDate");
    EXPECT_EQ(registered("HelpLink").rfind("https://", 0), 0u);

    // The same version again, without a folder: the registered one is repaired.
    ASSERT_TRUE(DeleteFileA(glossary.c_str()));
    EXPECT_EQ(runSetup(" /S"), 0u) << "the registered folder, not Program Files";
    EXPECT_TRUE(fileExists(glossary)) << "the missing file is back";
    EXPECT_EQ(registered("InstallLocation"), directory);

    // The dialog offers the registered folder too.
    const win32::Handle started = startProgram(setupProgram(), binaryDirectory());
    const HWND dialog = dialogOf(binaryDirectory(), "Technical Glossary Setup");
    ASSERT_NE(dialog, nullptr);
    char folder[MAX_PATH] = {};
    EXPECT_TRUE(driver::eventually(
        [&] { return GetDlgItemTextA(dialog, kSetupFolder, folder, MAX_PATH) > 0; }, kTimeoutMs));
    EXPECT_EQ(lower(folder), lower(directory));
    driver::press(dialog, IDCANCEL);
    DWORD exitCode = 0;
    EXPECT_TRUE(win32::waitForExit(started.get(), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 1602u);

    // A newer version stays, compared as a version: 1.10 is newer than 1.3.
    setString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "1.10");
    ASSERT_TRUE(DeleteFileA(glossary.c_str()));
    EXPECT_EQ(runSetup(" /S"), 1603u);
    EXPECT_FALSE(fileExists(glossary)) << "nothing of the newer version was replaced";
    EXPECT_EQ(registered("DisplayVersion"), "1.10");
    // Unless the administrator says so.
    EXPECT_EQ(runSetup(" /S /ALLOWDOWNGRADE"), 0u);
    EXPECT_TRUE(fileExists(glossary));
    EXPECT_EQ(registered("DisplayVersion"), "1.3");
    // A version that cannot be compared may be newer: it stays as a newer one would.
    setString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "1.4 beta");
    ASSERT_TRUE(DeleteFileA(glossary.c_str()));
    EXPECT_EQ(runSetup(" /S"), 1603u);
    EXPECT_FALSE(fileExists(glossary));
    EXPECT_EQ(registered("DisplayVersion"), "1.4 beta");
    EXPECT_EQ(runSetup(" /S /ALLOWDOWNGRADE"), 0u);
    EXPECT_EQ(registered("DisplayVersion"), "1.3");
    // An older version is updated.
    setString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "1.2");
    EXPECT_EQ(runSetup(" /S /NORESTART"), 0u);
    EXPECT_EQ(registered("DisplayVersion"), "1.3");

    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

TEST(SetupFailure, AFolderMadeByAnotherProgramWhileSetupRunsIsNotTaken) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-race");
    const std::string meanwhile = root.file("Made Meanwhile");
    const std::set<std::string> before = snapshot();
    // After the destination was checked, as setup prepares to create its folders (the first two
    // descriptors it makes are its entry lock's and its run lock's).
    bool made = false;
    const ObservedRun run =
        runObserved(setupProgram() + " /S /D=" + meanwhile + "\\Technical Glossary", kTimeoutMs, {},
                    {"setup", "advapi32.dll", "SetSecurityDescriptorControl", 3},
                    [&] { made = CreateDirectoryA(meanwhile.c_str(), nullptr) != FALSE; });
    ASSERT_TRUE(made) << "the folder was made while setup ran";
    ASSERT_FALSE(run.processes.empty());
    EXPECT_TRUE(run.processes[0].exited);
    EXPECT_EQ(run.processes[0].exitCode, 1603u);
    EXPECT_FALSE(fileExists(meanwhile + "\\Technical Glossary"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(RemoveDirectoryA(meanwhile.c_str())) << "the other program's folder stays";
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

TEST(SetupUpdate, AFileInUseIsReplacedAtTheNextRestartAndAFailedRunLeavesNothing) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    // What earlier runs left for the restart goes first, so that this one's restart is ours.
    ASSERT_TRUE(restartTheComputer());
    TempDirectory root("setup-in-use");
    const std::set<std::string> before = snapshot();
    const std::string directory = root.file("Technical Glossary");
    const std::string database = directory + "\\Dict.mdb";
    ASSERT_EQ(runSetup(" /S /D=" + directory), 0u);
    const std::string installed = readFile(database);
    writeFile(database, "an older database");
    {
        // Held as a running glossary holds it: others may read it, not rename or delete it.
        const win32::Handle held(CreateFileA(database.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        // A run that fails after that file leaves nothing of its own, not even for the restart.
        ASSERT_TRUE(CreateDirectoryA((directory + "\\Setup.log.new").c_str(), nullptr));
        EXPECT_EQ(runSetup(" /S"), 1603u);
        RemoveDirectoryA((directory + "\\Setup.log.new").c_str());
        EXPECT_FALSE(fileExists(database + ".new"));
        EXPECT_EQ(readFile(database), "an older database");

        EXPECT_EQ(runSetup(" /S"), 3010u) << "installed, and a restart completes it";
        EXPECT_EQ(readFile(database), "an older database");
        bool pending = false;
        for (const std::string& entry : pendingOperations())
            pending = pending || lower(entry) == lower("\\??\\" + database + ".new");
        EXPECT_TRUE(pending) << "the new file waits for the restart";
    }
    ASSERT_TRUE(restartTheComputer());
    EXPECT_EQ(readFile(database), installed) << "replaced as the system started";
    EXPECT_FALSE(fileExists(database + ".new"));

    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

TEST(SetupStopped, ARunStoppedAtAnyPointIsUndoneByTheNextRunWhichInstallsAsOneRunWould) {
    struct Stop {
        StopPoint point;
        bool update; // the product is installed there already
    };
    const Stop stops[] = {
        {{"setup", "kernel32.dll", "CreateDirectoryW", 2}, false}, // a folder above it made
        {{"setup", "kernel32.dll", "MoveFileExW", 2}, false},      // some files in place
        {{"setup", "advapi32.dll", "RegSetValueExW", 20}, false},  // inside the registration
        {{"setup", "kernel32.dll", "MoveFileExW", 3}, true},       // files set aside and replaced
        {{"setup", "advapi32.dll", "RegSetValueExW", 20}, true},
    };
    const std::string directory = "C:\\Stopped Parent\\Deeper\\Technical Glossary";
    for (const Stop& stop : stops) {
        SCOPED_TRACE(stop.point.function + " #" + std::to_string(stop.point.call) +
                     (stop.update ? " in an update" : ""));
        ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        const std::set<std::string> before = snapshot();
        if (stop.update) {
            ASSERT_EQ(runSetup(" /S /D=" + directory), 0u);
        }
        const ObservedRun first =
            runObserved(setupProgram() + " /S /D=" + directory, kTimeoutMs, {}, stop.point);
        ASSERT_TRUE(first.stopped) << first.processes.size() << " processes";

        EXPECT_EQ(runSetup(" /S /D=" + directory), 0u);
        EXPECT_EQ(registered("InstallLocation"), directory);
        EXPECT_EQ(registered("DisplayVersion"), "1.3");
        EXPECT_TRUE(fileExists(directory + "\\Dict.mdb"));
        EXPECT_TRUE(filesMatching(directory + "\\*.new").empty());
        EXPECT_TRUE(filesMatching(directory + "\\*.previous").empty());
        DWORD exitCode = 99;
        ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
        const std::vector<std::string> changed = differences(before, snapshot());
        EXPECT_TRUE(changed.empty()) << join(changed);
    }
}

TEST(SetupUpdate, AReinstallBeforeTheRestartThatAnUninstallAskedForOutlivesThatRestart) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    // What earlier runs left for the restart goes first, so that this one's restart is ours.
    ASSERT_TRUE(restartTheComputer());
    TempDirectory root("setup-pending");
    const std::set<std::string> before = snapshot();
    const std::string directory = root.file("Technical Glossary");
    const std::string database = directory + "\\Dict.mdb";
    ASSERT_EQ(runSetup(" /S /D=" + directory), 0u);
    DWORD exitCode = 99;
    {
        // Held open as a running glossary holds it: the uninstaller leaves it for the restart.
        const win32::Handle held(CreateFileA(database.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 3010u);
    }
    ASSERT_TRUE(pendingDeleteOf(database));
    const std::string report = root.file("report.txt");
    ASSERT_EQ(runSetup(" /S /LOG=" + report + " /D=" + directory), 0u);
    EXPECT_NE(readFile(report).find("Restart operations\t\\??\\" + database + "\ttaken out"),
              std::string::npos)
        << readFile(report);
    DeleteFileA(report.c_str());
    EXPECT_FALSE(pendingDeleteOf(database));
    EXPECT_FALSE(pendingDeleteOf(directory));
    ASSERT_TRUE(restartTheComputer());
    EXPECT_TRUE(fileExists(database)) << "the new installation outlives the restart";
    EXPECT_TRUE(fileExists(directory + "\\Setup.log"));

    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

TEST(SetupCommandLine, TheReportNamesEachItemAndTheExitCodeAndRefusesALink) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-report");
    // At a drive's root, as deployment scripts write it.
    const std::string report = "C:\\setup-report.txt";
    const std::string directory = root.file("Technical Glossary");
    EXPECT_EQ(runSetup(" /NORESTART /S /LOG=" + report + " /D=" + directory), 0u);
    std::string text = readFile(report);
    for (const std::string& line : {"Folders\t" + directory + "\tinstalled\r\n",
                                    "Files\t" + directory + "\\glossary.exe\tinstalled\r\n",
                                    "Registry\tHKLM\\" + kUninstallKey + "\tinstalled\r\n",
                                    "Setup log\t" + directory + "\\Setup.log\tinstalled\r\n",
                                    std::string("\texit code 0\r\n")})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;

    EXPECT_EQ(runSetup(" /S /LOG=" + report + " /qx"), 87u);
    text = readFile(report);
    EXPECT_NE(text.find("Command line\t/qx\tfailed: unknown option"), std::string::npos) << text;
    EXPECT_NE(text.find("\texit code 87\r\n"), std::string::npos) << text;

    // A report through a link would overwrite whatever it leads to.
    writeFile(root.file("theirs.txt"), "another program's file");
    ASSERT_TRUE(makeLink(root.file("theirs.txt"), root.file("link.txt")));
    EXPECT_EQ(runSetup(" /S /LOG=" + root.file("link.txt")), 1603u);
    EXPECT_EQ(readFile(root.file("theirs.txt")), "another program's file");

    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    DeleteFileA(report.c_str());
}

namespace {

const std::string kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const std::string kJournalKey = "SOFTWARE\\Technical Glossary Setup";

// An earlier uninstall left `path` to be deleted at the next restart.
void deleteAtRestart(const std::string& path) {
    const std::string value = "\\??\\" + path + std::string(3, '\0');
    setValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", REG_MULTI_SZ,
             value.data(), static_cast<DWORD>(value.size()));
}

std::string sharedTestFile() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\tg_shared_test.dll";
}

} // namespace

// Another product counts the shared file while setup runs; an earlier uninstall waits for the
// restart to delete a file of the same name. Whether this run fails or is stopped, only what
// it did itself is undone.
TEST(SetupJournal, AFailedOrStoppedRunTakesBackOnlyItsOwnUseAndLeavesTheRestartOperations) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    ASSERT_TRUE(restartTheComputer());
    const std::string shared = sharedTestFile();
    writeFile(shared, "another product's file");
    setDword(HKEY_LOCAL_MACHINE, kSharedKey, shared, 1);
    TempDirectory root("setup-journal");
    const std::string directory = root.file("Technical Glossary");
    const std::string database = directory + "\\Dict.mdb";
    const std::string program = "\"" + binaryDirectory() + "\\setup_with_shared_file.exe\" /S /D=";
    const StopPoint shortcuts{"setup_with_shared_file", "ole32.dll", "CoCreateInstance", 1};
    const auto anotherProductCounts = [&] {
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, shared,
                 readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared) + 1);
    };

    // Failed: the setup log cannot be written.
    deleteAtRestart(database);
    ObservedRun run = runObserved(program + directory, kTimeoutMs, {}, shortcuts, [&] {
        anotherProductCounts();
        CreateDirectoryA((directory + "\\Setup.log.new").c_str(), nullptr);
    });
    ASSERT_FALSE(run.processes.empty());
    EXPECT_EQ(run.processes[0].exitCode, 1603u);
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 2u)
        << "the other product's use stays, this run's goes";
    EXPECT_TRUE(pendingDeleteOf(database)) << "the earlier uninstall's operation is back";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kJournalKey));
    RemoveDirectoryA((directory + "\\Setup.log.new").c_str());
    RemoveDirectoryA(directory.c_str());

    // Stopped at the same point: the next run undoes it alike, then installs.
    run = runObserved(program + directory, kTimeoutMs, {}, shortcuts);
    ASSERT_TRUE(run.stopped);
    EXPECT_TRUE(pendingDeleteOf(database)) << "nothing is taken out before the run succeeds";
    anotherProductCounts();
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait(program + directory, kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(pendingDeleteOf(database)) << "taken out once the run succeeded";
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 4u) << "three products, ours once";
    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 3u);
    deleteValue(HKEY_LOCAL_MACHINE, kSharedKey, shared);
    DeleteFileA(shared.c_str());
}

// A stopped run wrote a shared file that was not there, and counted it; another product then
// counts it too. Undoing the stopped run gives back only its own use, and the file, which the
// other product uses now, stays; the report of the run that undid it says so.
TEST(SetupStopped, ASharedFileTheStoppedRunWroteStaysWhileAnotherProductCountsIt) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    const std::string shared = sharedTestFile();
    ASSERT_FALSE(fileExists(shared));
    TempDirectory root("setup-shared-stop");
    const std::string directory = root.file("Technical Glossary");
    const std::string report = root.file("recovery.txt");
    const std::string program =
        "\"" + binaryDirectory() + "\\setup_with_shared_file.exe\" /S /D=" + directory;
    // The shortcuts come after every file was written and counted.
    ObservedRun run = runObserved(program, kTimeoutMs, {},
                                  {"setup_with_shared_file", "ole32.dll", "CoCreateInstance", 1});
    ASSERT_TRUE(run.stopped);
    ASSERT_TRUE(fileExists(shared));
    ASSERT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 1u);
    setDword(HKEY_LOCAL_MACHINE, kSharedKey, shared, 2);

    // The next run is stopped as it makes its own first folder: the undo is all it did.
    run = runObserved("\"" + binaryDirectory() + "\\setup_with_shared_file.exe\" \"/LOG=" + report +
                          "\" /S /D=" + directory,
                      kTimeoutMs, {},
                      {"setup_with_shared_file", "kernel32.dll", "CreateDirectoryW", 1});
    ASSERT_TRUE(run.stopped);
    EXPECT_TRUE(fileExists(shared)) << "the other product's file now";
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 1u) << "the other product's use";
    EXPECT_FALSE(fileExists(directory + "\\glossary.exe")) << "the stopped run's own file goes";
    const std::string text = readFile(report);
    EXPECT_NE(text.find("Undo\t" + shared + "\tkept: a product still counts it (use count 1)\r\n"),
              std::string::npos)
        << text;

    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait(program, kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 2u);
    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(fileExists(shared));
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 1u);
    deleteValue(HKEY_LOCAL_MACHINE, kSharedKey, shared);
    DeleteFileA(shared.c_str());
}

// Recovery removes a folder only when the journal proves that the stopped run made it: one
// announced and then made by someone else stays, and one whose name the journal escapes goes.
TEST(SetupStopped, OnlyTheFoldersTheStoppedRunMadeAreRemovedWhateverTheirNames) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-folders");
    const std::set<std::string> before = snapshot();
    // A character that the journal writes as <7F>.
    const std::string escaped = "C:\\Stopped\x7F"
                                "Parent";
    const std::string announced = "C:\\Announced Parent";
    ObservedRun run = runObserved(setupProgram() + " /S /D=" + escaped + "\\Technical Glossary",
                                  kTimeoutMs, {}, {"setup", "kernel32.dll", "CreateDirectoryW", 2});
    ASSERT_TRUE(run.stopped);
    ASSERT_TRUE(fileExists(escaped)) << "made before the stop";
    // The next run undoes that one first, and is stopped as it is about to make its own first
    // folder, which someone else then makes.
    run = runObserved(setupProgram() + " /S /D=" + announced + "\\Technical Glossary", kTimeoutMs,
                      {}, {"setup", "kernel32.dll", "CreateDirectoryW", 1});
    ASSERT_TRUE(run.stopped);
    EXPECT_FALSE(fileExists(escaped)) << "the stopped run's folder, by its exact name";
    ASSERT_FALSE(fileExists(announced));
    ASSERT_TRUE(CreateDirectoryA(announced.c_str(), nullptr));

    const std::string directory = root.file("Technical Glossary");
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait(setupProgram() + " /S /D=" + directory, kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(fileExists(announced)) << "someone else's folder stays";
    RemoveDirectoryA(announced.c_str());
    RemoveDirectoryA(escaped.c_str());
    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}
