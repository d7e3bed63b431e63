// Who besides the administrators may change a folder or file, judged from its security
// descriptor; Wine keeps no access lists of its own, so the descriptors are built here.
#include "startup/LogTrust.h"
#include "support/WinTestSupport.h"
#include "win32/AccessRights.h"

#include <gtest/gtest.h>

#include <sddl.h>

using namespace testsupport;

namespace {

const char kUser[] = "S-1-5-21-1-2-3-1001";

// What nonAdministratorAccess says about the descriptor in SDDL, for every right that counts:
// "" when only administrators may change it, else who may and what.
// "no list" stands for a descriptor without an access list (Wine reads "D:NO_ACCESS_CONTROL"
// as an empty one).
std::string exposure(const std::string& sddl, const std::vector<BYTE>& trusted = {}) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_DESCRIPTOR noList = {};
    InitializeSecurityDescriptor(&noList, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&noList, TRUE, nullptr, FALSE);
    if (sddl != "no list" && !ConvertStringSecurityDescriptorToSecurityDescriptorA(
                                 sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return "unreadable SDDL";
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    if (descriptor == nullptr)
        descriptor = &noList;
    const win32::Exposure found =
        win32::nonAdministratorAccess(descriptor, win32::kChangeRights, trusted);
    const std::wstring text = found ? found.text() : L"";
    return std::string(text.begin(), text.end());
}

std::vector<BYTE> sidOf(const char* text) {
    PSID sid = nullptr;
    ConvertStringSidToSidA(text, &sid);
    const win32::LocalMemory<PSID> owned(sid);
    return win32::copySid(sid);
}

} // namespace

TEST(AccessRights, EntriesThatLetOthersChangeAFolder) {
    const std::string user = kUser;
    const std::pair<std::string, std::string> cases[] = {
        // What the setup program gives its folders, and Program Files' own entries.
        {"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", ""},
        {"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
         "D:(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
         "(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)",
         ""},
        // Inherited from a drive's root: Authenticated Users may modify.
        {"O:BAD:(A;OICIID;FA;;;SY)(A;OICIID;0x1301bf;;;AU)",
         "Authenticated Users may write or create files in it."},
        // Only passed on to what is created inside: the folder itself is safe.
        {"O:BAD:(A;OICIIO;GA;;;AU)(A;CIIO;GA;;;CO)(A;;0x1200a9;;;BU)", ""},
        {"O:BAD:(A;;FW;;;WD)", "Everyone may write or create files in it."},
        {"O:BAD:(A;;0x4;;;BU)", "Users may write or create files in it."},
        {"O:BAD:(A;;WD;;;IU)", "S-1-5-4 may change its permissions."},
        {"O:BAD:(A;;GA;;;" + user + ")", user + " may write or create files in it, delete what it "
                                                "holds, change its permissions."},
        {"no list", "Everyone may write or create files in it, delete what it holds, change its "
                    "permissions."},
        // Deny entries take away what was not granted before them.
        {"O:BAD:(D;;0xc0040;;;WD)(A;;FA;;;BU)", "Users may write or create files in it."},
        {"O:BAD:(D;;0xc0046;;;WD)(A;ID;0x1301ff;;;BU)", ""},
        {"O:BAD:(A;;0x1301ff;;;BU)(D;ID;0x46;;;WD)",
         "Users may write or create files in it, delete what it holds."},
        {"O:BAD:(D;;FA;;;" + user + ")(A;;FA;;;AU)",
         "Authenticated Users may write or create files in it, delete what it holds, change its "
         "permissions."},
        // The owner may always change the permissions, unless OWNER RIGHTS says otherwise.
        {"O:" + user + "D:(A;;FA;;;SY)(A;;0x1200a9;;;BU)",
         "Its owner (" + user + ") may change its permissions."},
        {"O:" + user + "D:(A;;FA;;;SY)(A;;0x1200a9;;;OW)", ""},
        {"O:" + user + "D:(A;;FA;;;SY)(A;;0x2;;;OW)",
         "Its owner (" + user + ") may write or create files in it."},
        {"O:SYD:(A;;FA;;;SY)(A;;FA;;;BA)", ""},
    };
    for (const auto& [sddl, expected] : cases)
        EXPECT_EQ(exposure(sddl), expected) << sddl;
    // The administrator running the program is one of the administrators.
    EXPECT_EQ(exposure("O:" + user + "D:(A;;FA;;;" + user + ")", sidOf(kUser)), "");
    EXPECT_EQ(exposure("O:BAD:(A;;FA;;;" + user + ")(A;;FW;;;BU)", sidOf(kUser)),
              "Users may write or create files in it.");
}

TEST(AccessRights, TheSetupProgramsFoldersAreProtectedFromInheritance) {
    win32::ProtectedFolderSecurity security;
    ASSERT_TRUE(security.valid());
    LPSTR text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(
        security.descriptor(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const win32::LocalMemory<LPSTR> owned(text);
    EXPECT_STREQ(text, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    EXPECT_FALSE(win32::nonAdministratorAccess(security.descriptor(), win32::kChangeRights));
}

// Wine derives the lists from the Unix modes: its user, an administrator, owns everything, and
// a mode that lets others write becomes an Everyone entry that does.
TEST(LogTrust, ALogOrFolderThatOthersMayChangeIsNotTrusted) {
    TempDirectory app("logtrust");
    writeFile(app.file("Setup.log"), "[COMMON]\r\n");
    const std::string directory = app.path() + "\\";
    const std::vector<BYTE> administrator = win32::processUserSid();
    EXPECT_EQ(whyLogIsUntrusted(directory, administrator), "");

    PSECURITY_DESCRIPTOR open = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open, nullptr));
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(open);
    ASSERT_TRUE(SetFileSecurityA(app.file("Setup.log").c_str(), DACL_SECURITY_INFORMATION, open));
    const std::string why = whyLogIsUntrusted(directory, administrator);
    EXPECT_EQ(why.find("\"" + app.file("Setup.log") + "\" can be changed"), 0u) << why;
    EXPECT_NE(why.find("Everyone may write"), std::string::npos) << why;
    EXPECT_EQ(whyLogIsUntrusted(directory, {}).find("\"" + app.path() + "\""), 0u)
        << "the folder is its owner's, who is no administrator unless running us";
}
