#include "engine/RegistryEntry.h"
#include "support/RegistryTestSupport.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// A link key goes only through a handle to the link itself.
void deleteLinkKey(const wchar_t* path) {
    using DeleteKey = LONG(NTAPI*)(HANDLE);
    const auto deleteKey = reinterpret_cast<DeleteKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    win32::Key link;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, REG_OPTION_OPEN_LINK, DELETE, link.receive()) ==
        ERROR_SUCCESS)
        deleteKey(link.get());
}

// Every key here is the tests' own; refused records name keys made for them and removed after.
class RegistryEntries : public ::testing::Test {
protected:
    void TearDown() override {
        deleteLinkKey(L"SOFTWARE\\SetupTests\\Product\\Link"); // a tree walk would follow it
        deleteTree(HKEY_CURRENT_USER, "Software\\SetupTests");
        deleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests");
        deleteTree(HKEY_CURRENT_USER, "SetupTestsTopLevel");
        deleteTree(HKEY_CLASSES_ROOT, ".setuptestext");
        deleteTree(HKEY_CLASSES_ROOT, "SetupTests");
        deleteTree(HKEY_USERS, ".DEFAULT\\SetupTests");
    }
    RegistryEntry entry;
};

} // namespace

TEST_F(RegistryEntries, KeysNamedByTheirRecordsAreDeleted) {
    createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Product");
    createKey(HKEY_CLASSES_ROOT, ".setuptestext");
    createKey(HKEY_CURRENT_USER, "Software\\SetupTests\\Third");
    entry.deleteKey("HKLM,SOFTWARE\\SetupTests\\Product");
    entry.deleteKey("HKCR,.setuptestext");
    entry.deleteKey("HKCU,Software\\SetupTests\\Third,ignored third field");
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Product"));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests")) << "only the named key goes";
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, ".setuptestext")) << "HKCR top level is allowed";
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\SetupTests\\Third"));
}

TEST_F(RegistryEntries, ProtectedAndUnknownRootsAreLeftAlone) {
    createKey(HKEY_CURRENT_USER, "SetupTestsTopLevel");
    createKey(HKEY_CLASSES_ROOT, "SetupTests\\SOFTWARE");
    createKey(HKEY_USERS, ".DEFAULT\\SetupTests\\Software");
    createKey(HKEY_CURRENT_USER, "Software\\SetupTests\\Lower");
    entry.deleteKey("HKCU,SetupTestsTopLevel");
    entry.deleteKey("HKCR,SetupTests\\SOFTWARE");
    entry.deleteKey("HKU,.DEFAULT\\SetupTests\\Software");
    entry.deleteKey("hkcu,Software\\SetupTests\\Lower");
    entry.deleteKey("HKCU");
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "SetupTestsTopLevel"));
    EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, "SetupTests\\SOFTWARE"));
    EXPECT_TRUE(keyExists(HKEY_USERS, ".DEFAULT\\SetupTests\\Software"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\SetupTests\\Lower"));
}

TEST_F(RegistryEntries, TrailingOrDoubledBackslashesDoNotUnprotectAKey) {
    createKey(HKEY_CURRENT_USER, "SetupTestsTopLevel");
    createKey(HKEY_CURRENT_USER, "Software\\SetupTests\\Software");
    createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\SOFTWARE");
    entry.deleteKey("HKCU,SetupTestsTopLevel\\");
    entry.deleteKey("HKCU,\\SetupTestsTopLevel");
    entry.deleteKey("HKCU,Software\\SetupTests\\Software\\");
    entry.deleteKey("HKLM,SOFTWARE\\SetupTests\\SOFTWARE\\\\");
    entry.deleteKey("HKCR,");
    entry.deleteValue("HKCU,SetupTestsTopLevel\\,");
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "SetupTestsTopLevel"))
        << "a leaf directly under a root";
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\SetupTests\\Software"));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\SOFTWARE"));
    EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, "CLSID")) << "HKCR itself is never touched";

    createKey(HKEY_CURRENT_USER, "Software\\SetupTests\\Doubled");
    entry.deleteKey("HKCU,Software\\\\SetupTests\\Doubled\\");
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\SetupTests\\Doubled"))
        << "an ordinary key written with extra backslashes still goes";
}

