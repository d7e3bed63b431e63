// Whether files keep labels, as each program decides it where it starts, and the private
// folders judged by that answer.
#include "startup/PrivateFolder.h"
#include "startup/PrivateFolderName.h"
#include "startup/RelayCommandLine.h"
#include "startup/VerifiedCopy.h"
#include "support/WinTestSupport.h"
#include "win32/LabelProbe.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// The test prefix's N: (scripts/wine-env.sh): a volume that keeps no security, as a stick, a
// disc or some shares; no other test's files are there.
constexpr char kNoSecurityDrive[] = "N:\\";

bool keepsNoSecurity(const char* root) {
    DWORD flags = 0;
    return GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_PERSISTENT_ACLS) == 0;
}

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// A folder on N:, removed with what it holds at the end.
class NoSecurityFolder {
public:
    explicit NoSecurityFolder(const std::string& name) {
        static unsigned counter = 0;
        path_ = std::string(kNoSecurityDrive) + name + "-" + std::to_string(GetCurrentProcessId()) +
                "-" + std::to_string(++counter);
        made_ = CreateDirectoryA(path_.c_str(), nullptr) != FALSE;
    }
    ~NoSecurityFolder() { removeTree(path_); }
    NoSecurityFolder(const NoSecurityFolder&) = delete;
    NoSecurityFolder& operator=(const NoSecurityFolder&) = delete;

    bool made() const { return made_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool made_ = false;
};

} // namespace

// A label that does not come back on a volume that keeps no security says nothing about the
// system: an account that points its temporary folder at such a volume (a stick, a share)
// must not make its elevated programs count it everywhere.
TEST(LabelProbe, AVolumeThatKeepsNoSecurityLeavesTheAnswerStrict) {
    if (!win32::runsAboveMediumIntegrity())
        GTEST_SKIP() << "below high integrity no label is written";
    ASSERT_TRUE(keepsNoSecurity(kNoSecurityDrive)) << "the test prefix's N: drive";
    const NoSecurityFolder folder("probe");
    ASSERT_TRUE(folder.made());
    EXPECT_TRUE(win32::filesKeepLabels(wide(folder.path() + "\\")));
    EXPECT_TRUE(filesMatching(folder.path() + "\\LabelProbe-*").empty())
        << "the probe goes as it closes";

    // As setup and the uninstaller decide it where they start.
    const EnvironmentOverride tmp("TMP", folder.path()), temp("TEMP", folder.path());
    EXPECT_TRUE(win32::runningAccount(win32::systemKeepsLabels()).onlyWhereLabelledHigh);
}

// The account points its temporary folder where it likes: a name that is not a drive's
// ("\\?\...", "\\.\...", a share) is never opened, and so tells nothing, as the system volume
// alone decides. (That the probe lends no pipe or share our rights, Wine cannot show: it gives a
// pipe's server no impersonation.)
TEST(LabelProbe, ATemporaryFolderNotNamedByItsDriveIsNotTried) {
    if (!win32::runsAboveMediumIntegrity())
        GTEST_SKIP() << "below high integrity no label is written";
    ASSERT_TRUE(keepsNoSecurity(kNoSecurityDrive)) << "the test prefix's N: drive";
    const NoSecurityFolder folder("probe");
    ASSERT_TRUE(folder.made());
    const bool systemAlone = win32::filesKeepLabels(win32::systemTemporaryFolder());
    for (const std::string& spelling :
         {"\\\\?\\" + folder.path() + "\\", "\\\\.\\" + folder.path() + "\\"}) {
        const EnvironmentOverride tmp("TMP", spelling), temp("TEMP", spelling);
        EXPECT_EQ(win32::systemKeepsLabels(), systemAlone) << spelling;
    }
}

