// The setup program's command line, the log it writes for the uninstaller, and how a failed
// run ends.
#include "InstallError.h"
#include "SetupLogText.h"
#include "SetupOptions.h"
#include "Version.h"
#include "base/ErrorAdvice.h"
#include "recovery/PendingOperations.h"

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
    EXPECT_EQ(parseSetupOptions({L"/S", L"/D=C:\\a", L"-D=b"}, L" /S /D=C:\\a -D=b").destination,
              L"C:\\a -D=b")
        << "the folder's own -D= is part of it";
    for (const wchar_t* relative : {L"/D=Glossary", L"/D=\\Glossary", L"/D=C:Glossary", L"/D="})
        EXPECT_EQ(parseSetupOptions({relative}, std::wstring(L" ") + relative).unknown, relative)
            << "a folder that is not absolute is refused, not looked for in the current folder";
}

TEST(SetupOptions, TheWholeLineIsReadSoThatSlashSAnywhereMeansNothingIsShown) {
    const SetupOptions late = parseSetupOptions({L"/BOGUS", L"/OTHER", L"/S"}, L"");
    EXPECT_TRUE(late.unattended) << "/S after unknown options";
    EXPECT_EQ(late.unknown, L"/BOGUS") << "the first unknown one is named";
    EXPECT_TRUE(parseSetupOptions({L"/qn", L"-s"}, L"").unattended);
    EXPECT_EQ(parseSetupOptions({L"", L"/S"}, L"").unknown, L"\"\"") << "an empty argument";
    const SetupOptions all = parseSetupOptions(
        {L"/NORESTART", L"/ALLOWDOWNGRADE", L"/LOG=C:\\My Logs\\setup.txt", L"/S", L"/D=C:\\a"},
        L" /NORESTART /ALLOWDOWNGRADE \"/LOG=C:\\My Logs\\setup.txt\" /S /D=C:\\a");
    EXPECT_TRUE(all.unknown.empty()) << std::string(all.unknown.begin(), all.unknown.end());
    EXPECT_TRUE(all.unattended);
    EXPECT_TRUE(all.allowDowngrade);
    EXPECT_EQ(all.reportPath, L"C:\\My Logs\\setup.txt");
    EXPECT_EQ(all.destination, L"C:\\a");
    EXPECT_EQ(parseSetupOptions({L"/LOG="}, L" /LOG=").unknown, L"/LOG=")
        << "a report needs a file";
    EXPECT_EQ(parseSetupOptions({L"/D=C:\\x", L"/bogus"}, L" /D=C:\\x /bogus").unknown, L"/bogus")
        << "no folder name holds a '/': what follows the folder is read as switches";
}

TEST(SetupOptions, TheFolderEndsBeforeASwitchSoSwitchesMayFollowIt) {
    const SetupOptions last =
        parseSetupOptions({L"/D=C:\\Apps\\Last", L"/S"}, L" /D=C:\\Apps\\Last /S");
    EXPECT_EQ(last.destination, L"C:\\Apps\\Last");
    EXPECT_TRUE(last.unattended) << "/S after the folder counts";
    const SetupOptions between = parseSetupOptions({L"/S", L"/D=C:\\Apps\\Last", L"/NORESTART"},
                                                   L" /S /D=C:\\Apps\\Last /NORESTART");
    EXPECT_EQ(between.destination, L"C:\\Apps\\Last") << "no blank at its end";
    EXPECT_TRUE(between.unknown.empty());
    const SetupOptions blanks =
        parseSetupOptions({L"/D=C:\\My", L"Apps\\Glossary", L"/LOG=C:\\My Logs\\r.txt", L"/qn"},
                          L" /D=C:\\My Apps\\Glossary \"/LOG=C:\\My Logs\\r.txt\"\t/qn");
    EXPECT_EQ(blanks.destination, L"C:\\My Apps\\Glossary");
    EXPECT_EQ(blanks.reportPath, L"C:\\My Logs\\r.txt") << "a quoted switch after the folder";
    EXPECT_TRUE(blanks.unattended) << "after a tab too";
    const SetupOptions quoted = parseSetupOptions({L"/D=C:\\Programme\\Glossar \u00dc", L"/S"},
                                                  L" \"/D=C:\\Programme\\Glossar \u00dc\" /S");
    EXPECT_EQ(quoted.destination, L"C:\\Programme\\Glossar \u00dc") << "the whole option quoted";
    EXPECT_TRUE(quoted.unattended);
    const SetupOptions inner =
        parseSetupOptions({L"/D=C:\\a b", L"/VERYSILENT"}, L" /D=\"C:\\a b\" /VERYSILENT");
    EXPECT_EQ(inner.destination, L"C:\\a b");
    EXPECT_TRUE(inner.unattended);
    EXPECT_EQ(parseSetupOptions({L"/D=C:\\a", L"/D=C:\\b"}, L" /D=C:\\a /D=C:\\b").unknown,
              L"/D=C:\\b")
        << "one folder";
}

