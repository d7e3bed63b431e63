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
using Outcome = ServerResult::Outcome;

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
    // Every system has the key of the use counts; a new Wine prefix only once a test made it.
    void SetUp() override {
        createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    }
    TempDirectory app_{"unregister"};
    std::string out_ = app_.file("calls.txt");
    EnvironmentOverride output_{"UNREG_OUT", out_};
};

} // namespace

TEST_F(Unregistration, ServerIsCalledAndTheDirectoryRestored) {
    const std::string before = currentDirectory();
    EXPECT_EQ(unregisterServer(server("comserver_records"), productAccount()).outcome,
              Outcome::Unregistered);
    EXPECT_EQ(recordedCalls(out_), 1);
    EXPECT_EQ(currentDirectory(), before) << "the server changed it; the caller gets it back";
}

TEST_F(Unregistration, FaultsAndExceptionsInTheServerAreSurvived) {
    EXPECT_EQ(unregisterServer(server("comserver_faults"), productAccount()).reason,
              "DllUnregisterServer faulted");
    EXPECT_EQ(unregisterServer(server("comserver_throws"), productAccount()).outcome,
              Outcome::Failed);
    EXPECT_EQ(unregisterServer(server("comserver_records"), productAccount()).outcome,
              Outcome::Unregistered)
        << "and the next one still works";
    EXPECT_EQ(recordedCalls(out_), 1);
}

TEST_F(Unregistration, NonServersAreSkipped) {
    writeFile(app_.file("text.dll"), "not a module");
    const ServerResult noExport = unregisterServer(server("comserver_noexport"), productAccount());
    EXPECT_EQ(noExport.outcome, Outcome::Kept);
    EXPECT_EQ(noExport.reason, "no DllUnregisterServer");
    EXPECT_EQ(unregisterServer(app_.file("text.dll"), productAccount()).outcome, Outcome::Failed);
    EXPECT_EQ(unregisterServer(app_.file("missing.dll"), productAccount()).outcome,
              Outcome::Failed);
    EXPECT_EQ(unregisterServer(server("comserver_records") + " /extra", productAccount()).outcome,
              Outcome::Failed);

    // The same server built for the other bitness is not even loaded.
    std::string image = readFile(server("comserver_records"));
    const auto header = *reinterpret_cast<const LONG*>(image.data() + 0x3C);
    image[header + 4] = '\x4C';
    image[header + 5] = '\x01';
    writeFile(app_.file("x86.dll"), image);
    const ServerResult other = unregisterServer(app_.file("x86.dll"), productAccount());
    EXPECT_EQ(other.outcome, Outcome::Kept);
    EXPECT_EQ(other.reason, "a server of the other bitness than this uninstaller");
    EXPECT_EQ(recordedCalls(out_), 0);
}

TEST_F(Unregistration, ModeWorksThroughEveryEntryAndTellsWhatItLeft) {
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
    EXPECT_EQ(exitCode, 2u) << "some servers were not unregistered";
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
    EXPECT_EQ(unregisterServer(records, productAccount()).reason, "still used by 1 other products");
    EXPECT_EQ(recordedCalls(out_), 0) << "count 2: someone else still uses it";
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, key, records).size(), 4u) << "the count is only read";
    setString(HKEY_LOCAL_MACHINE, key, records, "1");
    EXPECT_EQ(unregisterServer(records, productAccount()).outcome, Outcome::Kept)
        << "a count that is no count";
    EXPECT_EQ(recordedCalls(out_), 0);
    setDword(HKEY_LOCAL_MACHINE, key, records, 1);
    EXPECT_EQ(unregisterServer(records, productAccount()).outcome, Outcome::Unregistered)
        << "this product alone";
    deleteValue(HKEY_LOCAL_MACHINE, key, records);
    EXPECT_EQ(unregisterServer(records, productAccount()).outcome, Outcome::Unregistered)
        << "no count at all";
    EXPECT_EQ(recordedCalls(out_), 2);
}

