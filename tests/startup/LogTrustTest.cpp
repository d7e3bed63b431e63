// Who besides the administrators may change a folder or file, judged from its security
// descriptor; Wine keeps no access lists of its own, so the descriptors are built here.
#include "startup/LogTrust.h"
#include "support/WinTestSupport.h"
#include "win32/AccessRights.h"
#include "win32/IntegrityLabel.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <cstddef>
#include <initializer_list>
#include <vector>

using namespace testsupport;

namespace {

const char kUser[] = "S-1-5-21-1-2-3-1001";

// What nonAdministratorAccess says about the descriptor in SDDL, for every right that counts:
// "" when only administrators may change it, else who may and what.
// "no list" stands for a descriptor without an access list (Wine reads "D:NO_ACCESS_CONTROL"
// as an empty one).
std::string exposure(const std::string& sddl, const win32::RunningAccount& trusted = {}) {
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

// A reason as plain text: the paths and names these tests use are ASCII.
std::string plain(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// An account as the judgement names it: by the name the system knows, and its SID.
std::string named(const char* text) {
    std::vector<BYTE> sid = sidOf(text);
    const std::wstring account = win32::accountText(sid.data());
    return std::string(account.begin(), account.end());
}

// One access entry as the system stores it: header, mask, what comes before the account
// (object types, a compound entry's kind), the account, and what follows (a condition).
std::vector<BYTE> entry(BYTE type, DWORD mask, const std::vector<BYTE>& beforeSid, const char* sid,
                        const std::vector<BYTE>& after = {}) {
    std::vector<BYTE> bytes = {type, 0, 0, 0};
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<BYTE>(mask >> shift));
    bytes.insert(bytes.end(), beforeSid.begin(), beforeSid.end());
    const std::vector<BYTE> account = sidOf(sid);
    bytes.insert(bytes.end(), account.begin(), account.end());
    bytes.insert(bytes.end(), after.begin(), after.end());
    bytes.resize((bytes.size() + 3) & ~std::size_t{3});
    bytes[2] = static_cast<BYTE>(bytes.size());
    bytes[3] = static_cast<BYTE>(bytes.size() >> 8);
    return bytes;
}

// What nonAdministratorAccess says about an access list of these entries, owned by the
// Administrators.
std::string exposureOf(const std::vector<std::vector<BYTE>>& entries) {
    std::vector<BYTE> list(sizeof(ACL));
    for (const std::vector<BYTE>& one : entries)
        list.insert(list.end(), one.begin(), one.end());
    auto* acl = reinterpret_cast<ACL*>(list.data());
    acl->AclRevision = ACL_REVISION_DS;
    acl->AclSize = static_cast<WORD>(list.size());
    acl->AceCount = static_cast<WORD>(entries.size());
    std::vector<BYTE> owner = sidOf("BA");
    SECURITY_DESCRIPTOR descriptor = {};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor, owner.data(), FALSE);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    const win32::Exposure found = win32::nonAdministratorAccess(&descriptor, win32::kChangeRights);
    const std::wstring text = found ? found.text() : L"";
    return std::string(text.begin(), text.end());
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
        {"O:BAD:(A;;WD;;;IU)", named("S-1-5-4") + " may change its permissions."},
        {"O:BAD:(A;;GA;;;" + user + ")", user + " may write or create files in it, delete what it "
                                                "holds, change its permissions."},
        {"no list", "Everyone may write or create files in it, delete what it holds, change its "
                    "permissions."},
        // Deny entries take away what was not granted before them.
        {"O:BAD:(D;;0xc0040;;;AU)(A;;FA;;;AU)",
         "Authenticated Users may write or create files in it."},
        {"O:BAD:(D;;0xc0046;;;AU)(A;ID;0x1301ff;;;AU)", ""},
        {"O:BAD:(A;;0x1301ff;;;AU)(D;ID;0x46;;;AU)",
         "Authenticated Users may write or create files in it, delete what it holds."},
        // Every Authenticated User is in Everyone.
        {"O:BAD:(D;;0xc0046;;;WD)(A;;0x1301ff;;;AU)", ""},
        {"O:BAD:(D;;FA;;;" + user + ")(A;;FA;;;AU)",
         "Authenticated Users may write or create files in it, delete what it holds, change its "
         "permissions."},
        // The owner may always change the permissions, whatever OWNER RIGHTS says: it limits
        // only handles opened later, not the one the object was made with.
        {"O:" + user + "D:(A;;FA;;;SY)(A;;0x1200a9;;;BU)",
         "Its owner (" + user + ") may change its permissions."},
        {"O:" + user + "D:(A;;FA;;;SY)(A;;0x1200a9;;;OW)",
         "Its owner (" + user + ") may change its permissions."},
        {"O:" + user + "D:(A;;FA;;;SY)(A;;0x2;;;OW)",
         "Its owner (" + user + ") may write or create files in it, change its permissions."},
        {"O:SYD:(A;;FA;;;SY)(A;;FA;;;BA)", ""},
    };
    for (const auto& [sddl, expected] : cases)
        EXPECT_EQ(exposure(sddl), expected) << sddl;
}