TEST(SetupOptions, TheSwitchesManagementTemplatesPassAreKnown) {
    for (const wchar_t* silent : {L"/VERYSILENT", L"/SILENT", L"/qn", L"/quiet", L"-QN"}) {
        const std::wstring line = std::wstring(L" ") + silent + L" /SUPPRESSMSGBOXES /norestart";
        const SetupOptions options =
            parseSetupOptions({silent, L"/SUPPRESSMSGBOXES", L"/norestart"}, line);
        EXPECT_TRUE(options.unattended) << silent;
        EXPECT_TRUE(options.unknown.empty()) << silent;
    }
    EXPECT_FALSE(parseSetupOptions({L"/SUPPRESSMSGBOXES"}, L" /SUPPRESSMSGBOXES").unattended)
        << "it asks for no unattended run";
}

TEST(SetupVersion, VersionsCompareNumberByNumberNotAsText) {
    EXPECT_GT(compareVersions(L"1.10", L"1.3"), 0) << "as text 1.10 would come first";
    EXPECT_LT(compareVersions(L"1.2", L"1.3"), 0);
    EXPECT_EQ(compareVersions(L"1.3", L"1.3.0"), 0);
    EXPECT_GT(compareVersions(L"2", L"1.99.99"), 0);
    EXPECT_LT(compareVersions(L"1.3", L"1.3.0.1"), 0);
    for (const wchar_t* version : {L"1.3", L"10", L"0.0.1", L"123456789.1"})
        EXPECT_TRUE(isVersion(version)) << std::wstring(version).size();
    for (const wchar_t* text : {L"", L"1.", L".1", L"1..2", L"1.3 beta", L"v1", L"1234567890"})
        EXPECT_FALSE(isVersion(text)) << std::wstring(text).size();
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
          "1205=Restart the computer to complete the removal.\r\n",
          "1404=(in use: it goes at the next restart)\r\n",
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

TEST(SetupPendingOperations, ThoseThatWouldDeleteOrReplaceWhatSetupInstallsAreTakenOut) {
    const std::wstring app = L"\\??\\C:\\Program Files\\Technical Glossary";
    std::wstring value;
    for (const std::wstring& entry :
         {app + L"\\Dict.mdb", std::wstring(), std::wstring(L"\\??\\C:\\Temp\\U-1\\Del1.tmp"),
          std::wstring(), std::wstring(L"\\??\\C:\\PROGRAM FILES\\TECHNICAL GLOSSARY"),
          std::wstring(), std::wstring(L"\\??\\C:\\Other\\new.dll"), L"!" + app + L"\\glossary.exe",
          app + L" 2\\a", std::wstring(), std::wstring()})
        value += entry + L'\0';
    const std::vector<PendingOperation> operations = pendingOperationsOf(value);
    ASSERT_EQ(operations.size(), 5u);
    EXPECT_EQ(operations[3].target, L"!" + app + L"\\glossary.exe");
    EXPECT_EQ(pendingValueOf(operations), value) << "written as read";
    const std::vector<PendingOperation> kept =
        withoutThoseTouching(operations, {L"C:\\Program Files\\Technical Glossary\\Dict.mdb",
                                          L"C:\\Program Files\\Technical Glossary\\glossary.exe"});
    ASSERT_EQ(kept.size(), 2u) << "the file, the folder above it, a replacement of a file";
    EXPECT_EQ(kept[0].source, L"\\??\\C:\\Temp\\U-1\\Del1.tmp");
    EXPECT_EQ(kept[1].source, app + L" 2\\a") << "a folder whose name only begins the same";
    EXPECT_TRUE(pendingOperationsOf(std::wstring(1, L'\0')).empty());
}

TEST(SetupErrorText, AFileInUseOrAFullDiskSaysWhatToDoAndALostErrorNeverReadsAsSuccess) {
    EXPECT_EQ(errorAdvice(32, "Technical Glossary"),
              "it is in use by a running program. Close Technical Glossary and try again.")
        << "a sharing violation";
    EXPECT_EQ(errorAdvice(33, "Technical Glossary"), errorAdvice(32, "Technical Glossary"));
    EXPECT_NE(errorAdvice(112, "x").find("disk is full. Free some space"), std::string::npos);
    EXPECT_EQ(errorAdvice(39, "x"), errorAdvice(112, "x"));
    const std::string lost = errorAdvice(0, "x");
    EXPECT_FALSE(lost.empty());
    EXPECT_EQ(lost.find("uccess"), std::string::npos) << lost;
    EXPECT_EQ(errorAdvice(5, "x"), "") << "the system's own text says enough";
}

// A share in the system's form, and names compared with the capitals the caller's system uses:
// a fold that knows only Latin-1 would let a Cyrillic name's restart deletion stand.
TEST(SetupPendingOperations, SharesAndEveryScriptMatchAsTheFileSystemMatches) {
    const std::vector<PendingOperation> operations = {
        {L"\\??\\UNC\\Server\\Apps\\Technical Glossary\\Dict.mdb", L""},
        {L"\\??\\unc\\server\\apps\\other.dll", L""},
        {L"\\??\\C:\\GLOSSAIRE \u0160\u0178\\Dict.mdb", L""},
        {L"\\??\\C:\\\u0421\u041B\u041E\u0412\u0410\u0420\u042C\\Dict.mdb", L""},
        {L"\\??\\C:\\UNC\\Dict.mdb", L""}};
    const std::vector<std::wstring> installed = {
        L"\\\\server\\apps\\Technical Glossary\\Dict.mdb", L"C:\\Glossaire \u0160\u00FF\\Dict.mdb",
        L"C:\\\u0441\u043B\u043E\u0432\u0430\u0440\u044C\\Dict.mdb", L"\\\\unc\\Dict.mdb"};
    std::vector<PendingOperation> kept = withoutThoseTouching(operations, installed);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].source, operations[1].source) << "another file of the share";
    EXPECT_EQ(kept[1].source, operations[3].source) << "Latin-1 knows no Cyrillic capitals";
    EXPECT_EQ(kept[2].source, operations[4].source) << "a folder named UNC is no share";
    // Cyrillic small letters lie 0x20 below their capitals, as the ASCII ones do.
    const PathForm cyrillic = [](std::wstring& text) {
        foldLatinCase(text);
        for (wchar_t& c : text) {
            if (c >= 0x430 && c <= 0x44F)
                c = static_cast<wchar_t>(c - 0x20);
        }
    };
    kept = withoutThoseTouching(operations, installed, cyrillic);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].source, operations[1].source);
    EXPECT_EQ(kept[1].source, operations[4].source);
}

// A program may name a path with "\\?\" as the system does with "\??\": the same file.
TEST(SetupPendingOperations, APathInAProgramsLongFormNamesTheSameFile) {
    const std::vector<PendingOperation> operations = {
        {L"\\\\?\\C:\\Program Files\\Technical Glossary\\Dict.mdb", L""},
        {L"\\\\?\\UNC\\Server\\Apps\\Technical Glossary", L""},
        {L"\\\\?\\C:\\Program Files\\Technical Glossary 2\\Dict.mdb", L""}};
    const std::vector<PendingOperation> kept =
        withoutThoseTouching(operations, {L"C:\\Program Files\\Technical Glossary\\Dict.mdb",
                                          L"\\\\server\\apps\\Technical Glossary\\glossary.exe"});
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].source, operations[2].source);
}
