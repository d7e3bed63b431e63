#include "engine/CommaRecord.h"
#include "engine/PathRules.h"
#include "engine/PreUninstallRecord.h"
#include "engine/RegistryRecord.h"

#include <gtest/gtest.h>

using Root = RegistryRecord::Root;

TEST(CommaRecord, FieldsAreExactlyTheTextBetweenCommas) {
    CommaRecord record(" a ,,b");
    std::string field;
    ASSERT_TRUE(record.next(field));
    EXPECT_EQ(field, " a ");
    ASSERT_TRUE(record.next(field));
    EXPECT_EQ(field, "");
    ASSERT_TRUE(record.next(field));
    EXPECT_EQ(field, "b");
    EXPECT_FALSE(record.next(field));
    EXPECT_EQ(field, "");
}

TEST(CommaRecord, AtoiReadsLikeTheRuntime) {
    EXPECT_EQ(atoiField("12"), 12);
    EXPECT_EQ(atoiField("  -7x"), -7);
    EXPECT_EQ(atoiField("+3"), 3);
    EXPECT_EQ(atoiField("max"), 0);
    EXPECT_EQ(atoiField(""), 0);
    EXPECT_EQ(atoiField("- 5"), 0);
    EXPECT_EQ(atoiField("\t\n 42"), 42);
    EXPECT_EQ(atoiField("99999999999999999999"), atoiField("99999999999999999999"))
        << "no undefined overflow";
}

TEST(RegistryRecord, RootsAndPathsAreReadAsWritten) {
    const RegistryRecord key = readRegistryRecord("HKLM,SOFTWARE\\Vendor\\Product,ignored", false);
    EXPECT_EQ(key.root, Root::LocalMachine);
    EXPECT_EQ(key.keyPath, "SOFTWARE\\Vendor\\Product");
    EXPECT_TRUE(key.deletable());

    const RegistryRecord value =
        readRegistryRecord("HKCU,Software\\Vendor\\Settings,LastDir,more", true);
    EXPECT_EQ(value.valueName, "LastDir");
    EXPECT_TRUE(value.deletable());
    EXPECT_EQ(readRegistryRecord("HKCU,Software\\Vendor\\Settings", true).valueName, "")
        << "default value";

    EXPECT_EQ(readRegistryRecord("hklm,SOFTWARE\\Vendor\\Product", false).root, Root::None);
    EXPECT_EQ(readRegistryRecord(" HKLM,SOFTWARE\\V\\P", false).root, Root::None);
    EXPECT_EQ(readRegistryRecord("HKU,.DEFAULT\\Vendor", false).root, Root::Users);
    EXPECT_EQ(readRegistryRecord("HKCR,.ext", false).root, Root::ClassesRoot);
}

TEST(RegistryRecord, ProtectionRuleRefusesTopLevelAndSoftwareKeys) {
    EXPECT_FALSE(readRegistryRecord("HKLM,Vendor", false).deletable());
    EXPECT_FALSE(readRegistryRecord("HKCU,Software", false).deletable());
    EXPECT_FALSE(readRegistryRecord("HKCU,Environment,Path", true).deletable());
    EXPECT_FALSE(readRegistryRecord("HKCU", false).deletable()) << "a record with no comma";
    EXPECT_TRUE(readRegistryRecord("HKCR,.ext", false).deletable()) << "HKCR top level is allowed";
    EXPECT_FALSE(readRegistryRecord("HKCR,SOFTWARE", false).deletable());
    EXPECT_FALSE(readRegistryRecord("HKU,.DEFAULT\\Software", false).deletable());
    EXPECT_FALSE(readRegistryRecord("HKLM,A\\B\\sOfTwArE", false).deletable());
    EXPECT_TRUE(readRegistryRecord("HKLM,SOFTWARE\\Software2", false).deletable());
}

