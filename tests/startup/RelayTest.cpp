// uninstall.exe started as a user starts it: it must hand over to a copy of itself in the
// temporary directory and end at once. Observed from outside, with no switch in the product.
#include "base/DirectoryText.h"
#include "base/Options.h"
#include "base/ProcessValues.h"
#include "driver/WindowFinder.h"
#include "startup/OwnFiles.h"
#include "startup/PrivateFolder.h"
#include "startup/PrivateFolderName.h"
#include "startup/RelayCommandLine.h"
#include "startup/VerifiedCopy.h"
#include "support/ProcessObserver.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/FileIdentity.h"
#include "win32/LabelProbe.h"
#include "win32/Process.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <utility>

using namespace driver;
using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 60000;
constexpr DWORD kExitMinusOne = 0xFFFFFFFF;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        result.push_back(text.substr(start, end - start));
    return result;
}

std::string longPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), full, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

bool samePathText(const std::string& a, const std::string& b) {
    return lstrcmpiA(longPath(a).c_str(), longPath(b).c_str()) == 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    char fullA[MAX_PATH] = {}, fullB[MAX_PATH] = {};
    GetLongPathNameA(a.c_str(), fullA, MAX_PATH);
    GetLongPathNameA(b.c_str(), fullB, MAX_PATH);
    return lstrcmpiA(fullA, fullB) == 0;
}

// The copies started here find no setup log and say so in a box; this answers such boxes
// while the processes run, as a user would. Only boxes of programs in this test's own
// installation, or of uninstaller copies (an elevated relay puts its copy in the Windows
// folder's Temp): another program's box is not ours to answer.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::string directory)
        : directory_(std::move(directory)), thread_([this] {
              while (!stop_) {
                  for (const std::string& folder : {directory_, uninstallCopyRoot()}) {
                      if (const HWND box = findDialogOfProgramIn(folder, "Error"))
                          PostMessageA(box, WM_COMMAND, IDOK, 0);
                  }
                  Sleep(50);
              }
          }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.join();
    }

private:
    const std::string directory_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// An installed product: uninstall.exe in an application directory whose name has a blank, and
// a temporary directory of its own, also with a blank, so that quoting is put to the test.
struct Installation {
    TempDirectory root{"relay"};
    std::string appDirectory = root.file("My App");
    std::string tempDirectory = root.file("temp dir");
    std::string program = appDirectory + "\\uninstall.exe";

    Installation() {
        CreateDirectoryA(appDirectory.c_str(), nullptr);
        CreateDirectoryA(tempDirectory.c_str(), nullptr);
        CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(), program.c_str(), FALSE);
    }

    // Where the relay of this installation makes its folder.
    std::string privateRoot() const {
        const EnvironmentOverride tmp("TMP", tempDirectory);
        const EnvironmentOverride temp("TEMP", tempDirectory);
        return privateFolderRoot();
    }

    ObservedRun run(const std::string& arguments) {
        const BoxAnswerer answerer(root.path());
        const EnvironmentOverride tmp("TMP", tempDirectory);
        const EnvironmentOverride temp("TEMP", tempDirectory);
        return runObserved("\"" + program + "\"" + arguments, kTimeoutMs);
    }
};