// The administrator running the program holds the same account in its programs without
// elevation: it counts as one of the administrators only on what those cannot change (labelled
// high or system, no write up), or where files carry no labels at all.
TEST(AccessRights, TheRunningAccountIsTrustedOnlyWhereLabelledHigh) {
    const std::string user = kUser;
    const std::string own = "O:" + user + "D:(A;;FA;;;SY)(A;;FA;;;" + user + ")";
    const std::string mayAllButDelete = "O:" + user + "D:(A;;FA;;;SY)(A;;0x1301bf;;;" + user + ")";
    const std::string all = "Its owner (" + user +
                            ") may write or create files in it, delete what it holds, change its "
                            "permissions.";
    const std::pair<std::string, std::string> cases[] = {
        // alice's own folder, as C:\Users\alice\Apps\Glossary.
        {own, all},
        {mayAllButDelete + "S:(ML;OICI;NW;;;HI)", ""},
        {mayAllButDelete + "S:(ML;;NWNR;;;SI)", ""},
        // No write up does not cover deleting what a folder holds.
        {own + "S:(ML;OICI;NW;;;HI)", "Its owner (" + user + ") may delete what it holds."},
        {own + "S:(ML;OICI;NW;;;ME)", all},
        {own + "S:(ML;;NR;;;HI)", all},
        {own + "S:(ML;OICIIO;NW;;;HI)", all},
        {own + "S:(AU;SA;FA;;;WD)", all},
        // A label keeps out only the account's own programs, not the users.
        {"O:BAD:(A;;FA;;;" + user + ")(A;;FW;;;BU)S:(ML;;NW;;;HI)",
         "Users may write or create files in it."},
        // Owned by the Administrators, as setup's folders: nothing to trust the account for.
        {"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", ""},
    };
    for (const auto& [sddl, expected] : cases)
        EXPECT_EQ(exposure(sddl, sidOf(kUser)), expected) << sddl;
    EXPECT_EQ(exposure(own, win32::RunningAccount(sidOf(kUser), false)), "")
        << "files carry no labels: the account's programs all run with its rights";
    EXPECT_EQ(exposure(own + "S:(ML;OICI;NW;;;HI)"),
              "Its owner (" + user +
                  ") may write or create files in it, delete what it holds, "
                  "change its permissions.")
        << "no account trusted";
}

// Those who may lack a group a deny entry names keep what a later entry grants them: service,
// network and batch logons are not INTERACTIVE, Guests are no Authenticated Users, an anonymous
// logon is not even Everyone, and a member of Users need not be any of these.
TEST(AccessRights, ADenyEntryTakesAwayOnlyFromThoseSurelyInItsGroup) {
    const std::string all = " may write or create files in it, delete what it holds, change its "
                            "permissions.";
    const std::pair<std::string, std::string> cases[] = {
        {"O:BAD:(D;;FA;;;IU)(A;;FA;;;NS)", named("S-1-5-20") + all},
        {"O:BAD:(D;;FA;;;IU)(D;;FA;;;S-1-2-0)(A;;FA;;;SU)", named("S-1-5-6") + all},
        {"O:BAD:(D;;FA;;;AU)(A;;FA;;;BG)", named("S-1-5-32-546") + all},
        {"O:BAD:(D;;FA;;;WD)(A;;FA;;;AN)", named("S-1-5-7") + all},
        {"O:BAD:(D;;FA;;;WD)(A;;FA;;;BU)", "Users" + all},
        {"O:BAD:(D;;FA;;;NS)(A;;FA;;;NS)", ""},
        {"O:BAD:(D;;FA;;;WD)(A;;FA;;;WD)", ""},
    };
    for (const auto& [sddl, expected] : cases)
        EXPECT_EQ(exposure(sddl), expected) << sddl;
}

