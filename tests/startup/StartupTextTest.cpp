#include "base/DirectoryText.h"
#include "base/Options.h"
#include "setuplog/PathJoin.h"
#include "startup/RelayCommandLine.h"
#include "startup/StartupMode.h"

#include <gtest/gtest.h>

TEST(StartupMode, ArgumentCountChoosesTheMode) {
    EXPECT_EQ(startupModeFor(0), StartupMode::Relay);
    EXPECT_EQ(startupModeFor(1), StartupMode::Relay);
    EXPECT_EQ(startupModeFor(2), StartupMode::Unregistration);
    EXPECT_EQ(startupModeFor(3), StartupMode::Relay);
    EXPECT_EQ(startupModeFor(4), StartupMode::MainStage);
    EXPECT_EQ(startupModeFor(9), StartupMode::MainStage);
}

TEST(StartupMode, AFirstOptionAlwaysMeansTheRelay) {
    EXPECT_EQ(startupModeFor(2, "/S"), StartupMode::Relay) << "not a directory to unregister";
    EXPECT_EQ(startupModeFor(4, "-S"), StartupMode::Relay) << "not a main stage";
    EXPECT_EQ(startupModeFor(2, "C:\\App\\"), StartupMode::Unregistration);
    EXPECT_EQ(startupModeFor(4, "1234"), StartupMode::MainStage);
    EXPECT_EQ(startupModeFor(1, nullptr), StartupMode::Relay);
}

TEST(Options, UnattendedReportAndSharedAnswerAreRead) {
    const char* const arguments[] = {"uninstall.exe", "/s", "/LOG=C:\\My Logs\\run.txt",
                                     "-SHARED=remove"};
    const UninstallOptions options = readOptions(4, arguments, 1);
    EXPECT_TRUE(options.valid());
    EXPECT_TRUE(options.unattended);
    EXPECT_EQ(options.reportPath, "C:\\My Logs\\run.txt");
    EXPECT_TRUE(options.removeShared);
    for (const char* silent : {"/S", "/SILENT", "-S", "/silent"}) {
        const char* const one[] = {"x", silent};
        EXPECT_TRUE(readOptions(2, one, 1).unattended) << silent;
    }
    const char* const keep[] = {"x", "/SHARED=KEEP"};
    EXPECT_FALSE(readOptions(2, keep, 1).removeShared);
    EXPECT_FALSE(readOptions(1, keep, 1).unattended) << "nothing given, nothing set";
    EXPECT_FALSE(readOptions(2, keep, 1).closeApps);
    const char* const close[] = {"x", "/S", "/closeapps"};
    const UninstallOptions closing = readOptions(3, close, 1);
    EXPECT_TRUE(closing.closeApps);
    EXPECT_EQ(optionArguments(closing), " \"/S\" \"/CLOSEAPPS\"") << "handed on to the copy";
    // What deployment tools pass to every program: accepted, and nothing to hand on.
    const char* const noRestart[] = {"x", "/NORESTART", "/S", "-norestart"};
    const UninstallOptions deployed = readOptions(4, noRestart, 1);
    EXPECT_TRUE(deployed.valid()) << deployed.unknown;
    EXPECT_EQ(optionArguments(deployed), " \"/S\"");
}

TEST(Options, TheSwitchesManagementTemplatesPassAreKnown) {
    for (const char* silent : {"/VERYSILENT", "/verysilent", "/quiet", "/qn", "-QN", "/QUIET"}) {
        const char* const arguments[] = {"x", silent, "/SUPPRESSMSGBOXES", "/norestart"};
        const UninstallOptions options = readOptions(4, arguments, 1);
        EXPECT_TRUE(options.valid()) << silent << ": " << options.unknown;
        EXPECT_TRUE(options.unattended) << silent;
        EXPECT_EQ(optionArguments(options), " \"/S\"") << "handed on to the copy as /S";
    }
    const char* const boxes[] = {"x", "/suppressmsgboxes"};
    EXPECT_TRUE(readOptions(2, boxes, 1).valid());
    EXPECT_FALSE(readOptions(2, boxes, 1).unattended) << "it asks for no unattended run";
    const char* const valued[] = {"x", "/QN=1"};
    EXPECT_FALSE(readOptions(2, valued, 1).valid());
}