void expectRelayedToATemporaryCopy(Installation& installed, const std::string& arguments) {
    const ObservedRun run = installed.run(arguments);
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.processes.size(), 2u) << "the relay starts exactly one copy";

    const ObservedProcess& relay = run.processes[0];
    const ObservedProcess& copy = run.processes[1];
    EXPECT_EQ(relay.exitCode, kExitMinusOne);
    EXPECT_EQ(relay.exitOrder, 0) << "the copy waits until the relay has ended";

    // The copy lies alone in a new folder of its own, directly in the temporary directory, or
    // when elevated in one that only administrators can change.
    const std::string root = installed.privateRoot();
    EXPECT_TRUE(filesMatching(installed.tempDirectory + "\\Del*.tmp").empty());
    if (!samePathText(root, installed.tempDirectory + "\\")) {
        EXPECT_TRUE(filesMatching(installed.tempDirectory + "\\Uninstall-*").empty());
    }
    const std::string copyPath = longPath(copy.image);
    const std::string folder = copyPath.substr(0, copyPath.rfind('\\'));
    const std::string folderName = folder.substr(folder.rfind('\\') + 1);
    EXPECT_TRUE(samePathText(folder.substr(0, folder.size() - folderName.size()), root)) << folder;
    EXPECT_TRUE(isPrivateFolderName(folderName)) << folderName;
    const std::vector<std::string> copies = filesMatching(folder + "\\Del*.tmp");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_TRUE(sameFile(copyPath, folder + "\\" + copies[0]));
    EXPECT_EQ(readFile(copyPath), readFile(installed.program)) << "a byte-identical copy";

    const std::vector<std::string> fields = splitCommandLine(copy.commandLine);
    ASSERT_EQ(fields.size(), 4u) << copy.commandLine;
    EXPECT_TRUE(sameFile(fields[0], copyPath));
    const RelayHandles handed = readRelayHandles(fields[1].c_str());
    EXPECT_GT(handed.relay, 0u) << fields[1];
    EXPECT_GT(handed.copy, 0u) << "the verified copy reaches it by inheritance";
    EXPECT_GT(handed.folder, 0u);
    EXPECT_EQ(fields[2], installed.program);
    EXPECT_EQ(fields[3], installed.appDirectory + "\\ ");
    EXPECT_EQ(cutAfterLastBackslash(fields[3]), installed.appDirectory + "\\");

    // Both go at the next restart: first the copy, then its folder.
    const std::vector<std::string> pending = pendingOperations();
    const auto at = [&](const std::string& path) {
        for (std::size_t i = 0; i + 1 < pending.size(); i += 2) {
            if (lstrcmpiA(pending[i].c_str(), ("\\??\\" + path).c_str()) == 0 &&
                pending[i + 1].empty())
                return static_cast<int>(i);
        }
        return -1;
    };
    EXPECT_GE(at(copyPath), 0) << ::testing::PrintToString(pending);
    EXPECT_GT(at(folder), at(copyPath)) << "the folder after the copy it holds";
}

} // namespace

TEST(Relay, CommandLineParsesBackIntoTheFourFields) {
    for (const char* folder : {"plain", "with blanks"}) {
        TempDirectory root("args");
        const std::string directory = root.file(folder);
        CreateDirectoryA(directory.c_str(), nullptr);
        const std::string copy = directory + "\\Del1A2B.tmp";
        ASSERT_TRUE(CopyFileA((binaryDirectory() + "\\echoargs.exe").c_str(), copy.c_str(), FALSE));

        const std::string program = "C:\\Program Files\\Example App\\uninstall.exe";
        const std::string appDir = "C:\\Program Files\\Example App\\";
        const EnvironmentOverride out("ECHOARGS_OUT", root.file("args.txt"));
        const ObservedRun run = runObserved(
            relayCommandLine(copy, {1234, 8, 12, 16}, program, appDir), kTimeoutMs, copy);
        ASSERT_TRUE(run.started);
        ASSERT_FALSE(run.timedOut);

        const std::vector<std::string> fields = lines(readFile(root.file("args.txt")));
        ASSERT_EQ(fields.size(), 4u) << folder;
        EXPECT_EQ(fields[0], copy);
        EXPECT_EQ(fields[1], "1234:8:12:16");
        EXPECT_EQ(fields[2], program);
        EXPECT_EQ(fields[3], appDir + " ");
    }
}

TEST(Options, OptionsTravelQuotedAndComeBackUnchanged) {
    const char* const arguments[] = {"x", "-silent", "/log=C:\\a b\\", "/shared=remove"};
    const UninstallOptions options = readOptions(4, arguments, 1);
    const std::string line =
        "\"C:\\Temp\\Del1.tmp\" 12 \"C:\\App\\u.exe\" \"C:\\App\\ \"" + optionArguments(options);
    const std::vector<std::string> fields = splitCommandLine(line);
    ASSERT_EQ(fields.size(), 7u) << line;
    EXPECT_EQ(fields[4], "/S");
    EXPECT_EQ(fields[5], "/LOG=C:\\a b\\");
    EXPECT_EQ(fields[6], "/SHARED=REMOVE");
}

TEST(Relay, PlainStartRelaysToATemporaryCopyAndEndsAtOnce) {
    Installation installed;
    expectRelayedToATemporaryCopy(installed, "");
}

TEST(Relay, StartWithTwoArgumentsRelaysLikeAPlainStart) {
    Installation installed;
    expectRelayedToATemporaryCopy(installed, " one two");
}