// Elevated where files keep labels, a new private folder is ours only with the label it was
// given, whatever its own label says of the system. Wine keeps none, so in the strict mode a
// new folder reads back without it: not used, and gone again; where labels are not kept, the
// same folder is used. (Wine keeps no owner or access list given either, so the strict mode
// finds the way to the folder the account's too: the label alone is judged further below.)
TEST(PrivateFolder, WhereLabelsAreKeptANewFolderWithoutItsLabelIsNotUsed) {
    if (!runsElevated())
        GTEST_SKIP() << "only an elevated run labels its folder";
    const TempDirectory root("unlabelled");
    EXPECT_TRUE(createPrivateFolder(root.path(), strictAccount()).path.empty());
    EXPECT_TRUE(filesMatching(root.path() + "\\" + kPrivateFolderPrefix + "*").empty())
        << "the refused folder goes";

    PrivateFolder lax = createPrivateFolder(root.path(), productAccount());
    EXPECT_FALSE(lax.path.empty()) << "where labels are not kept, the folder is used";
}

// A folder of the private folders' name without the label an elevated run gives its own was
// made by someone else, or lost its label: where labels are kept, a run neither empties nor
// deletes it, and lists it. The same folder goes where labels are not kept.
TEST(PrivateFolder, WhereLabelsAreKeptALeftoverWithoutItsLabelIsKeptAndListed) {
    if (!runsElevated())
        GTEST_SKIP() << "only an elevated run labels its folder";
    const TempDirectory root("leftover");
    PrivateFolder leftover = createPrivateFolder(root.path(), productAccount());
    ASSERT_FALSE(leftover.path.empty());
    writeFile(leftover.path + "\\Del1A2B.tmp", "a copy");
    leftover.handle.reset();

    const std::vector<KeptFolder> kept = removeStaleFolders(root.path(), strictAccount());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].path, leftover.path);
    EXPECT_EQ(readFile(leftover.path + "\\Del1A2B.tmp"), "a copy") << "nothing in it is touched";

    EXPECT_TRUE(removeStaleFolders(root.path(), productAccount()).empty());
    EXPECT_FALSE(fileExists(leftover.path)) << "where labels are not kept, it is a run's";
}

// The judgement of a folder's owner and label, over descriptors built here: elevated where
// files keep labels, only the label the uninstaller gives makes a folder ours, whoever owns it.
TEST(PrivateFolder, WhereLabelsAreKeptOnlyTheLabelGivenMakesAFolderOurs) {
    const auto ours = [](const char* sddl, bool elevated, bool labelsKept) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                         &descriptor, nullptr))
            << sddl;
        const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
        return describesOurFolder(descriptor, elevated, labelsKept);
    };
    for (const char* owner : {"O:BA", "O:SY"}) {
        const std::string high = std::string(owner) + "S:(ML;OICI;NW;;;HI)";
        EXPECT_TRUE(ours(high.c_str(), true, true)) << owner;
        EXPECT_FALSE(ours(owner, true, true)) << owner << ": no label where labels are kept";
        EXPECT_TRUE(ours(owner, true, false)) << owner << ": no label where none is kept";
        EXPECT_TRUE(ours(owner, false, true)) << owner << ": not elevated, none is given";
        const std::string medium = std::string(owner) + "S:(ML;OICI;NW;;;ME)";
        EXPECT_FALSE(ours(medium.c_str(), true, true)) << owner;
        EXPECT_FALSE(ours(medium.c_str(), true, false)) << owner << ": not the label given";
        const std::string passedOn = std::string(owner) + "S:(ML;OICIIO;NW;;;HI)";
        EXPECT_FALSE(ours(passedOn.c_str(), true, true)) << owner << ": only passed on";
        const std::string writeUp = std::string(owner) + "S:(ML;OICI;NR;;;HI)";
        EXPECT_FALSE(ours(writeUp.c_str(), true, true)) << owner << ": write up allowed";
    }
    EXPECT_FALSE(ours("O:WDS:(ML;OICI;NW;;;HI)", true, true)) << "owned by everyone";
    EXPECT_FALSE(ours("O:BU", false, false)) << "owned by the users";
}

