#include "engine/RegistryEntry.h"
#include "support/RegistryTestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// Every key here is the tests' own; refused records name keys made for them and removed after.
class RegistryEntries : public ::testing::Test {
protected:
    void TearDown() override {
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