// Kinds of entries that SDDL does not say here, built byte by byte: a condition or an object
// type narrows whom an allow entry grants, which this judgement does not weigh, so it grants to
// all it names; one that cannot be read grants to anyone.
TEST(AccessRights, AnAllowEntryOfAnyKindGrants) {
    const std::string all = " may write or create files in it, delete what it holds, change its "
                            "permissions.";
    const std::vector<BYTE> condition = {'a', 'r', 't', 'x', 0xf8, 0, 0, 0};
    const std::vector<BYTE> objectType = {
        ACE_OBJECT_TYPE_PRESENT, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<BYTE> bothTypes = objectType;
    bothTypes[0] |= ACE_INHERITED_OBJECT_TYPE_PRESENT;
    bothTypes.insert(bothTypes.end(), objectType.begin() + 4, objectType.end());
    EXPECT_EQ(
        exposureOf({entry(ACCESS_ALLOWED_CALLBACK_ACE_TYPE, FILE_ALL_ACCESS, {}, "AU", condition)}),
        "Authenticated Users" + all);
    EXPECT_EQ(
        exposureOf({entry(ACCESS_ALLOWED_OBJECT_ACE_TYPE, FILE_WRITE_DATA, objectType, "AU")}),
        "Authenticated Users may write or create files in it.");
    EXPECT_EQ(exposureOf({entry(ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE, FILE_ALL_ACCESS, bothTypes,
                                "WD", condition)}),
              "Everyone" + all);
    // A compound entry names two accounts; a callback entry too short for its account.
    EXPECT_EQ(exposureOf({entry(ACCESS_ALLOWED_COMPOUND_ACE_TYPE, FILE_WRITE_DATA, {1, 0, 0, 0},
                                "SY", sidOf("WD"))}),
              "Anyone may write or create files in it.");
    std::vector<BYTE> cut = entry(ACCESS_ALLOWED_CALLBACK_ACE_TYPE, FILE_ALL_ACCESS, {}, "AU");
    cut.resize(12);
    cut[2] = 12;
    EXPECT_EQ(exposureOf({cut}), "Anyone" + all);
    // The administrators' own entries of these kinds expose nothing, and a conditional deny
    // entry may not apply, so it takes nothing away.
    EXPECT_EQ(
        exposureOf({entry(ACCESS_ALLOWED_CALLBACK_ACE_TYPE, FILE_ALL_ACCESS, {}, "BA", condition),
                    entry(ACCESS_ALLOWED_OBJECT_ACE_TYPE, FILE_ALL_ACCESS, objectType, "SY")}),
        "");
    EXPECT_EQ(
        exposureOf({entry(ACCESS_DENIED_CALLBACK_ACE_TYPE, FILE_ALL_ACCESS, {}, "AU", condition),
                    entry(ACCESS_ALLOWED_ACE_TYPE, FILE_WRITE_DATA, {}, "AU")}),
        "Authenticated Users may write or create files in it.");
}

TEST(AccessRights, TheSetupProgramsFoldersAreProtectedFromInheritance) {
    win32::ProtectedFolderSecurity security;
    ASSERT_TRUE(security.valid());
    LPSTR text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(
        security.descriptor(), SDDL_REVISION_1,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr));
    const win32::LocalMemory<LPSTR> owned(text);
    EXPECT_STREQ(text, "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    EXPECT_FALSE(win32::nonAdministratorAccess(security.descriptor(), win32::kChangeRights));
}

// Wine derives the lists from the Unix modes: its user, an administrator, owns everything, and
// a mode that lets others write becomes an Everyone entry that does.
TEST(LogTrust, ALogOrFolderThatOthersMayChangeIsNotTrusted) {
    TempDirectory app("logtrust");
    writeFile(app.file("Setup.log"), "[COMMON]\r\n");
    const std::string directory = app.path() + "\\";
    const win32::RunningAccount administrator(win32::processUserSid(), false);
    EXPECT_EQ(whyLogIsUntrusted(directory, administrator), L"");
    // Wine gives every file to the running account and keeps no labels: where labels are kept,
    // the account's own folder is open to its programs without elevation.
    const std::wstring account = win32::accountText(win32::processUserSid().data());
    const std::string own = plain(whyLogIsUntrusted(directory, win32::processUserSid()));
    EXPECT_EQ(own.find("\"" + app.path() +
                       "\" can be changed by users who are not "
                       "administrators: Its owner (" +
                       std::string(account.begin(), account.end()) + ") may"),
              0u)
        << own;

    PSECURITY_DESCRIPTOR open = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open, nullptr));
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(open);
    ASSERT_TRUE(SetFileSecurityA(app.file("Setup.log").c_str(), DACL_SECURITY_INFORMATION, open));
    const std::string why = plain(whyLogIsUntrusted(directory, administrator));
    EXPECT_EQ(why.find("\"" + app.file("Setup.log") + "\" can be changed"), 0u) << why;
    EXPECT_NE(why.find("Everyone may write"), std::string::npos) << why;
    EXPECT_EQ(plain(whyLogIsUntrusted(directory, {})).find("\"" + app.path() + "\""), 0u)
        << "the folder is its owner's, who is no administrator unless running us";
}

