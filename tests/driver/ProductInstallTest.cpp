// The driver puts a test product in place from its setup log, as the demonstration relies on.
#include "driver/ProductInstall.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

using namespace driver;
using namespace testsupport;

namespace {

const std::string kSharedKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string kProductKey = "Software\\DriverInstallTest";

} // namespace

TEST(ProductInstall, EverythingTheLogNamesIsInPlaceWithUseCountsInOrder) {
    TempDirectory root("driver-install");
    const std::string app = root.file("Product");
    const std::string log =
        "[APPDIR]\r\n" + app + "\r\n[APPFILES]\r\n" + app + "\\a.txt\r\n" + app +
        "\\deep\\b.txt\r\n[APPFOLDERS]\r\n" + app + "\\data\r\n" + app +
        "\\empty\r\n[SHAREDFILES]\r\n" + root.file("common\\one.dll") + "\r\n[STDFILES]\r\n" +
        root.file("common\\two.dll") + "\r\n[REGENTRY]\r\nHKCU," + kProductKey + "\\Settings\r\n" +
        "[REGVALUES]\r\nHKCU," + kProductKey + ",Version\r\nHKCU," + kProductKey + ",\r\n";
    installFromSetupLog(SetupLog::fromBytes(log), log, binaryDirectory());

    for (const char* file : {"a.txt", "deep\\b.txt", "uninstall.exe", "glossary.exe", "Dict.mdb",
                             "data\\My notes.txt"})
        EXPECT_TRUE(fileExists(app + "\\" + file)) << file;
    EXPECT_EQ(readFile(app + "\\Setup.log"), log);
    EXPECT_TRUE(fileExists(app + "\\empty"));
    EXPECT_FALSE(fileExists(app + "\\empty\\My notes.txt"))
        << "only the first folder is the user's";
    EXPECT_EQ(sharedUseCount(root.file("common\\one.dll")), 1);
    EXPECT_EQ(sharedUseCount(root.file("common\\two.dll")), 2);
    EXPECT_EQ(sharedUseCount(root.file("common\\three.dll")), -1);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kProductKey + "\\Settings"));
    EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, kProductKey, "Version"));
    EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, kProductKey, "")) << "the default value";

    deleteTree(HKEY_CURRENT_USER, kProductKey);
    for (const char* name : {"common\\one.dll", "common\\two.dll"})
        deleteValue(HKEY_LOCAL_MACHINE, kSharedKey, root.file(name));
}

TEST(ProductInstall, RegistryRecordsAreReadAsTheUninstallerReadsThem) {
    std::string path, name;
    EXPECT_EQ(recordRoot("HKLM,SOFTWARE\\Vendor\\App", path), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(path, "SOFTWARE\\Vendor\\App");
    EXPECT_EQ(recordRoot("HKCU,\\Software\\\\App\\,Name", path, &name), HKEY_CURRENT_USER);
    EXPECT_EQ(path, "Software\\App");
    EXPECT_EQ(name, "Name");
    EXPECT_EQ(recordRoot("HKXX,Software", path), nullptr) << "no root";
}

TEST(ProductInstall, ALogWithoutAnApplicationDirectoryInstallsNothing) {
    TempDirectory root("driver-install");
    const std::string log = "[APPFILES]\r\n" + root.file("a.txt") + "\r\n";
    installFromSetupLog(SetupLog::fromBytes(log), log, binaryDirectory());
    EXPECT_FALSE(fileExists(root.file("a.txt")));
}
