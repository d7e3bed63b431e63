// Removal at restart on both Windows families: the NT family through the system's pending
// file operations, the 95 family through WinInit.Ini, for which a helper program runs with
// Wine told to report Windows 98 to it.
#include "engine/RestartRemoval.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"

#include <sddl.h>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 30000;
const std::string kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPending[] = "PendingFileRenameOperations";

// Opened without delete sharing, so DeleteFileA fails while it is held.
win32::Handle lock(const std::string& path) {
    return win32::Handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string windowsDirectory() {
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, MAX_PATH);
    return directory;
}

class NtFamily : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = readValue(HKEY_LOCAL_MACHINE, kSessionManager, kPending, &type_);
    }
    void TearDown() override {
        if (type_ == REG_NONE)
            deleteValue(HKEY_LOCAL_MACHINE, kSessionManager, kPending);
        else
            setValue(HKEY_LOCAL_MACHINE, kSessionManager, kPending, type_, saved_.data(),
                     static_cast<DWORD>(saved_.size()));
    }
    TempDirectory dir_{"restart"};
    std::vector<BYTE> saved_;
    DWORD type_ = REG_NONE;
};

// The 95 family: WinInit.Ini in the Windows directory, edited by the helper program.
class NinetyFiveFamily : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setString(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\restart_win98.exe", "Version",
                  "win98");
    }
    static void TearDownTestSuite() {
        deleteTree(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\restart_win98.exe");
    }
    void SetUp() override { DeleteFileA(winInit_.c_str()); }
    void TearDown() override { DeleteFileA(winInit_.c_str()); }

    DWORD helper(const std::string& arguments) {
        DWORD exitCode = 0;
        EXPECT_TRUE(runAndWait("\"" + binaryDirectory() + "\\restart_win98.exe\" " + arguments,
                               kTimeoutMs, exitCode));
        return exitCode;
    }
    std::string winInit() {
        return fileExists(winInit_) ? readFile(winInit_) : std::string("<missing>");
    }

    TempDirectory dir_{"restart95"};
    std::string winInit_ = windowsDirectory() + "\\WinInit.Ini";
};

} // namespace

TEST_F(NtFamily, UnlockedFileIsDeletedAtOnceAndNothingIsScheduled) {
    const std::string path = dir_.file("free.dll");
    writeFile(path, "x");
    const auto before = pendingOperations();
    EXPECT_EQ(deleteNowOrAtRestart(path, productAccount()).outcome, Removal::Outcome::Removed);
    EXPECT_FALSE(fileExists(path));
    EXPECT_EQ(pendingOperations(), before);
}

// Where files carry labels, an elevated run's own account counts only on what is labelled high:
// the account's programs without elevation could swap the folder for a junction before the boot.
// Wine gives every folder to the account and labels none, so there a real folder is refused by
// its owner.
TEST_F(NtFamily, AFileInAFolderItsOwnerMayRerouteIsNotScheduledWhereLabelsCount) {
    const std::string locked = dir_.file("owned.dll");
    writeFile(locked, "x");
    {
        const win32::Handle holder = lock(locked);
        ASSERT_TRUE(holder.valid());
        EXPECT_EQ(deleteNowOrAtRestart(locked, strictAccount()).outcome,
                  Removal::Outcome::Redirected);
        EXPECT_FALSE(scheduleFolderAtRestart(dir_.path(), strictAccount()));
    }
    EXPECT_FALSE(pendingDeleteOf(locked)) << ::testing::PrintToString(pendingOperations());
    EXPECT_TRUE(fileExists(locked));
}