TEST(RegistryRecord, ExtraBackslashesCannotSlipPastTheProtectionRule) {
    for (const char* record :
         {"HKLM,SOFTWARE\\", "HKCU,Software\\", "HKLM,Vendor\\", "HKCU,Vendor\\\\", "HKCU,\\Vendor",
          "HKCR,", "HKCR,\\", "HKCU,Software\\\\", "HKLM,A\\SOFTWARE\\"})
        EXPECT_FALSE(readRegistryRecord(record, false).deletable()) << record;
    EXPECT_FALSE(readRegistryRecord("HKCU,Vendor\\,Value", true).deletable());
    const RegistryRecord doubled = readRegistryRecord("HKCU,Software\\\\Vendor\\", false);
    EXPECT_TRUE(doubled.deletable());
    EXPECT_EQ(doubled.keyPath, "Software\\Vendor");
}

TEST(RegistryRecord, PartsLongerThan259CharactersAreRefused) {
    EXPECT_FALSE(readRegistryRecord("HKCU,Software\\" + std::string(260, 'k'), false).deletable());
    EXPECT_TRUE(readRegistryRecord("HKCU,Software\\" + std::string(259, 'k'), false).deletable());
    EXPECT_FALSE(readRegistryRecord("HKCU," + std::string(260, 'p') + "\\Key", false).deletable());
}

TEST(PreUninstallRecord, SevenFieldsAreReadInOrder) {
    const PreUninstallRecord record("C:\\Tools\\Pre.exe,/quiet,C:\\Tools,1,0,0,");
    EXPECT_EQ(record.program, "C:\\Tools\\Pre.exe");
    EXPECT_EQ(record.arguments, "/quiet");
    EXPECT_EQ(record.workingDirectory, "C:\\Tools");
    EXPECT_EQ(record.showWindow, 1);
    EXPECT_EQ(record.noWait, 0);
    EXPECT_EQ(record.commandLine(), "\"C:\\Tools\\Pre.exe\" /quiet");
}

TEST(PreUninstallRecord, MissingFieldsKeepTheirInitialValues) {
    const PreUninstallRecord alone("C:\\Tools\\Pre.exe");
    EXPECT_EQ(alone.arguments, "");
    EXPECT_EQ(alone.showWindow, 0);
    EXPECT_EQ(alone.commandLine(), "\"C:\\Tools\\Pre.exe\"");

    const PreUninstallRecord partial("p,,,max,,1,seventh,ignored");
    EXPECT_EQ(partial.commandLine(), "\"p\"") << "an empty argument field adds no blank";
    EXPECT_EQ(partial.showWindow, 0);
    EXPECT_EQ(partial.noWait, 1);
    EXPECT_EQ(partial.seventh, "seventh");

    EXPECT_EQ(PreUninstallRecord("\"C:\\quoted.exe\"").commandLine(), "\"\"C:\\quoted.exe\"\"");
}

TEST(PathRules, OnlyPlainAbsolutePathsAreTouched) {
    for (const char* path : {"C:\\App\\a.txt", "c:/App/a.txt", "D:\\", "\\\\server\\share\\App",
                             "C:\\App\\.hidden", "C:\\App\\a..b", "C:\\App\\..x"})
        EXPECT_TRUE(isPlainAbsolutePath(path)) << path;
    for (const char* path : {"",
                             "a.txt",
                             "App\\a.txt",
                             "\\App\\a.txt",
                             "C:a.txt",
                             "C:",
                             "1:\\a",
                             "C:\\App\\..\\Windows",
                             "C:\\App\\.",
                             "C:\\App\\.\\a.txt",
                             "C:\\App\\...\\a",
                             "C:\\App\\. \\a",
                             "C:/App/../x",
                             "\\\\server",
                             "\\\\server\\",
                             "\\\\?\\C:\\App",
                             "\\\\.\\PhysicalDrive0",
                             "\\\\server\\share\\..\\other",
                             "\\\\host\\C$\\Windows",
                             "\\\\host\\admin$\\System32",
                             "\\\\?\\UNC\\host\\ADMIN$\\x",
                             "\\\\host\\IPC$",
                             "\\\\localhost\\Users\\x",
                             "\\\\127.0.0.1\\share\\x",
                             "\\\\LOCALHOST\\s\\x"})
        EXPECT_FALSE(isPlainAbsolutePath(path)) << path;
    EXPECT_FALSE(isPlainAbsolutePath(std::string("C:\\App\\a\0b", 11)));
}