// The copy's main stage, handed a folder without the label an elevated relay gives its own
// where labels are kept (strict under Wine through a temporary folder where no label can be
// tried), refuses before anything else: not the relay's folder. The same hand-over where labels
// are not kept removes what the log names, so only the label decides.
TEST(PrivateFolder, WhereLabelsAreKeptTheCopyHandedAFolderWithoutItsLabelRemovesNothing) {
    if (!runsElevated())
        GTEST_SKIP() << "only an elevated run labels its folder";
    const TempDirectory root("handed");
    const std::string app = root.file("My App"), program = app + "\\uninstall.exe";
    ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(), program.c_str(), FALSE));
    for (const bool strict : {true, false}) {
        SCOPED_TRACE(strict ? "labels kept" : "no labels kept");
        writeFile(app + "\\a.txt", "a");
        writeFile(app + "\\Setup.log", "[COMMON]\r\nApplication_Name=Label Test\r\n[APPFILES]\r\n" +
                                           app + "\\a.txt\r\n");
        PrivateFolder folder = createPrivateFolder(root.path(), productAccount());
        ASSERT_FALSE(folder.path.empty());
        const std::string copy = folder.path + "\\Del1.tmp";
        ASSERT_TRUE(CopyFileA(program.c_str(), copy.c_str(), FALSE));
        const win32::Handle held = openIfIdentical(program, copy);
        const win32::Handle self(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE,
                                             GetCurrentProcessId()));
        ASSERT_TRUE(held && self);
        for (HANDLE handle : {held.get(), folder.handle.get()})
            ASSERT_TRUE(SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT));
        RelayHandles handed;
        handed.relay = reinterpret_cast<std::uintptr_t>(self.get());
        handed.copy = reinterpret_cast<std::uintptr_t>(held.get());
        handed.folder = reinterpret_cast<std::uintptr_t>(folder.handle.get());
        const std::string temporary = strict ? root.file("nowhere") : root.path();
        const EnvironmentOverride tmp("TMP", temporary), temp("TEMP", temporary);
        std::string error;
        const DWORD exitCode = runWithStandardError(
            relayCommandLine(copy, handed, program, app + "\\") + " /S", error, 60000);
        if (strict) {
            EXPECT_EQ(exitCode, 2u);
            EXPECT_NE(error.find(folder.path + ": refused: the folder of the uninstaller's copy "
                                               "does not carry the label"),
                      std::string::npos)
                << error;
            EXPECT_TRUE(fileExists(app + "\\a.txt"));
        } else {
            EXPECT_FALSE(fileExists(app + "\\a.txt")) << error;
        }
    }
}

// Any user may make folders of the private folders' name where the copies go. Those that are
// not a run's are kept and told, a few by name and the rest counted, so that a flood of them
// cannot flood the event log or the tool that reads standard error.
TEST(PrivateFolder, FoldersNotOursAreToldAFewByNameAndTheRestCounted) {
    const TempDirectory app("flood");
    const std::string program = app.file("uninstall.exe");
    ASSERT_TRUE(CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(), program.c_str(), FALSE));
    std::vector<std::string> planted;
    for (std::uint8_t i = 0; i < 11; ++i) {
        const std::uint8_t random[16] = {0xF1, 0x0D, i};
        planted.push_back(uninstallCopyRoot() + "\\" + privateFolderName(random));
        ASSERT_TRUE(CreateDirectoryA(planted.back().c_str(), nullptr));
        ASSERT_TRUE(allowEveryone(planted.back())) << "open to everyone: not a run's";
    }
    std::string error;
    runWithStandardError("\"" + program + "\" /S", error, 60000);
    std::size_t named = 0;
    for (std::size_t at = 0;
         (at = error.find(": kept: a folder of the uninstaller's name", at)) != std::string::npos;
         ++at)
        ++named;
    EXPECT_EQ(named, 8u) << error;
    EXPECT_NE(error.find(" more folders of the uninstaller's name that are not its own"),
              std::string::npos)
        << error;
    for (const std::string& folder : planted) {
        EXPECT_TRUE(fileExists(folder)) << folder;
        RemoveDirectoryA(folder.c_str());
    }
}