// The judgement both modes of the uninstaller make before acting on a log, with the account as
// the program counts it. Where files carry labels, the elevated account counts only on what is
// labelled high; Wine gives the folder to the account and labels nothing, so there the folder
// is refused by its owner, the reason naming the folder, the owner and what it may do.
TEST(LogTrust, TheAccountsOwnFolderIsNotTrustedWhereLabelsCount) {
    TempDirectory app("strictlog");
    writeFile(app.file("Setup.log"), "[COMMON]\r\n");
    const std::string directory = app.path() + "\\";
    EXPECT_EQ(whyThisRunDistrustsLog(directory, productAccount()), L"") << "no label is kept";
    const std::string why = plain(whyThisRunDistrustsLog(directory, strictAccount()));
    const std::wstring account = win32::accountText(win32::processUserSid().data());
    EXPECT_EQ(why.find("\"" + app.path() +
                       "\" can be changed by users who are not administrators: Its owner (" +
                       std::string(account.begin(), account.end()) + ") may write"),
              0u)
        << why;
}

// One reader of labels for every judgement: only a label that applies to the object itself
// counts (an inherit-only one passes on to new objects), and an entry too short for the account
// it names is no label.
TEST(AccessRights, OnlyAWholeLabelOfTheObjectItselfCounts) {
    const auto labels = [](std::initializer_list<std::pair<BYTE, WELL_KNOWN_SID_TYPE>> entries) {
        std::vector<BYTE> acl(256);
        InitializeAcl(reinterpret_cast<ACL*>(acl.data()), static_cast<DWORD>(acl.size()),
                      ACL_REVISION);
        for (const auto& [flags, level] : entries) {
            std::vector<BYTE> sid = win32::wellKnownSid(level);
            AddMandatoryAce(reinterpret_cast<ACL*>(acl.data()), ACL_REVISION, flags,
                            SYSTEM_MANDATORY_LABEL_NO_WRITE_UP, sid.data());
        }
        return acl;
    };
    std::vector<BYTE> high = labels({{0, WinHighLabelSid}});
    EXPECT_TRUE(win32::labelsHighNoWriteUp(reinterpret_cast<ACL*>(high.data())));
    std::vector<BYTE> system = labels({{OBJECT_INHERIT_ACE, WinSystemLabelSid}});
    EXPECT_TRUE(win32::labelsHighNoWriteUp(reinterpret_cast<ACL*>(system.data())));
    std::vector<BYTE> passedOn =
        labels({{OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE, WinHighLabelSid},
                {0, WinMediumLabelSid}});
    EXPECT_FALSE(win32::labelsHighNoWriteUp(reinterpret_cast<ACL*>(passedOn.data())))
        << "the folder itself is medium";
    std::vector<BYTE> onlyPassedOn = labels({{INHERIT_ONLY_ACE, WinHighLabelSid}});
    EXPECT_FALSE(win32::labelsHighNoWriteUp(reinterpret_cast<ACL*>(onlyPassedOn.data())));
    // The entry's size says less than its account takes.
    std::vector<BYTE> cut = labels({{0, WinHighLabelSid}});
    ACE_HEADER* header = nullptr;
    ASSERT_TRUE(GetAce(reinterpret_cast<ACL*>(cut.data()), 0, reinterpret_cast<void**>(&header)));
    header->AceSize = static_cast<WORD>(offsetof(SYSTEM_MANDATORY_LABEL_ACE, SidStart) + 8);
    EXPECT_FALSE(win32::labelsHighNoWriteUp(reinterpret_cast<ACL*>(cut.data())));
    EXPECT_FALSE(win32::labelsHighNoWriteUp(nullptr));
}