TEST_F(Unregistration, RelativeServerPathsAreSkipped) {
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(binaryDirectory().c_str());
    EXPECT_EQ(unregisterServer("comserver_records.dll", productAccount()).outcome, Outcome::Kept);
    EXPECT_EQ(unregisterServer(".\\comserver_records.dll", productAccount()).outcome,
              Outcome::Kept);
    EXPECT_EQ(
        unregisterServer(binaryDirectory() + "\\..\\bin\\comserver_records.dll", productAccount())
            .outcome,
        Outcome::Kept);
    SetCurrentDirectoryA(before);
    EXPECT_EQ(recordedCalls(out_), 0);

    // The mode itself takes only an absolute directory: "uninstall.exe silent", a forgotten
    // slash, must not read silent\Setup.log of the current folder.
    CreateDirectoryA(app_.file("silent").c_str(), nullptr);
    writeFile(app_.file("silent\\Setup.log"),
              "[REGDLLS]\r\n" + server("comserver_records") + "\r\n");
    for (const char* argument : {"silent", "silent\\", ".\\silent", "\\silent"}) {
        DWORD exitCode = 99;
        ASSERT_TRUE(runAndWait("\"" + binaryDirectory() + "\\uninstall.exe\" " + argument,
                               kTimeoutMs, exitCode, app_.path().c_str()));
        EXPECT_EQ(exitCode, 87u) << argument;
    }
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

TEST_F(Unregistration, AServerInAFolderOthersMayChangeIsNeitherLoadedNorCalled) {
    // As below C:\ProgramData, where every user may create files: someone planted the
    // libraries that the server imports beside it.
    const std::string open = app_.file("open");
    CreateDirectoryA(open.c_str(), nullptr);
    CopyFileA((binaryDirectory() + "\\depend-beside\\comserver_depends.dll").c_str(),
              (open + "\\server.dll").c_str(), FALSE);
    CopyFileA((binaryDirectory() + "\\depend-planted\\depend.dll").c_str(),
              (open + "\\depend.dll").c_str(), FALSE);
    CopyFileA((binaryDirectory() + "\\planted.dll").c_str(), (open + "\\version.dll").c_str(),
              FALSE);
    const EnvironmentOverride planted("PLANTED_OUT", app_.file("planted-loaded.txt"));
    ASSERT_TRUE(allowEveryone(open));
    const ServerResult result = unregisterServer(open + "\\server.dll", productAccount());
    EXPECT_EQ(result.outcome, Outcome::Kept);
    EXPECT_EQ(result.reason, "others may change it");
    EXPECT_FALSE(fileExists(out_)) << "the server was called";
    EXPECT_FALSE(fileExists(app_.file("planted-loaded.txt"))) << "the planted library was loaded";

    // Through the mode, as the uninstall sequence starts it: kept, and the exit code says so.
    writeFile(app_.file("Setup.log"), "[REGDLLS]\r\n" + open + "\\server.dll\r\n");
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait("\"" + binaryDirectory() + "\\uninstall.exe\" \"" + app_.path() + "\\",
                           kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 2u);
    EXPECT_FALSE(fileExists(out_));
    EXPECT_FALSE(fileExists(app_.file("planted-loaded.txt")));
}

TEST_F(Unregistration, ModeLoadsNothingThatALogOthersMayChangeNames) {
    // The log's folder lets anyone write: whoever did may have named any library.
    const std::string folder = app_.file("app");
    CreateDirectoryA(folder.c_str(), nullptr);
    writeFile(folder + "\\Setup.log", "[REGDLLS]\r\n" + server("comserver_records") + "\r\n");
    DWORD exitCode = 99;
    const std::string command = "\"" + binaryDirectory() + "\\uninstall.exe\" \"" + folder + "\\";
    ASSERT_TRUE(runAndWait(command, kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u) << "trusted, it is unregistered";
    EXPECT_EQ(recordedCalls(out_), 1);
    ASSERT_TRUE(allowEveryone(folder));
    ASSERT_TRUE(runAndWait(command, kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 2u);
    EXPECT_EQ(recordedCalls(out_), 1) << "not called again";
}
