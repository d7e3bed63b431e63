// What setup compares is what a name reaches, however it is spelled: 8.3 names, the system's
// "\??\" form. And what it takes out of the restart's work is only what it wrote itself.
#include "SetupTestSupport.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace setuptest;
using namespace testsupport;

namespace {

const std::string kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The 8.3 form of an existing path, as the system gives it (Wine makes such names too).
std::string shortPathOf(const std::string& path) {
    char name[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), name, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(name, length) : std::string();
}

std::string longPathOf(const std::string& path) {
    char name[MAX_PATH] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), name, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(name, length) : std::string();
}

// The restart's work as another program left it: source, target, source, target...
void setPendingOperations(const std::vector<std::string>& entries) {
    std::string value;
    for (const std::string& entry : entries)
        value += entry + '\0';
    value += '\0';
    setValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", REG_MULTI_SZ,
             value.data(), static_cast<DWORD>(value.size()));
}

} // namespace

// An earlier removal named the program in 8.3 form, and another product replaces the shared
// file at the restart: the first would delete the new installation as the system starts, the
// second is none of setup's business, as setup kept the file it found.
TEST(SetupRestartNames, AShortNamedDeletionOfAnInstalledFileGoesAndAKeptFilesReplacementStays) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    ASSERT_TRUE(restartTheComputer());
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string shared = std::string(system) + "\\tg_shared_test.dll";
    writeFile(shared, "another product's file");
    setDword(HKEY_LOCAL_MACHINE, kSharedKey, shared, 1);
    TempDirectory root("setup-names");
    const std::string directory = root.file("Technical Glossary");
    const std::string setup = "\"" + binaryDirectory() + "\\setup_with_shared_file.exe\" /S /D=";
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait(setup + directory, kTimeoutMs, exitCode));
    ASSERT_EQ(exitCode, 0u);

    const std::string program = shortPathOf(directory + "\\glossary.exe");
    ASSERT_NE(lower(program), lower(directory + "\\glossary.exe")) << "no 8.3 names here";
    const std::vector<std::string> replacement = {"\\??\\" + shared + ".new", "!\\??\\" + shared};
    // The database by its volume's GUID name, as the system may name a volume ("Volume{...}").
    char volume[MAX_PATH] = {};
    ASSERT_TRUE(
        GetVolumeNameForVolumeMountPointA(directory.substr(0, 3).c_str(), volume, MAX_PATH));
    const std::string database =
        "\\??\\" + std::string(volume + 4) + directory.substr(3) + "\\Dict.mdb";
    // The help file through a junction, which the system follows as it deletes.
    ASSERT_TRUE(makeLink(directory, root.file("link")));
    const std::string linked = "\\??\\" + root.file("link") + "\\uninstall.exe";
    writeFile(shared + ".new", "that product's update");
    setPendingOperations(
        {"\\??\\" + program, "", replacement[0], replacement[1], database, "", linked, ""});
    ASSERT_TRUE(runAndWait(setup + directory, kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> pending = pendingOperations();
    EXPECT_FALSE(pendingDeleteOf(program)) << "it would delete the new installation";
    EXPECT_TRUE(std::find(pending.begin(), pending.end(), database) == pending.end()) << database;
    EXPECT_TRUE(std::find(pending.begin(), pending.end(), linked) == pending.end()) << linked;
    EXPECT_TRUE(std::search(pending.begin(), pending.end(), replacement.begin(),
                            replacement.end()) != pending.end())
        << "the other product's replacement was undone";

    deleteValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    deleteValue(HKEY_LOCAL_MACHINE, kSharedKey, shared);
    DeleteFileA(shared.c_str());
    DeleteFileA((shared + ".new").c_str());
}

// "PROGRA~1" is another name of the folder to every later comparison: the uninstaller's, an
// update's, the restart operations'.
TEST(SetupRestartNames, ADestinationGivenInShortNamesIsLoggedAndRegisteredLong) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-short");
    const std::string parent = root.file("Long Folder Name");
    ASSERT_TRUE(CreateDirectoryA(parent.c_str(), nullptr));
    const std::string typed = shortPathOf(parent);
    ASSERT_NE(lower(typed), lower(parent)) << "no 8.3 names here";
    const std::string directory = longPathOf(parent) + "\\Technical Glossary";
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait("\"" + binaryDirectory() + "\\setup.exe\" /S /D=" + typed +
                               "\\Technical Glossary",
                           kTimeoutMs, exitCode));
    ASSERT_EQ(exitCode, 0u);
    EXPECT_EQ(registered("InstallLocation"), directory);
    EXPECT_EQ(registered("UninstallString"), "\"" + directory + "\\uninstall.exe\"");
    const std::string log = readFile(directory + "\\Setup.log");
    EXPECT_NE(log.find("[APPDIR]\r\n" + directory + "\r\n"), std::string::npos) << log;
    EXPECT_EQ(lower(log).find(lower(typed)), std::string::npos) << log;
    // As an earlier setup registered it: an update still goes there.
    setString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", typed + "\\Technical Glossary");
    ASSERT_TRUE(runAndWait("\"" + binaryDirectory() + "\\setup.exe\" /S", kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(registered("InstallLocation"), directory);

    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(fileExists(directory));
}