TEST_F(RegistryEntries, KeyWithSubkeysStaysAndMissingKeysChangeNothing) {
    createKey(HKEY_CURRENT_USER, "Software\\SetupTests\\Parent\\Child");
    entry.deleteKey("HKCU,Software\\SetupTests\\Parent");
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\SetupTests\\Parent\\Child"));
    entry.deleteKey("HKCU,Software\\SetupTests\\Missing");
    entry.deleteValue("HKCU,Software\\SetupTests\\Missing,Value");
}

TEST_F(RegistryEntries, ValuesAndDefaultValuesAreDeleted) {
    const std::string key = "Software\\SetupTests\\Settings";
    setString(HKEY_CURRENT_USER, key, "LastDir", "C:\\");
    setString(HKEY_CURRENT_USER, key, "Keep", "x");
    setString(HKEY_CURRENT_USER, key, "", "default");
    entry.deleteValue("HKCU," + key + ",LastDir");
    EXPECT_FALSE(valueExists(HKEY_CURRENT_USER, key, "LastDir"));
    EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, key, "Keep"));
    entry.deleteValue("HKCU," + key);
    EXPECT_FALSE(valueExists(HKEY_CURRENT_USER, key, "")) << "no value name: the default value";
    EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, key, "Keep"));
}

TEST_F(RegistryEntries, ValuesDirectlyUnderARootAreRefused) {
    setString(HKEY_CURRENT_USER, "SetupTestsTopLevel", "Path", "x");
    entry.deleteValue("HKCU,SetupTestsTopLevel,Path");
    EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, "SetupTestsTopLevel", "Path"));
}

TEST_F(RegistryEntries, OverlongPartsAreRefused) {
    const std::string longName(260, 'k');
    createKey(HKEY_CURRENT_USER, "Software\\SetupTests\\" + longName.substr(0, 200));
    entry.deleteKey("HKCU,Software\\SetupTests\\" + longName);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\SetupTests\\" + longName.substr(0, 200)));
}

TEST_F(RegistryEntries, AKeyThatIsALinkIsKeptWithWhatItLeadsTo) {
    deleteLinkKey(L"SOFTWARE\\SetupTests\\Product\\Link");
    createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Victim\\Inside");
    setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Victim", "Value", "theirs");
    createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Product");
    {
        win32::Key link;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\SetupTests\\Product\\Link", 0,
                                  nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, link.receive(), nullptr),
                  ERROR_SUCCESS);
        const std::wstring target = L"\\REGISTRY\\MACHINE\\SOFTWARE\\SetupTests\\Victim";
        RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK,
                       reinterpret_cast<const BYTE*>(target.data()),
                       static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    }
    deleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Victim\\Inside");
    ASSERT_TRUE(valueExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Product\\Link", "Value"))
        << "the link leads to the victim";

    createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Victim\\Theirs");
    EXPECT_TRUE(entry.deleteKey("HKLM,SOFTWARE\\SetupTests\\Product\\Link").link);
    EXPECT_TRUE(entry.deleteKey("HKLM,SOFTWARE\\SetupTests\\Product\\Link\\Theirs").link)
        << "nor a key reached through a link on the way";
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Victim\\Theirs"));
    EXPECT_TRUE(entry.deleteValue("HKLM,SOFTWARE\\SetupTests\\Product\\Link,Value").link);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Victim"));
    EXPECT_TRUE(valueExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\SetupTests\\Victim", "Value"));
    EXPECT_NE(entry.deleteKey("HKLM,SOFTWARE\\SetupTests\\Product").error, ERROR_SUCCESS)
        << "the link is a subkey of its own";
}
