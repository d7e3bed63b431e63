// The unregistration mode, with COM servers built for the test: one that records its call,
// one without the export, one that faults, one that throws; and entries that are no module.
#include "startup/UnregisterServer.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 30000;

std::string server(const char* name) {
    return binaryDirectory() + "\\" + name + ".dll";
}

int recordedCalls(const std::string& path) {
    if (!fileExists(path))
        return 0;
    const std::string text = readFile(path);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

std::string currentDirectory() {
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

class Unregistration : public ::testing::Test {
protected:
    TempDirectory app_{"unregister"};
    std::string out_ = app_.file("calls.txt");
    EnvironmentOverride output_{"UNREG_OUT", out_};
};

} // namespace

TEST_F(Unregistration, ServerIsCalledAndTheDirectoryRestored) {
    const std::string before = currentDirectory();
    EXPECT_TRUE(unregisterServer(server("comserver_records")));
    EXPECT_EQ(recordedCalls(out_), 1);
    EXPECT_EQ(currentDirectory(), before) << "the server changed it; the caller gets it back";
}

TEST_F(Unregistration, FaultsAndExceptionsInTheServerAreSurvived) {
    EXPECT_TRUE(unregisterServer(server("comserver_faults")));
    EXPECT_TRUE(unregisterServer(server("comserver_throws")));
    EXPECT_TRUE(unregisterServer(server("comserver_records"))) << "and the next one still works";
    EXPECT_EQ(recordedCalls(out_), 1);
}

TEST_F(Unregistration, NonServersAreSkipped) {
    writeFile(app_.file("text.dll"), "not a module");
    EXPECT_FALSE(unregisterServer(server("comserver_noexport")));
    EXPECT_FALSE(unregisterServer(app_.file("text.dll")));
    EXPECT_FALSE(unregisterServer(app_.file("missing.dll")));
    EXPECT_FALSE(unregisterServer(server("comserver_records") + " /extra"));
    EXPECT_EQ(recordedCalls(out_), 0);
}

TEST_F(Unregistration, ModeWorksThroughEveryEntryAndEndsWithZero) {
    writeFile(app_.file("text.dll"), "not a module");
    const std::string log =
        "[APPFILES]\r\nC:\\x.txt\r\n[REGDLLS]\r\n" + server("comserver_faults") + "\r\n" +
        server("comserver_records") + "\r\n" + app_.file("text.dll") + "\r\n" +
        server("comserver_records") + " extra text\r\n" + server("comserver_noexport") + "\r\n" +
        server("comserver_throws") + "\r\n" + server("comserver_records") + "\r\n";
    writeFile(app_.file("Setup.log"), log);
    DWORD exitCode = 99;
    // As the uninstall sequence starts it: the directory opened by a quote, never closed.
    ASSERT_TRUE(runAndWait("\"" + binaryDirectory() + "\\uninstall.exe\" \"" + app_.path() + "\\",
                           kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(recordedCalls(out_), 2) << "both good entries ran, after a fault and a throw";
}

TEST_F(Unregistration, ModeWithoutServersEndsAtOnce) {
    writeFile(app_.file("Setup.log"), "[COMMON]\r\nApplication_Name=X\r\n");
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait("\"" + binaryDirectory() + "\\uninstall.exe\" \"" + app_.path() + "\\",
                           kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(Unregistration, ModeWithoutSetupLogEndsWithNonZeroAndShowsNothing) {
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait("\"" + binaryDirectory() + "\\uninstall.exe\" \"" + app_.path() + "\\",
                           kTimeoutMs, exitCode))
        << "a message box would have kept it waiting";
    EXPECT_NE(exitCode, 0u);
}