TEST(Relay, StartWithOneArgumentDoesNotRelay) {
    Installation installed;
    const ObservedRun run = installed.run(" \"" + installed.appDirectory + "\\");
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.processes.size(), 1u);
    EXPECT_TRUE(filesMatching(installed.tempDirectory + "\\Del*.tmp").empty());
}

TEST(Relay, CopyThatCannotBeMadeIsReportedOnceAndTheRelayStillEndsWithMinusOne) {
    for (const char* kind : {"missing", "a file"}) {
        Installation installed;
        // No folder can be made in such a temporary directory, so no copy can be started.
        const std::string temporary = installed.root.file("notafolder");
        if (std::string(kind) == "a file")
            writeFile(temporary, "x");
        // Elevated where the system volume keeps labels, the account's own temporary directory
        // is not used at all: the copy is made where only administrators may change it. Where
        // it keeps none (Wine), a temporary directory where no label can be tried makes the run
        // strict, and its folder, which reads back without its label, is not used either.
        const bool systemKeepsLabels = win32::filesKeepLabels(win32::systemTemporaryFolder());
        const EnvironmentOverride tmp("TMP", temporary);
        const EnvironmentOverride temp("TEMP", temporary);
        if (runsElevated() && systemKeepsLabels) {
            const BoxAnswerer answerer(installed.root.path());
            const ObservedRun run = runObserved(win32::quoted(installed.program), kTimeoutMs);
            ASSERT_EQ(run.processes.size(), 2u) << kind;
            const std::string image = longPath(run.processes[1].image);
            const std::string folder = image.substr(0, image.rfind('\\'));
            EXPECT_TRUE(samePathText(folder.substr(0, folder.rfind('\\')), uninstallCopyRoot()))
                << image;
            continue;
        }
        const win32::Process started = win32::startProcess({}, win32::quoted(installed.program));
        ASSERT_TRUE(started);

        const HWND box = waitForWindow(started.id, "Error", kTimeoutMs);
        ASSERT_NE(box, nullptr) << "no message box appeared";
        EXPECT_EQ(windowText(GetDlgItem(box, 0xFFFF)), "Cannot create child process");
        EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK is the only button";
        PostMessageA(box, WM_COMMAND, IDOK, 0);

        DWORD exitCode = 0;
        ASSERT_TRUE(win32::waitForExit(started.handle.get(), kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, kExitMinusOne) << kind;
    }
}

TEST(Relay, PlantedCopiesInTheTemporaryDirectoryAreNeverStarted) {
    Installation installed;
    const EnvironmentOverride out("ECHOARGS_OUT", installed.root.file("planted-ran.txt"));
    for (const char* name : {"Del1.tmp", "Del2.tmp", "DelA.tmp", "Del1234.tmp", "DelFFFF.tmp"})
        CopyFileA((binaryDirectory() + "\\echoargs.exe").c_str(),
                  (installed.tempDirectory + "\\" + name).c_str(), FALSE);
    const ObservedRun run = installed.run("");
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.processes.size(), 2u);
    EXPECT_NE(run.processes[1].image.find("\\Uninstall-"), std::string::npos)
        << run.processes[1].image;
    EXPECT_FALSE(fileExists(installed.root.file("planted-ran.txt")));
}

TEST(Relay, MainStageStartedByHandDoesNotScheduleItself) {
    Installation installed;
    const std::string arguments =
        " \"" + installed.program + "\" 0 x \"" + installed.appDirectory + "\\ \"";
    const ObservedRun run = installed.run(arguments);
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.processes.size(), 1u) << "a main stage relays nothing";
    EXPECT_FALSE(pendingDeleteOf(installed.program)) << "the real program file stays";
    for (const std::string& entry : pendingOperations())
        EXPECT_EQ(entry.find(installed.appDirectory), std::string::npos) << entry;
}

