// What an elevated run may load or start: the decision on descriptors built here, including
// what Wine cannot show (its files carry their owner's and Everyone's entries only).
#include "engine/TrustedCode.h"
#include "engine/PreUninstallProgram.h"
#include "support/WinTestSupport.h"
#include "win32/AccessRights.h"

#include <sddl.h>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class Descriptor {
public:
    explicit Descriptor(const wchar_t* sddl) {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_,
                                                             nullptr);
    }
    ~Descriptor() { LocalFree(descriptor_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    PSECURITY_DESCRIPTOR get() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// What setup gives what it installs: only administrators change it, users read and run it.
constexpr wchar_t kProtected[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

} // namespace

TEST(TrustedCode, OnlyAdministratorsMayChangeTheFileOrItsFolder) {
    const Descriptor protectedOne(kProtected);
    ASSERT_NE(protectedOne.get(), nullptr);
    EXPECT_FALSE(othersMayChangeCode(protectedOne.get(), protectedOne.get(), {}));
    struct Case {
        const wchar_t* file;
        const wchar_t* folder;
        const char* why;
    };
    const Case exposed[] = {
        // A folder below C:\ProgramData: users may create files (and folders) in it.
        {kProtected, L"O:SYD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x116;;;BU)",
         "users may plant a library beside it"},
        {kProtected, L"O:BAD:(A;;FA;;;BA)(A;;0x1301ff;;;WD)", "Everyone full control (Wine's 777)"},
        {kProtected, L"O:BAD:(A;;FA;;;BA)(A;;0x40;;;AU)", "users may delete what it holds"},
        {kProtected, L"O:BAD:(A;;FA;;;BA)(A;;0x40000;;;IU)", "users may change its permissions"},
        {L"O:BAD:(A;;FA;;;BA)(A;;0x2;;;BU)", kProtected, "users may write the file"},
        {L"O:BAD:(A;;FA;;;BA)(A;;0x10000;;;AU)", kProtected, "users may delete or rename it"},
        {L"O:BAD:(A;;FA;;;BA)(A;;0x80000;;;WD)", kProtected, "anyone may take it over"},
        {L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;BA)", kProtected, "its owner may change permissions"},
        {L"O:BA", kProtected, "no access list: everyone may do everything"},
    };
    for (const Case& check : exposed) {
        const Descriptor file(check.file), folder(check.folder);
        ASSERT_NE(file.get(), nullptr) << check.why;
        ASSERT_NE(folder.get(), nullptr) << check.why;
        EXPECT_TRUE(othersMayChangeCode(file.get(), folder.get(), {})) << check.why;
    }
    EXPECT_TRUE(othersMayChangeCode(nullptr, protectedOne.get(), {})) << "unreadable";
    EXPECT_TRUE(othersMayChangeCode(protectedOne.get(), nullptr, {})) << "unreadable";
    // A deny entry takes away only what it names; reading and running is no change.
    const Descriptor denied(L"O:BAD:(D;;0x116;;;BU)(A;;FA;;;BA)(A;;FA;;;BU)"),
        readable(L"O:BAD:(A;;FA;;;BA)(A;;0x1200a9;;;WD)");
    EXPECT_TRUE(othersMayChangeCode(protectedOne.get(), denied.get(), {}))
        << "no files created, but still deleted or renamed";
    EXPECT_FALSE(othersMayChangeCode(readable.get(), readable.get(), {}));
}

TEST(TrustedCode, AnAccountCountsOnlyWhereItIsTrusted) {
    const Descriptor owned(L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;SY)(A;;FA;;;S-1-5-21-1-2-3-1001)");
    PSID account = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-21-1-2-3-1001", &account));
    const win32::LocalMemory<PSID> owner(account);
    EXPECT_TRUE(othersMayChangeCode(owned.get(), owned.get(), {})) << "no user trusted";
    EXPECT_TRUE(othersMayChangeCode(owned.get(), owned.get(), win32::copySid(account)))
        << "its programs without elevation hold the account too";
    EXPECT_FALSE(othersMayChangeCode(owned.get(), owned.get(),
                                     win32::RunningAccount(win32::copySid(account), false)))
        << "where files carry no labels, the account's programs all run with its rights";
    // Everything but deleting what it holds, which no write up does not keep from its programs.
    const Descriptor labelled(
        L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;SY)(A;;0x1301bf;;;S-1-5-21-1-2-3-1001)S:(ML;;NW;;;HI)");
    EXPECT_FALSE(othersMayChangeCode(labelled.get(), labelled.get(), win32::copySid(account)));
    EXPECT_TRUE(othersMayChangeCode(labelled.get(), owned.get(), win32::copySid(account)))
        << "the folder is not labelled";
    const Descriptor deletable(
        L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;SY)(A;;FA;;;S-1-5-21-1-2-3-1001)S:(ML;;NW;;;HI)");
    EXPECT_TRUE(othersMayChangeCode(labelled.get(), deletable.get(), win32::copySid(account)))
        << "its programs may delete what the folder holds";
    EXPECT_TRUE(othersMayPlantIn(owned.get(), {}));
}

TEST(TrustedCode, AFileInAFolderOthersMayChangeIsNotHeld) {
    TempDirectory dir("trustedcode");
    const std::string safe = dir.file("safe"), open = dir.file("open");
    for (const std::string& folder : {safe, open}) {
        CreateDirectoryA(folder.c_str(), nullptr);
        writeFile(folder + "\\server.dll", "code");
    }
    {
        const HeldCode held = holdTrustedCode(safe + "\\server.dll", productAccount());
        ASSERT_TRUE(held) << held.why;
        // Held: nobody can replace, rename or delete it meanwhile.
        EXPECT_FALSE(
            MoveFileExA((safe + "\\server.dll").c_str(), (safe + "\\moved.dll").c_str(), 0));
        EXPECT_FALSE(DeleteFileA((safe + "\\server.dll").c_str()));
        const win32::Handle writer(CreateFileA((safe + "\\server.dll").c_str(), GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(writer.valid());
        EXPECT_EQ(whyFolderIsExposed(safe, productAccount()), "");
    }
    ASSERT_TRUE(allowEveryone(open));
    const HeldCode exposed = holdTrustedCode(open + "\\server.dll", productAccount());
    EXPECT_FALSE(exposed);
    EXPECT_EQ(exposed.why, kOthersMayChangeIt);
    EXPECT_EQ(exposed.error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(whyFolderIsExposed(open, productAccount()), kOthersMayChangeIt);
    EXPECT_EQ(whyFolderIsExposed(open + "\\", productAccount()), kOthersMayChangeIt);
    const HeldCode missing = holdTrustedCode(safe + "\\missing.dll", productAccount());
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Where files carry labels, the elevated run's own account counts only on what is labelled high
// with no write up. Wine gives every file to the account and labels none: there the real program,
// its folder and the folder it starts in are refused by their owner.
TEST(TrustedCode, TheAccountsOwnProgramIsNotTrustedWhereLabelsCount) {
    TempDirectory dir("strictcode");
    const std::string folder = dir.file("tools");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string program = folder + "\\Pre.exe";
    ASSERT_TRUE(CopyFileA((binaryDirectory() + "\\recorder.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(holdTrustedCode(program, productAccount())) << "where no label is kept";
    const HeldCode held = holdTrustedCode(program, strictAccount());
    EXPECT_FALSE(held);
    EXPECT_EQ(held.why, kOthersMayChangeIt);
    EXPECT_EQ(whyFolderIsExposed(folder, strictAccount()), kOthersMayChangeIt);
    EXPECT_EQ(
        PreUninstallProgram(program + ",/strict," + folder, dir.path() + "\\", strictAccount())
            .whyRefused(),
        kOthersMayChangeIt);
    EXPECT_EQ(
        PreUninstallProgram(program + ",/strict," + folder, dir.path() + "\\", productAccount())
            .whyRefused(),
        "");
}
