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

TEST_F(Unregistration, ServersThatAnotherProductStillCountsOnAreLeftRegistered) {
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    const std::string records = server("comserver_records");
    createKey(HKEY_LOCAL_MACHINE, key);
    setDword(HKEY_LOCAL_MACHINE, key, records, 2);
    EXPECT_FALSE(unregisterServer(records));
    EXPECT_EQ(recordedCalls(out_), 0) << "count 2: someone else still uses it";
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, key, records).size(), 4u) << "the count is only read";
    setDword(HKEY_LOCAL_MACHINE, key, records, 1);
    EXPECT_TRUE(unregisterServer(records)) << "count 1: this product alone";
    deleteValue(HKEY_LOCAL_MACHINE, key, records);
    EXPECT_TRUE(unregisterServer(records)) << "no count at all";
    EXPECT_EQ(recordedCalls(out_), 2);
}

TEST_F(Unregistration, RelativeServerPathsAreSkipped) {
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(binaryDirectory().c_str());
    EXPECT_FALSE(unregisterServer("comserver_records.dll"));
    EXPECT_FALSE(unregisterServer(".\\comserver_records.dll"));
    EXPECT_FALSE(unregisterServer(binaryDirectory() + "\\..\\bin\\comserver_records.dll"));
    SetCurrentDirectoryA(before);
    EXPECT_EQ(recordedCalls(out_), 0);
}

TEST_F(Unregistration, ServerLibrariesComeFromBesideTheServerNeverFromBesideTheProgram) {
    // The mode runs from a folder like the copy's, which here also holds a planted depend.dll
    // and a planted version.dll; the server's own depend.dll lies beside the server.
    const std::string copyFolder = app_.file("copy");
    CreateDirectoryA(copyFolder.c_str(), nullptr);
    CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(), (copyFolder + "\\Del1.tmp").c_str(),
              FALSE);
    CopyFileA((binaryDirectory() + "\\depend-planted\\depend.dll").c_str(),
              (copyFolder + "\\depend.dll").c_str(), FALSE);
    // And a plantme.dll, which the server asks for by its bare name: the mode's own search must
    // look neither beside the program nor in the current directory.
    for (const char* name : {"\\version.dll", "\\plantme.dll"})
        CopyFileA((binaryDirectory() + "\\planted.dll").c_str(), (copyFolder + name).c_str(),
                  FALSE);
    const EnvironmentOverride planted("PLANTED_OUT", app_.file("planted-loaded.txt"));
    writeFile(app_.file("Setup.log"),
              "[REGDLLS]\r\n" + binaryDirectory() + "\\depend-beside\\comserver_depends.dll\r\n");
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait("\"" + copyFolder + "\\Del1.tmp\" \"" + app_.path() + "\\", kTimeoutMs,
                           exitCode, copyFolder.c_str()));
    EXPECT_EQ(exitCode, 0u);
    ASSERT_TRUE(fileExists(out_)) << "the server was not called";
    EXPECT_EQ(readFile(out_), "beside\n");
    EXPECT_FALSE(fileExists(app_.file("planted-loaded.txt")))
        << "a planted library (version.dll or plantme.dll) was loaded";
}