TEST(Relay, AMainStageWithoutTheVerifiedCopyHandedDownRemovesNothing) {
    // As if its file had been swapped before it ran: a copy that holds no verified file of
    // its own from the relay may be anything, and what it would start later too.
    Installation installed;
    writeFile(installed.appDirectory + "\\a.txt", "a");
    writeFile(installed.appDirectory + "\\Setup.log",
              "[COMMON]\r\nApplication_Name=Relay Test\r\n[APPFILES]\r\n" + installed.appDirectory +
                  "\\a.txt\r\n[APPDIR]\r\n" + installed.appDirectory + "\r\n");
    const std::string copy = installed.tempDirectory + "\\Del1.tmp";
    ASSERT_TRUE(CopyFileA(installed.program.c_str(), copy.c_str(), FALSE));
    for (const char* handles : {"0", "0:0:0", "0:4:8"}) {
        const ObservedRun run =
            runObserved("\"" + copy + "\" " + handles + " \"" + installed.program + "\" \"" +
                            installed.appDirectory + "\\ \" /S",
                        kTimeoutMs, copy);
        ASSERT_TRUE(run.started);
        ASSERT_FALSE(run.timedOut);
        ASSERT_EQ(run.processes.size(), 1u);
        EXPECT_EQ(run.processes[0].exitCode, 2u) << handles;
        EXPECT_TRUE(fileExists(installed.appDirectory + "\\a.txt")) << handles;
    }
}

TEST(PrivateFolder, DescriptorLetsInOnlySystemAdministratorsAndAnUnelevatedUser) {
    BYTE system[SECURITY_MAX_SID_SIZE], administrators[SECURITY_MAX_SID_SIZE],
        high[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof system;
    CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &size);
    size = sizeof administrators;
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size);
    size = sizeof high;
    CreateWellKnownSid(WinHighLabelSid, nullptr, high, &size);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    const win32::Handle ownedToken(token);
    BYTE user[512];
    DWORD length = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof user, &length));

    for (const bool elevated : {false, true}) {
        SCOPED_TRACE(elevated ? "elevated" : "not elevated");
        PrivateFolderSecurity security(elevated);
        ASSERT_TRUE(security.valid());
        const auto descriptor =
            static_cast<PSECURITY_DESCRIPTOR>(security.attributes()->lpSecurityDescriptor);
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
        EXPECT_NE(control & SE_DACL_PROTECTED, 0) << "nothing inherited from the temporary folder";
        BOOL present = FALSE, defaulted = FALSE;
        PACL acl = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted));
        ASSERT_TRUE(present && acl != nullptr);
        // Elevated, the user's own programs without elevation are kept out too.
        std::vector<PSID> expected = {system, administrators};
        if (!elevated)
            expected.push_back(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
        ASSERT_EQ(acl->AceCount, expected.size());
        for (DWORD i = 0; i < acl->AceCount; ++i) {
            void* entry = nullptr;
            ASSERT_TRUE(GetAce(acl, i, &entry));
            const auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
            EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
            EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
            EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
            EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&ace->SidStart), expected[i])) << i;
        }
        PACL label = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorSacl(descriptor, &present, &label, &defaulted));
        if (!elevated) {
            EXPECT_FALSE(present && label != nullptr) << "no label without elevation";
            continue;
        }
        ASSERT_TRUE(present && label != nullptr);
        ASSERT_EQ(label->AceCount, 1u);
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(label, 0, &entry));
        const auto* ace = static_cast<SYSTEM_MANDATORY_LABEL_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, SYSTEM_MANDATORY_LABEL_ACE_TYPE);
        EXPECT_EQ(ace->Mask, static_cast<DWORD>(SYSTEM_MANDATORY_LABEL_NO_WRITE_UP));
        EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&ace->SidStart), high)) << "high integrity";
    }
}

TEST(PrivateFolder, FoldersGetNewUnguessableNamesAndAreHeldFromTheStart) {
    TempDirectory root("private");
    PrivateFolder first = createPrivateFolder(root.path(), productAccount()),
                  second = createPrivateFolder(root.path() + "\\", productAccount());
    ASSERT_FALSE(first.path.empty());
    ASSERT_FALSE(second.path.empty());
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(first.path.substr(0, root.path().size() + 1), root.path() + "\\");
    EXPECT_TRUE(isPrivateFolderName(first.path.substr(root.path().size() + 1)));
    EXPECT_TRUE(liesInPrivateFolder(first.path + "\\Del1.tmp", root.path()));
    EXPECT_TRUE(liesInPrivateFolder(first.path + "\\Del1.tmp", root.path() + "\\"));
    EXPECT_FALSE(liesInPrivateFolder(first.path + "\\sub\\Del1.tmp", root.path()));
    EXPECT_FALSE(liesInPrivateFolder(root.file("Del1.tmp"), root.path()));
    EXPECT_FALSE(liesInPrivateFolder(root.file("Uninstall-0123\\Del1.tmp"), root.path()));
    EXPECT_TRUE(createPrivateFolder(root.file("missing"), productAccount()).path.empty());

    // Held, as the folder that was checked (Wine, unlike Windows, still lets a folder held
    // without delete sharing be renamed, so only the identity can be shown here).
    ASSERT_TRUE(first.handle);
    EXPECT_TRUE(win32::sameFile(first.handle.get(), first.path));
    writeFile(first.path + "\\Del1.tmp", "copy");
    EXPECT_TRUE(fileExists(first.path + "\\Del1.tmp")) << "files go in as usual";
    DeleteFileA((first.path + "\\Del1.tmp").c_str());
    first.handle.reset();
    EXPECT_TRUE(RemoveDirectoryA(first.path.c_str()));
}