TEST(Options, AnythingElseIsUnknownAndNamed) {
    for (const char* wrong : {"/X", "/S=1", "/LOG", "/LOG=", "/SHARED", "/SHARED=MAYBE", "S",
                              "/CLOSEAPPS=1", "/NORESTART=1", "C:\\App\\", "/LOG=\"a\"", "", "/"}) {
        const char* const arguments[] = {"x", "/S", wrong};
        const UninstallOptions options = readOptions(3, arguments, 1);
        EXPECT_FALSE(options.valid()) << wrong;
        EXPECT_EQ(options.unknown, *wrong != '\0' ? std::string(wrong) : "\"\"");
    }
}

TEST(DirectoryText, CutsJustAfterTheLastBackslash) {
    EXPECT_EQ(cutAfterLastBackslash("C:\\App\\uninstall.exe"), "C:\\App\\");
    EXPECT_EQ(cutAfterLastBackslash("C:\\My App\\ "), "C:\\My App\\");
    EXPECT_EQ(cutAfterLastBackslash("C:\\App\\"), "C:\\App\\");
    EXPECT_EQ(cutAfterLastBackslash("no separator"), "no separator");
    EXPECT_EQ(cutAfterLastBackslash("C:/forward/only"), "C:/forward/only");
    EXPECT_EQ(cutAfterLastBackslash(""), "");
}

TEST(DirectoryText, LongDirectoriesAreKeptWhole) {
    const std::string deep = "C:\\" + std::string(600, 'd') + "\\";
    EXPECT_EQ(cutAfterLastBackslash(deep + "x.exe"), deep);
}

TEST(PathJoin, JoinsWithExactlyOneBackslash) {
    EXPECT_EQ(joinPath("C:\\App", "Setup.log"), "C:\\App\\Setup.log");
    EXPECT_EQ(joinPath("C:\\App\\", "Setup.log"), "C:\\App\\Setup.log");
    EXPECT_EQ(joinPath("", "Setup.log"), "Setup.log");
    EXPECT_EQ(joinPath("C:/App/", "Setup.log"), "C:/App/\\Setup.log");
}

TEST(RelayCommandLine, FieldsAreQuotedAndTheDirectoryKeepsItsBlank) {
    EXPECT_EQ(relayCommandLine("C:\\Temp\\Del1A.tmp", {124, 88, 92, 96}, "C:\\App\\uninstall.exe",
                               "C:\\App\\"),
              "\"C:\\Temp\\Del1A.tmp\" 124:88:92:96 \"C:\\App\\uninstall.exe\" \"C:\\App\\ \"");
}

TEST(RelayCommandLine, HandedDownHandlesReadBackAndAnythingElseIsNone) {
    const RelayHandles handles = readRelayHandles("124:88:92:96");
    EXPECT_EQ(handles.relay, 124u);
    EXPECT_EQ(handles.copy, 88u);
    EXPECT_EQ(handles.folder, 92u);
    EXPECT_EQ(handles.ready, 96u);
    EXPECT_EQ(readRelayHandles("124:88:92").ready, 0u) << "no relay waits to be told";
    // A main stage started by hand with the relay's number alone holds no copy of its own.
    for (const char* field : {"124", "124:", "124:x:92", "124:88", "", "124;88;92"}) {
        const RelayHandles read = readRelayHandles(field);
        EXPECT_EQ(read.folder, 0u) << field;
        EXPECT_EQ(read.relay, std::string(field).empty() ? 0u : 124u) << field;
    }
    EXPECT_EQ(readRelayHandles("124:88").copy, 88u);
    EXPECT_EQ(readRelayHandles("99999999999999999999:1:2").relay, 0u) << "too long for a handle";
    EXPECT_EQ(readRelayHandles(nullptr).relay, 0u);
}
