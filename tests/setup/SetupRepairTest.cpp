// Setup run again over its own installation when something there is not as it left it: a
// damaged or held setup log, files made read-only.
#include "SetupTestSupport.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

using namespace setuptest;
using namespace testsupport;

namespace {

// setup.exe unattended with these options; its exit code, 0xFFFFFFFF when it did not end.
DWORD runSetup(const std::string& options) {
    DWORD exitCode = 0xFFFFFFFF;
    return runAndWait("\"" + binaryDirectory() + "\\setup.exe\" /S" + options, kTimeoutMs, exitCode)
               ? exitCode
               : 0xFFFFFFFF;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

DWORD uninstallAsRegistered() {
    DWORD exitCode = 0xFFFFFFFF;
    return runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode) ? exitCode
                                                                                : 0xFFFFFFFF;
}

} // namespace

TEST(SetupRepair, ADamagedSetupLogOfTheRegisteredProductIsWrittenAnewAndTheReportSaysSo) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-damaged-log");
    const std::set<std::string> before = snapshot();
    const std::string directory = root.file("Technical Glossary");
    const std::string log = directory + "\\Setup.log";
    const std::string report = root.file("report.txt");
    ASSERT_EQ(runSetup(" /D=" + directory), 0u);
    const std::string whole = readFile(log);
    const std::pair<std::string, std::string> damages[] = {
        {"saved again with a byte order mark", "\xEF\xBB\xBF" + whole},
        {"emptied", ""},
        {"random bytes", std::string("\x93\x07\xC4\x00\x5A\xE1\x10\xFF\x3B\x81", 10)},
    };
    for (const auto& [damage, bytes] : damages) {
        writeFile(log, bytes);
        EXPECT_EQ(runSetup(" /LOG=" + report), 0u) << damage;
        const std::string text = readFile(report);
        EXPECT_TRUE(contains(text, "Setup log\t" + log + "\tdamaged (")) << damage << "\n" << text;
        EXPECT_FALSE(contains(text, "another product")) << damage << "\n" << text;
        EXPECT_EQ(readFile(log), whole) << damage << ": written anew";
    }
    // The uninstaller takes the log written anew.
    EXPECT_EQ(uninstallAsRegistered(), 0u);

    // Where the product is not registered, a file that is no setup log is not taken for its own,
    // and the refusal says what the file is.
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    protect(directory);
    writeFile(log, "");
    EXPECT_EQ(runSetup(" /LOG=" + report + " /D=" + directory), 1603u);
    const std::string text = readFile(report);
    EXPECT_TRUE(contains(text, "that is no setup log: it is empty")) << text;
    EXPECT_FALSE(contains(text, "another product")) << text;
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    DeleteFileA(log.c_str());
    RemoveDirectoryA(directory.c_str());
    DeleteFileA(report.c_str());
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

TEST(SetupRepair, ASetupLogHeldOpenByAnotherProgramIsNamedAsHeldAndNothingChanges) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-held-log");
    const std::string directory = root.file("Technical Glossary");
    const std::string log = directory + "\\Setup.log";
    const std::string report = root.file("report.txt");
    ASSERT_EQ(runSetup(" /D=" + directory), 0u);
    const std::string glossary = directory + "\\glossary.exe";
    ASSERT_TRUE(DeleteFileA(glossary.c_str()));
    {
        // As a scanner holds it: no one else may even read it.
        const win32::Handle held(
            CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        EXPECT_EQ(runSetup(" /LOG=" + report), 1603u);
        const std::string text = readFile(report);
        EXPECT_TRUE(contains(text, "\" is held open by ")) << text;
        EXPECT_FALSE(contains(text, "another product")) << text;
        // Where the system names the holder, it is this test.
        if (!contains(text, "held open by another program")) {
            EXPECT_TRUE(contains(text, "(process " + std::to_string(GetCurrentProcessId()) + ")"))
                << text;
        }
        EXPECT_FALSE(fileExists(glossary)) << "nothing was repaired";
    }
    EXPECT_EQ(runSetup(""), 0u) << "let go, the log is read and the product repaired";
    EXPECT_TRUE(fileExists(glossary));
    EXPECT_EQ(uninstallAsRegistered(), 0u);
}

// A scanner holding the uninstaller open is no removal under way: setup does not give way
// with 1618 on its account, and says nothing of an uninstaller running.
TEST(SetupRepair, AnUninstallerHeldOrRunByAnotherProgramIsNotTakenForARunningRemoval) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-held-uninstaller");
    const std::string directory = root.file("Technical Glossary");
    const std::string report = root.file("report.txt");
    ASSERT_EQ(runSetup(" /D=" + directory), 0u);
    {
        // As a scanner reads it: others may read it too, but neither write nor delete it.
        const win32::Handle held(CreateFileA((directory + "\\uninstall.exe").c_str(), GENERIC_READ,
                                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        const DWORD exitCode = runSetup(" /LOG=" + report);
        const std::string text = readFile(report);
        EXPECT_EQ(exitCode, 1603u) << "a file that cannot be written, not 1618\n" << text;
        EXPECT_FALSE(contains(text, "is running")) << text;
    }
    {
        // Any user may start it, suspended or stopped at a box, but none holds the entry lock
        // that a waiting removal holds: setup does not give way to it.
        std::string command = "\"" + directory + "\\uninstall.exe\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                   nullptr, nullptr, &startup, &started));
        const win32::Handle process(started.hProcess), thread(started.hThread);
        const DWORD exitCode = runSetup(" /LOG=" + report);
        const std::string text = readFile(report);
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), kTimeoutMs);
        EXPECT_EQ(exitCode, 1603u) << "a file that cannot be written, not 1618\n" << text;
        EXPECT_FALSE(contains(text, "is running")) << text;
    }
    EXPECT_EQ(runSetup(""), 0u) << "let go, the product is repaired";
    EXPECT_EQ(uninstallAsRegistered(), 0u);
}

TEST(SetupRepair, ReadOnlyFilesItReplacesLeaveNoCopyBehindAndTheUninstallerRemovesAll) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    // What earlier runs left for the restart goes first, so that what waits now is this one's.
    ASSERT_TRUE(restartTheComputer());
    TempDirectory root("setup-read-only");
    const std::set<std::string> before = snapshot();
    const std::string directory = root.file("Technical Glossary");
    ASSERT_EQ(runSetup(" /D=" + directory), 0u);
    const std::string files[] = {directory + "\\glossary.exe", directory + "\\Dict.mdb"};
    for (const std::string& file : files)
        ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY)) << file;
    EXPECT_EQ(runSetup(""), 0u);
    for (const std::string& file : files) {
        EXPECT_TRUE(fileExists(file));
        EXPECT_FALSE(fileExists(file + ".previous")) << "deleted at once, not at the restart";
    }
    for (const std::string& entry : pendingOperations())
        EXPECT_FALSE(contains(lower(entry), ".previous")) << entry;
    EXPECT_EQ(uninstallAsRegistered(), 0u);
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}