TEST(PrivateFolder, AnElevatedRunKeepsItsCopyOutOfTheAccountsOwnTemporaryFolder) {
    TempDirectory root("private root");
    const EnvironmentOverride tmp("TMP", root.path());
    const EnvironmentOverride temp("TEMP", root.path());
    const std::string chosen = privateFolderRoot();
    ASSERT_FALSE(chosen.empty());
    EXPECT_EQ(chosen.back(), '\\');
    if (!runsElevated()) {
        EXPECT_TRUE(samePathText(chosen, root.path() + "\\"));
        return;
    }
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_TRUE(samePathText(chosen, std::string(windows) + "\\Temp\\")) << chosen;
    PrivateFolder folder = createPrivateFolder(chosen, productAccount());
    ASSERT_FALSE(folder.path.empty()) << "only administrators may change " << chosen;
    folder.handle.reset();
    RemoveDirectoryA(folder.path.c_str());
}

TEST(PrivateFolder, TheCopyGoesAtTheBootOnlyFromAFolderNoOneElseMayReroute) {
    const std::string root = privateFolderRoot();
    ASSERT_FALSE(root.empty());
    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "open to everyone" : "as made");
        // As the relay counts the account, from the label it tries where it starts.
        trustedAccount = productAccount();
        PrivateFolder folder = createPrivateFolder(root, trustedAccount);
        ASSERT_FALSE(folder.path.empty());
        const std::string copy = folder.path + "\\Del1.tmp";
        writeFile(copy, "copy");
        if (open) {
            PSECURITY_DESCRIPTOR everyone = nullptr;
            ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
                "D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &everyone, nullptr));
            const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(everyone);
            ASSERT_TRUE(SetFileSecurityA(folder.path.c_str(), DACL_SECURITY_INFORMATION, everyone));
        }
        const auto before = pendingOperations();
        EXPECT_EQ(scheduleCopyRemoval(copy), !open);
        EXPECT_EQ(pendingDeleteOf(copy), !open);
        if (open) {
            EXPECT_EQ(pendingOperations(), before) << "the boot would delete through a swap";
            folder.handle.reset();
            DeleteFileA(copy.c_str());
            RemoveDirectoryA(folder.path.c_str());
        }
    }
}

TEST(VerifiedCopy, OnlyAByteIdenticalCopyIsHandedOutAndThenHeld) {
    TempDirectory root("verify");
    const std::string program = root.file("program.exe");
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7919 % 251);
    writeFile(program, bytes);
    std::string flipped = bytes;
    flipped[150000] ^= 1;
    writeFile(root.file("same.tmp"), bytes);
    writeFile(root.file("flipped.tmp"), flipped);
    writeFile(root.file("short.tmp"), bytes.substr(0, bytes.size() - 1));
    writeFile(root.file("long.tmp"), bytes + "x");
    for (const char* name : {"flipped.tmp", "short.tmp", "long.tmp", "missing.tmp"})
        EXPECT_FALSE(openIfIdentical(program, root.file(name))) << name;

    const win32::Handle held = openIfIdentical(program, root.file("same.tmp"));
    ASSERT_TRUE(held);
    const win32::Handle writer(CreateFileA(root.file("same.tmp").c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer) << "no one writes the checked copy";
    EXPECT_FALSE(DeleteFileA(root.file("same.tmp").c_str()));
    EXPECT_FALSE(MoveFileA(root.file("same.tmp").c_str(), root.file("moved.tmp").c_str()));
}

