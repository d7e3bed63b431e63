// The setup program's command line, the log it writes for the uninstaller, and how a failed
// run ends.
#include "InstallError.h"
#include "SetupLogText.h"
#include "SetupOptions.h"

#include <gtest/gtest.h>

#include <new>

TEST(SetupOptions, UnattendedFolderAndUnknownOptions) {
    EXPECT_FALSE(parseSetupOptions({}, L"").unattended);
    for (const wchar_t* silent : {L"/S", L"/s", L"-S", L"/SILENT"})
        EXPECT_TRUE(parseSetupOptions({silent}, std::wstring(L" ") + silent).unattended) << silent;
    const SetupOptions folder =
        parseSetupOptions({L"/S", L"/D=C:\\Program", L"Files\\My", L"Glossary"},
                          L" /S /D=C:\\Program Files\\My Glossary ");
    EXPECT_TRUE(folder.unattended);
    EXPECT_EQ(folder.destination, L"C:\\Program Files\\My Glossary")
        << "the rest of the line, blanks and all";
    EXPECT_EQ(parseSetupOptions({L"/D=\"C:\\a b\""}, L" /D=\"C:\\a b\"").destination, L"C:\\a b");
    EXPECT_EQ(parseSetupOptions({L"/D=C:\\a b"}, L" \"/D=C:\\a b\"").destination, L"C:\\a b")
        << "the whole option quoted";
    EXPECT_TRUE(parseSetupOptions({L"/INVERT"}, L" /INVERT").invertLog);
    EXPECT_EQ(parseSetupOptions({L"/S", L"/X"}, L" /S /X").unknown, L"/X");
    EXPECT_EQ(parseSetupOptions({L"C:\\folder"}, L" C:\\folder").unknown, L"C:\\folder")
        << "a folder needs /D=";
}

TEST(SetupLogText, SectionsTheUninstallerReadsAndTheNameInItsCaptions) {
    InstalledProduct product;
    product.applicationName = "Technical Glossary";
    product.applicationDirectory = "C:\\Program Files\\Technical Glossary";
    product.parents = {"C:\\Program Files\\A", "C:\\Program Files"};
    product.sharedFiles = {"C:\\windows\\system32\\shared.dll"};
    product.files = {"C:\\Program Files\\Technical Glossary\\glossary.exe",
                     "C:\\Program Files\\Technical Glossary\\Setup.log"};
    product.folders = {
        "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Technical Glossary"};
    product.registryKeys = {
        "HKLM,SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary"};
    const std::string log = setupLogText(product);
    for (const char* piece :
         {"[COMMON]\r\nApplication_Name=Technical Glossary\r\n",
          "1001=Uninstall Technical Glossary\r\n", "1101=Remove Technical Glossary\r\n",
          "1102=Do you really want to remove %1 and", "1201=Removing Technical Glossary...\r\n",
          "1302=The shared file %1 in %2 is no longer used",
          "[SHAREDFILES]\r\nC:\\windows\\system32\\shared.dll\r\n[APPFILES]\r\n",
          "glossary.exe\r\nC:\\Program Files\\Technical Glossary\\Setup.log\r\n[APPFOLDERS]\r\n",
          "[APPDIR]\r\nC:\\Program Files\\Technical Glossary\r\nC:\\Program Files\\A\r\n"
          "C:\\Program Files\r\n[REGENTRY]\r\nHKLM,SOFTWARE\\"})
        EXPECT_NE(log.find(piece), std::string::npos) << piece;
    EXPECT_EQ(sharedFilesOf(log), product.sharedFiles);
    EXPECT_EQ(sharedFilesOf(inverted(log)), product.sharedFiles)
        << "the stored inverted form reads the same";
    EXPECT_NE(inverted(log)[0], '[');
    EXPECT_TRUE(sharedFilesOf("not a log").empty());
    EXPECT_EQ(applicationNameOf(log), "Technical Glossary");
    EXPECT_EQ(directoriesOf(inverted(log)),
              (std::vector<std::string>{product.applicationDirectory, "C:\\Program Files\\A",
                                        "C:\\Program Files"}))
        << "the directory first, then the folders made above it";
    EXPECT_EQ(applicationNameOf(inverted(log)), "Technical Glossary");
    EXPECT_EQ(applicationNameOf("[APPDIR]\r\nApplication_Name=Not in COMMON\r\n"), "");
    EXPECT_EQ(applicationNameOf("not a log"), "");
}

TEST(SetupOutcome, EveryExceptionEndsTheRunAsAFailureWithWordsForTheUser) {
    EXPECT_EQ(guardedInstall([] {}).code, kSetupInstalled);
    const SetupOutcome refused = guardedInstall([] { throw InstallError(L"Choose another."); });
    EXPECT_EQ(refused.code, kSetupFailed);
    EXPECT_EQ(refused.message, L"Choose another.");
    const SetupOutcome memory = guardedInstall([] { throw std::bad_alloc(); });
    EXPECT_EQ(memory.code, kSetupFailed);
    EXPECT_NE(memory.message.find(L"out of memory"), std::wstring::npos);
    const SetupOutcome library = guardedInstall([] { (void)std::string().at(1); });
    EXPECT_EQ(library.code, kSetupFailed);
    EXPECT_FALSE(library.message.empty());
    EXPECT_EQ(guardedInstall([] { throw 42; }).code, kSetupFailed);
}