TEST_F(NtFamily, LockedFilesAreScheduledForDeletionAndMissingOnesAreNot) {
    const std::string locked = dir_.file("locked.dll"), missing = dir_.file("missing.dll");
    writeFile(locked, "x");
    {
        const win32::Handle holder = lock(locked);
        ASSERT_TRUE(holder.valid());
        EXPECT_EQ(deleteNowOrAtRestart(locked, productAccount()).outcome,
                  Removal::Outcome::Scheduled);
        EXPECT_TRUE(fileExists(locked));
    }
    EXPECT_EQ(deleteNowOrAtRestart(missing, productAccount()).outcome, Removal::Outcome::Missing);
    EXPECT_TRUE(pendingDeleteOf(locked)) << ::testing::PrintToString(pendingOperations());
    EXPECT_FALSE(pendingDeleteOf(missing))
        << "a file of that name installed later must not vanish at the next boot";
    EXPECT_EQ(deleteNowOrAtRestart(dir_.file("nofolder\\missing.dll"), productAccount()).outcome,
              Removal::Outcome::Missing);
    EXPECT_FALSE(pendingDeleteOf(dir_.file("nofolder\\missing.dll")));
    EXPECT_FALSE(fileExists(windowsDirectory() + "\\WinInit.Ini"))
        << "WinInit.Ini is the 95 family's";
}

TEST_F(NtFamily, FileReachedThroughALinkIsNeitherDeletedNorScheduled) {
    const std::string victims = dir_.file("victims"), product = dir_.file("product");
    CreateDirectoryA(victims.c_str(), nullptr);
    CreateDirectoryA(product.c_str(), nullptr);
    writeFile(victims + "\\system.dll", "someone else's");
    writeFile(victims + "\\held.dll", "someone else's, in use");
    ASSERT_TRUE(makeLink(victims, product + "\\linked"));
    const auto before = pendingOperations();
    EXPECT_EQ(deleteNowOrAtRestart(product + "\\linked\\system.dll", productAccount()).outcome,
              Removal::Outcome::Redirected);
    EXPECT_TRUE(fileExists(victims + "\\system.dll"));
    // In use, it cannot be opened for deletion, but still for a look at what it really is.
    const win32::Handle holder = lock(victims + "\\held.dll");
    ASSERT_TRUE(holder.valid());
    EXPECT_EQ(deleteNowOrAtRestart(product + "\\linked\\held.dll", productAccount()).outcome,
              Removal::Outcome::Redirected);
    // Nor in a folder that others may swap for a junction before the boot deletes by name.
    const std::string open = dir_.file("open");
    CreateDirectoryA(open.c_str(), nullptr);
    writeFile(open + "\\held.dll", "in use");
    const win32::Handle openHolder = lock(open + "\\held.dll");
    ASSERT_TRUE(openHolder.valid());
    EXPECT_FALSE(othersMayReroute(open + "\\held.dll", productAccount()));
    PSECURITY_DESCRIPTOR everyone = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &everyone, nullptr));
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(everyone);
    ASSERT_TRUE(SetFileSecurityA(open.c_str(), DACL_SECURITY_INFORMATION, everyone));
    EXPECT_TRUE(othersMayReroute(open + "\\held.dll", productAccount()));
    EXPECT_EQ(deleteNowOrAtRestart(open + "\\held.dll", productAccount()).outcome,
              Removal::Outcome::Redirected);
    EXPECT_EQ(pendingOperations(), before) << "the boot would delete the link's target";
}