TEST(PrivateFolder, ARunRemovesTheCopiesOfKilledRunsAndLeavesWhatIsHeldOrNotOnlyOurs) {
    Installation installed;
    const std::string root = installed.privateRoot();
    ASSERT_FALSE(root.empty());
    // A run killed before its end scheduled nothing: its copy, and the program it had moved
    // there (read-only, as a user may have made it), stay for good unless a later run takes them.
    PrivateFolder killed = createPrivateFolder(root, productAccount());
    ASSERT_FALSE(killed.path.empty());
    writeFile(killed.path + "\\Del1A2B.tmp", "a copy");
    writeFile(killed.path + "\\uninstall.exe", "the program moved aside");
    SetFileAttributesA((killed.path + "\\uninstall.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    killed.handle.reset();
    // A link in a killed run's folder goes, if at all, as a link: what it leads to stays.
    writeFile(installed.root.file("theirs.txt"), "another program's file");
    PrivateFolder linked = createPrivateFolder(root, productAccount());
    ASSERT_FALSE(linked.path.empty());
    ASSERT_TRUE(makeLink(installed.root.file("theirs.txt"), linked.path + "\\Del9.tmp"));
    linked.handle.reset();
    // A run still going holds its folder and its copy.
    PrivateFolder running = createPrivateFolder(root, productAccount());
    ASSERT_FALSE(running.path.empty());
    writeFile(running.path + "\\Del3C4D.tmp", "a running copy");
    win32::Handle runningCopy(CreateFileA((running.path + "\\Del3C4D.tmp").c_str(), GENERIC_READ,
                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(runningCopy);
    // A folder of that name that others may change is no folder of ours.
    PrivateFolder open = createPrivateFolder(root, productAccount());
    ASSERT_FALSE(open.path.empty());
    writeFile(open.path + "\\Del5E6F.tmp", "someone's file");
    PSECURITY_DESCRIPTOR everyone = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &everyone, nullptr));
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(everyone);
    ASSERT_TRUE(SetFileSecurityA(open.path.c_str(), DACL_SECURITY_INFORMATION, everyone));
    open.handle.reset();
    // An empty one may be a new run's, made an instant before that run holds it.
    PrivateFolder fresh = createPrivateFolder(root, productAccount());
    ASSERT_FALSE(fresh.path.empty());
    fresh.handle.reset();

    const ObservedRun run = installed.run("");
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    EXPECT_FALSE(fileExists(killed.path)) << "the killed run's copy and folder are gone";
    EXPECT_EQ(readFile(installed.root.file("theirs.txt")), "another program's file");
    EXPECT_TRUE(fileExists(running.path + "\\Del3C4D.tmp"));
    EXPECT_TRUE(fileExists(open.path + "\\Del5E6F.tmp"));
    EXPECT_TRUE(fileExists(fresh.path));

    // What the test made goes, the running run's too, so that no later run finds it stale.
    runningCopy.reset();
    running.handle.reset();
    SetFileAttributesA((killed.path + "\\uninstall.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const std::string& file :
         {killed.path + "\\Del1A2B.tmp", killed.path + "\\uninstall.exe",
          linked.path + "\\Del9.tmp", open.path + "\\Del5E6F.tmp", running.path + "\\Del3C4D.tmp"})
        DeleteFileA(file.c_str());
    for (const PrivateFolder* folder : {&killed, &linked, &open, &fresh, &running})
        RemoveDirectoryA(folder->path.c_str());
}

// A folder of the private folders' name that a run cannot even open to judge (here its path is
// too long for the names the run uses; elsewhere one whose permissions keep administrators out)
// is listed with the reason, never passed over as if a running copy held it.
TEST(PrivateFolder, ALeftoverThatCannotBeOpenedIsListedWithTheReason) {
    const TempDirectory root("unopened");
    const std::string deep = root.path() + "\\" + std::string(200, 'd');
    const std::string folder = deep + "\\Uninstall-0123456789abcdef0123456789abcdef";
    const auto extended = [](const std::string& path) {
        return L"\\\\?\\" + std::wstring(path.begin(), path.end());
    };
    ASSERT_LT(deep.size() + 12, static_cast<std::size_t>(MAX_PATH)) << "its folder is listed";
    ASSERT_GT(folder.size(), static_cast<std::size_t>(MAX_PATH));
    ASSERT_TRUE(CreateDirectoryW(extended(deep).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(extended(folder).c_str(), nullptr));
    const std::vector<KeptFolder> kept = removeStaleFolders(deep, productAccount());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].path, folder);
    EXPECT_NE(kept[0].openError, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(RemoveDirectoryW(extended(folder).c_str())) << "it was left as it was";
    RemoveDirectoryW(extended(deep).c_str());
}