TEST(PathRules, APathThatDependsOnTheCurrentFolderOrDriveIsRelative) {
    for (const char* path : {"u.txt", "Logs\\u.txt", ".\\u.txt", "..\\u.txt", "\\Logs\\u.txt",
                             "/Logs/u.txt", "C:u.txt", "C:", ""})
        EXPECT_TRUE(isRelativePath(path)) << path;
    for (const char* path : {"C:\\Logs\\u.txt", "c:/u.txt", "C:\\", "\\\\server\\share\\u.txt",
                             "\\\\?\\C:\\u.txt", "//server/share/u.txt"})
        EXPECT_FALSE(isRelativePath(path)) << path;
}

TEST(PathRules, PathsCompareAsTheFileSystemDoes) {
    EXPECT_TRUE(samePath("C:\\Program Files\\App\\a.txt", "c:/program files/APP/a.txt"));
    EXPECT_TRUE(samePath("\\\\?\\C:\\App\\", "C:\\App"));
    EXPECT_TRUE(samePath("\\\\?\\UNC\\server\\share\\App", "\\\\SERVER\\share\\app\\"));
    EXPECT_TRUE(samePath("C:\\", "c:\\")) << "a drive keeps its backslash";
    EXPECT_FALSE(samePath("C:\\", "C:"));
    EXPECT_FALSE(samePath("C:\\App\\a.txt", "C:\\Elsewhere\\a.txt"));
    EXPECT_FALSE(samePath("C:\\App", "D:\\App"));

    EXPECT_TRUE(liesIn("C:\\App\\bin\\a.exe", "c:/app"));
    EXPECT_TRUE(liesIn("C:\\App\\a.exe", "C:\\App\\"));
    EXPECT_TRUE(liesIn("C:\\a.exe", "C:\\"));
    EXPECT_FALSE(liesIn("C:\\Apple\\a.exe", "C:\\App")) << "a longer name is another folder";
    EXPECT_FALSE(liesIn("C:\\App", "C:\\App"));
    EXPECT_FALSE(liesIn("C:\\App\\a.exe", ""));
}

TEST(PathRules, DeviceNamesAreNoFiles) {
    for (const char* device : {"C:\\x\\NUL", "C:\\x\\com1.txt", "C:\\x\\Lpt9", "C:\\x\\CON .log",
                               "C:\\x\\conin$", "C:/x/aux.txt.bak"})
        EXPECT_TRUE(namesDevice(device)) << device;
    for (const char* file : {"C:\\x\\null.txt", "C:\\x\\com10", "C:\\x\\COM0", "C:\\CON\\a.txt",
                             "C:\\x\\report.log", "C:\\x\\console"})
        EXPECT_FALSE(namesDevice(file)) << file;
}

TEST(PathRules, A32BitProcessReachesTheSystemFolderAsSysWow64) {
    const std::string windows = "C:\\Windows";
    EXPECT_EQ(wow64Redirected("C:\\Windows\\System32\\a.dll", windows),
              "C:\\Windows\\SysWOW64\\a.dll");
    EXPECT_TRUE(samePath(wow64Redirected("c:/windows/system32/sub/a.dll", windows),
                         "C:\\Windows\\SysWOW64\\sub\\a.dll"));
    EXPECT_EQ(wow64Redirected("C:\\Windows\\lastgood\\system32\\a.dll", windows),
              "C:\\Windows\\lastgood\\SysWOW64\\a.dll");
    for (const char* same :
         {"C:\\Windows\\System32\\drivers\\etc\\hosts", "C:\\Windows\\System32\\spool\\x",
          "C:\\Windows\\System32\\CatRoot2\\x", "C:\\Windows\\System32\\DriverStore\\x",
          "C:\\Windows\\System32\\LogFiles\\x", "C:\\Windows\\System32",
          "C:\\Windows\\System320\\a.dll", "C:\\Windows\\a.dll", "D:\\Windows\\System32\\a.dll",
          "C:\\Program Files\\System32\\a.dll", "C:\\WindowsX\\System32\\a.dll"})
        EXPECT_EQ(wow64Redirected(same, windows), same) << same;
    EXPECT_EQ(wow64Redirected("C:\\Windows\\System32\\drivers\\a.sys", windows),
              "C:\\Windows\\SysWOW64\\drivers\\a.sys")
        << "only drivers\\etc is shared";
}
