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