TEST_F(NtFamily, OnlyAFileInUseWaitsForTheRestart) {
    EXPECT_TRUE(waitsForRestart(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(waitsForRestart(ERROR_LOCK_VIOLATION));
    for (const DWORD error : {ERROR_ACCESS_DENIED, ERROR_WRITE_PROTECT, ERROR_FILE_NOT_FOUND})
        EXPECT_FALSE(waitsForRestart(error)) << error;

    // What cannot be deleted now for another reason stays, and nothing waits for the boot.
    const auto before = pendingOperations();
    const Removal folder = deleteNowOrAtRestart(dir_.path(), productAccount());
    EXPECT_EQ(folder.outcome, Removal::Outcome::Failed) << "a folder named as a file";
    EXPECT_EQ(folder.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(deleteNowOrAtRestart(windowsDirectory(), productAccount()).outcome,
              Removal::Outcome::Failed);
    EXPECT_EQ(pendingOperations(), before);

    const std::string readOnly = dir_.file("ro.dll");
    writeFile(readOnly, "x");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(deleteNowOrAtRestart(readOnly, productAccount()).outcome, Removal::Outcome::Removed)
        << "an administrator may clear the attribute, so it goes now";
}

TEST_F(NtFamily, MoveAtRestartSchedulesTheOwnCopy) {
    const std::string copy = dir_.file("Del1234.tmp");
    writeFile(copy, "x");
    EXPECT_TRUE(moveAtRestart(copy));
    EXPECT_TRUE(pendingDeleteOf(copy));
}

TEST_F(NinetyFiveFamily, HelperSeesWindows98) {
    EXPECT_EQ(helper("platform"), static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
}

TEST_F(NinetyFiveFamily, MissingFileGetsHeaderAndRecordOnly) {
    EXPECT_EQ(helper("wininit C:\\App\\a.dll"), 1u);
    EXPECT_EQ(winInit(), "[Rename]\r\nNUL=C:\\App\\a.dll\r\n");
    EXPECT_EQ(winInit().size(), 28u);
}

TEST_F(NinetyFiveFamily, NewRecordsGoFirstUnderTheHeader) {
    const std::string before =
        "[boot]\r\nshell=x\r\n[Rename]\r\nNUL=C:\\old.dll\r\n[other]\r\na=b\r\n";
    writeFile(winInit_, before);
    EXPECT_EQ(helper("wininit C:\\App\\one.dll"), 1u);
    EXPECT_EQ(helper("wininit C:\\App\\two.dll C:\\App\\new.dll"), 1u);
    EXPECT_EQ(winInit(), "[boot]\r\nshell=x\r\n[Rename]\r\nC:\\App\\new.dll=C:\\App\\two.dll\r\n"
                         "NUL=C:\\App\\one.dll\r\nNUL=C:\\old.dll\r\n[other]\r\na=b\r\n");
}

TEST_F(NinetyFiveFamily, HeaderInOtherCaseIsNotRecognised) {
    writeFile(winInit_, "[rename]\r\nNUL=C:\\old.dll\r\n");
    EXPECT_EQ(helper("wininit C:\\a.dll"), 1u);
    EXPECT_EQ(winInit(), "[rename]\r\nNUL=C:\\old.dll\r\n[Rename]\r\nNUL=C:\\a.dll\r\n");
}

TEST_F(NinetyFiveFamily, HeaderAfterALastLineWithoutLineBreakStartsALineOfItsOwn) {
    writeFile(winInit_, "[boot]\r\nshell=x");
    EXPECT_EQ(helper("wininit C:\\a.dll"), 1u);
    EXPECT_EQ(winInit(), "[boot]\r\nshell=x\r\n[Rename]\r\nNUL=C:\\a.dll\r\n");
}

TEST_F(NinetyFiveFamily, FileHeldByAnotherProgramIsLeftUnchanged) {
    writeFile(winInit_, "[Rename]\r\n");
    const win32::Handle holder(CreateFileA(winInit_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    EXPECT_EQ(helper("wininit C:\\a.dll"), 0u);
    EXPECT_EQ(winInit(), "[Rename]\r\n");
}

TEST_F(NinetyFiveFamily, RecordTooLongForItsBufferIsRefusedWhole) {
    writeFile(winInit_, "[Rename]\r\n");
    EXPECT_EQ(helper("wininit C:\\" + std::string(1020, 'x')), 0u);
    EXPECT_EQ(winInit(), "[Rename]\r\n");
    EXPECT_EQ(helper("wininit C:\\" + std::string(1000, 'x')), 1u)
        << "a record that fits is written";
}

TEST_F(NinetyFiveFamily, LockedFileIsRecordedAndFreeFileDeletedAtOnce) {
    const std::string locked = dir_.file("locked.dll"), free = dir_.file("free.dll");
    writeFile(locked, "x");
    writeFile(free, "x");
    {
        const win32::Handle holder = lock(locked);
        ASSERT_TRUE(holder.valid());
        EXPECT_EQ(helper("delete \"" + locked + "\""), 0u);
    }
    EXPECT_EQ(winInit(), "[Rename]\r\nNUL=" + locked + "\r\n");
    EXPECT_EQ(helper("delete \"" + free + "\""), 0u);
    EXPECT_FALSE(fileExists(free));
    EXPECT_EQ(winInit(), "[Rename]\r\nNUL=" + locked + "\r\n")
        << "WinInit.Ini untouched for a free file";
}
