// The product's whole life under Wine: setup.exe installs it, the glossary runs from its
// shortcut, the uninstaller removes it as a management tool or a person would; afterwards the
// C: drive and the registry are as they were, but for the uninstaller's own copy and folder
// that wait for the next restart.
#include "SetupTestSupport.h"
#include "driver/DialogDriver.h"
#include "driver/ScreenCapture.h"
#include "driver/WindowFinder.h"
#include "glossary/GlossaryProcess.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/AccessRights.h"
#include "win32/Com.h"
#include "win32/Process.h"

#include "../../uninstall/ui/ResourceIds.h"

#include <gtest/gtest.h>

#include <objidl.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <map>
#include <set>

using namespace driver;
using namespace setuptest;
using namespace testsupport;

namespace {

constexpr int kSetupFolder = 101; // the setup dialog's folder box
constexpr int kSetupBrowse = 102;

// Where a shell link leads: its target and working directory.
bool readShortcut(const std::string& link, std::string& target, std::string& directory) {
    win32::ComPtr<IShellLinkA> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                shellLink.receiveVoid())))
        return false;
    win32::ComPtr<IPersistFile> file;
    bool read = false;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.receiveVoid()))) {
        const std::wstring wide(link.begin(), link.end());
        char path[MAX_PATH] = {}, folder[MAX_PATH] = {};
        read = SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
               SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)) &&
               SUCCEEDED(shellLink->GetWorkingDirectory(folder, MAX_PATH));
        target = path;
        directory = folder;
    }
    return read;
}

void readTree(const std::string& folder, std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAA found;
    const win32::FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search)
        return;
    do {
        const std::string path = folder + "\\" + found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            out[path] = readFile(path);
    } while (FindNextFileA(search.get(), &found));
}

// Every byte of the installation's files and shortcuts, and its registration's values.
std::map<std::string, std::string> installedState(const std::string& directory) {
    std::map<std::string, std::string> state;
    readTree(directory, state);
    readTree(commonPrograms() + "\\Technical Glossary", state);
    std::set<std::string> values;
    listKeys(HKEY_LOCAL_MACHINE, "hklm", kUninstallKey, values);
    for (const std::string& value : values)
        state[value] = "";
    return state;
}

// The names of system libraries that setup.exe loads at run time, for its dialog, Browse, the
// installation and the shortcuts (Wine's +loaddll). Not msimg32.dll: Wine's own uxtheme
// resolves its delayed import of it from the program's folder, past the restricted search that
// Windows applies to delayed imports too.
const char* const kRunTimeLibraries[] = {"uxtheme.dll", "comctl32.dll"};

// Wine told to prefer libraries found elsewhere to its own for those names, in the programs
// of that name.
const std::string kWineOverrides = "Software\\Wine\\AppDefaults\\";

class SetupRoundTrip : public ::testing::Test {
protected:
    // setup.exe starts from a folder like Downloads, where anyone may have put libraries under
    // the names of system libraries; those of ours leave a mark if they are ever loaded.
    void SetUp() override {
        ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey))
            << "an earlier installation is still there";
        for (const char* program : {"setup.exe", "setup_with_shared_file.exe"}) {
            ASSERT_TRUE(CopyFileA((binaryDirectory() + "\\" + program).c_str(),
                                  downloads_.file(program).c_str(), FALSE));
            for (const char* name : kRunTimeLibraries)
                setString(HKEY_CURRENT_USER, kWineOverrides + program + "\\DllOverrides",
                          std::string(name, std::strlen(name) - 4), "native,builtin");
        }
        for (const char* name : kRunTimeLibraries)
            ASSERT_TRUE(CopyFileA((binaryDirectory() + "\\planted.dll").c_str(),
                                  downloads_.file(name).c_str(), FALSE));
    }
    void TearDown() override {
        EXPECT_FALSE(fileExists(downloads_.file("planted-loaded.txt")))
            << "a library beside setup.exe was loaded";
        for (const char* program : {"setup.exe", "setup_with_shared_file.exe"})
            deleteTree(HKEY_CURRENT_USER, kWineOverrides + program);
    }
    const win32::ComApartment com_;
    const TempDirectory downloads_{"downloads"};
    const EnvironmentOverride plantedOut_{"PLANTED_OUT", downloads_.file("planted-loaded.txt")};

    // The glossary from the Start menu's shortcut, in the folder the shortcut names.
    void useTheGlossary() {
        std::string target, directory;
        ASSERT_TRUE(readShortcut(commonPrograms() + "\\Technical Glossary\\Technical Glossary.lnk",
                                 target, directory));
        EXPECT_EQ(lower(target), lower(registered("InstallLocation") + "\\glossary.exe"));
        GlossaryProcess glossary(target, directory, kTimeoutMs);
        ASSERT_TRUE(glossary.valid());
        EXPECT_TRUE(eventually(
            [&] { return glossary.itemCount() > 100 && !glossary.pageText().empty(); }, kTimeoutMs))
            << "the installed Dict.mdb, first term shown";
        glossary.clickExit();
        DWORD exitCode = 1;
        EXPECT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
    }

    std::string setup(const char* name = "setup.exe") const {
        return "\"" + downloads_.file(name) + "\"";
    }
};

} // namespace

TEST_F(SetupRoundTrip, UnattendedInstallUseAndRemoveLeaveNothingBehind) {
    TempDirectory scratch("setup-scratch");
    const std::set<std::string> before = snapshot();
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait(setup() + " /S", kTimeoutMs, exitCode));
    ASSERT_EQ(exitCode, 0u);
    const std::string directory = registered("InstallLocation");
    const std::string quiet = registered("QuietUninstallString");
    EXPECT_EQ(quiet, "\"" + directory + "\\uninstall.exe\" /S");
    EXPECT_EQ(registered("DisplayName"), "Technical Glossary");
    EXPECT_EQ(registered("DisplayIcon"), directory + "\\glossary.exe,0");
    // The folders it made let in only SYSTEM, the Administrators and Users; Wine turns that
    // list into a Unix mode without rights for others, and Everyone's entry with it.
    for (const std::string& folder : {directory, commonPrograms() + "\\Technical Glossary"})
        EXPECT_EQ(everyonesRights(folder), 0u) << folder;
    useTheGlossary();

    // Installing into another folder while it is registered here is refused.
    ASSERT_TRUE(
        runAndWait(setup() + " /S /D=" + scratch.file("Technical Glossary"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 1603u);
    EXPECT_FALSE(fileExists(scratch.file("Technical Glossary")));
    EXPECT_EQ(registered("InstallLocation"), directory);

    // A reinstall that fails at its last step leaves the registration of an earlier version,
    // the shortcuts, the files and the log exactly as they were.
    setString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "1.2");
    const std::map<std::string, std::string> installed = installedState(directory);
    ASSERT_TRUE(CreateDirectoryA((directory + "\\Setup.log.new").c_str(), nullptr));
    ASSERT_TRUE(runAndWait(setup() + " /S", kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 1603u);
    RemoveDirectoryA((directory + "\\Setup.log.new").c_str());
    EXPECT_EQ(installedState(directory), installed);

    // Installing again over it keeps one registration and one log.
    ASSERT_TRUE(runAndWait(setup() + " /S", kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(registered("DisplayVersion"), "1.3");

    // A log that anyone may change is not acted on with administrator rights.
    openToEveryone(directory + "\\Setup.log");
    const std::string report = scratch.file("report.txt");
    ASSERT_TRUE(runAndWait(quiet + " \"/LOG=" + report + "\"", kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 2u);
    EXPECT_NE(readFile(report).find("Everyone may write"), std::string::npos) << readFile(report);
    DeleteFileA(report.c_str());
    EXPECT_TRUE(fileExists(directory + "\\glossary.exe"));
    protect(directory + "\\Setup.log");

    // As a management tool does: start the quiet command and wait for it; the glossary left
    // open is closed first, as asked.
    std::string target, folder;
    ASSERT_TRUE(readShortcut(commonPrograms() + "\\Technical Glossary\\Technical Glossary.lnk",
                             target, folder));
    GlossaryProcess stillOpen(target, folder, kTimeoutMs);
    ASSERT_TRUE(stillOpen.valid());
    ASSERT_TRUE(runAndWait(quiet + " /CLOSEAPPS", kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    DWORD glossaryExit = 1;
    EXPECT_TRUE(stillOpen.waitForExit(kTimeoutMs, glossaryExit));
    std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);

    // The whole option quoted, into folders that do not exist yet: they go with it.
    ASSERT_TRUE(runAndWait(setup() + " /S \"/D=C:\\New Parent \xDC\\Deeper\\Technical Glossary\"",
                           kTimeoutMs, exitCode));
    ASSERT_EQ(exitCode, 0u);
    EXPECT_EQ(registered("InstallLocation"), "C:\\New Parent \xDC\\Deeper\\Technical Glossary");
    // Repaired there: the folders it made above are named again, in their own letters.
    ASSERT_TRUE(runAndWait(setup() + " /S", kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

TEST_F(SetupRoundTrip, AFileSharedWithAnotherProductKeepsItsCountAndStays) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string shared = std::string(system) + "\\tg_shared_test.dll";
    // Another product installed it first and counts it once.
    writeFile(shared, "another product's file");
    setDword(HKEY_LOCAL_MACHINE, kSharedKey, shared, 1);
    const std::set<std::string> before = snapshot();
    // A stale log in the destination that says the file was counted already: it is no
    // installation of this product that the system knows of, so the count still rises.
    char programFiles[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    const std::string destination = std::string(programFiles) + "\\Technical Glossary";
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
    writeFile(destination + "\\Setup.log",
              "[COMMON]\r\nApplication_Name=Technical Glossary\r\n[SHAREDFILES]\r\n" + shared +
                  "\r\n");

    DWORD exitCode = 99;
    ASSERT_TRUE(
        runAndWait(setup("setup_with_shared_file.exe") + " /S /INVERT", kTimeoutMs, exitCode));
    ASSERT_EQ(exitCode, 0u);
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 2u);
    const std::string log = readFile(registered("InstallLocation") + "\\Setup.log");
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0], '[') << "stored inverted";
    ASSERT_TRUE(runAndWait(setup("setup_with_shared_file.exe") + " /S", kTimeoutMs, exitCode));
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 2u)
        << "installing again counts it once";

    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(readDword(HKEY_LOCAL_MACHINE, kSharedKey, shared), 1u);
    EXPECT_TRUE(fileExists(shared)) << "still the other product's";
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
    deleteValue(HKEY_LOCAL_MACHINE, kSharedKey, shared);
    DeleteFileA(shared.c_str());
}

TEST_F(SetupRoundTrip, ThroughTheDialogsOfSetupAndUninstaller) {
    const std::set<std::string> before = snapshot();
    const win32::Handle started = startProgram(setup(), downloads_.path());
    ASSERT_TRUE(started.valid());
    const HWND dialog = dialogOf(downloads_.path(), "Technical Glossary Setup");
    ASSERT_NE(dialog, nullptr);
    // Found by its caption, the dialog may still be filling in its controls.
    char folder[MAX_PATH] = {};
    EXPECT_TRUE(eventually(
        [&] { return GetDlgItemTextA(dialog, kSetupFolder, folder, MAX_PATH) > 0; }, kTimeoutMs));
    EXPECT_NE(lower(folder).find("\\program files\\technical glossary"), std::string::npos)
        << folder;
    // Painted before the picture is taken: the dialog's thread paints it all now, or the call
    // fails.
    EXPECT_TRUE(RedrawWindow(dialog, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW));
    RECT bounds = {};
    GetWindowRect(dialog, &bounds);
    saveScreenArea(bounds, binaryDirectory() + "\\setup-dialog.bmp");
    // Browse shows the shell's folder dialog, which loads libraries of its own.
    press(dialog, kSetupBrowse);
    const HWND browse = dialogOf(downloads_.path(), "Browse for Folder");
    ASSERT_NE(browse, nullptr);
    PostMessageA(browse, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(eventually([&] { return !IsWindow(browse); }, kTimeoutMs));
    press(dialog, IDOK);
    HWND done = nullptr;
    ASSERT_TRUE(eventually(
        [&] {
            done = findDialogOfProgramIn(downloads_.path(), "Technical Glossary Setup");
            return done != nullptr && done != dialog;
        },
        kTimeoutMs));
    EXPECT_NE(windowText(GetDlgItem(done, 0xFFFF)).find("has been installed"), std::string::npos);
    PostMessageA(done, WM_COMMAND, IDOK, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(win32::waitForExit(started.get(), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    useTheGlossary();

    // The uninstaller as a person runs it, the glossary still open: Yes; the glossary is named,
    // and Continue closes it; then OK when it is done.
    std::string target, startIn;
    ASSERT_TRUE(readShortcut(commonPrograms() + "\\Technical Glossary\\Technical Glossary.lnk",
                             target, startIn));
    GlossaryProcess stillOpen(target, startIn, kTimeoutMs);
    ASSERT_TRUE(stillOpen.valid());
    const std::string directory = registered("InstallLocation");
    const win32::Handle uninstaller = startProgram(registered("UninstallString"), directory);
    ASSERT_TRUE(uninstaller.valid());
    const std::string temp = uninstallCopyRoot();
    const HWND confirm = dialogOf(temp, "Remove Technical Glossary");
    ASSERT_NE(confirm, nullptr);
    press(confirm, IDC_ANSWER_YES);
    const HWND running = dialogOf(temp, "Programs still running");
    ASSERT_NE(running, nullptr);
    EXPECT_NE(windowText(GetDlgItem(running, 0xFFFF))
                  .find("Technical Glossary (glossary.exe) is running."),
              std::string::npos)
        << windowText(GetDlgItem(running, 0xFFFF));
    PostMessageA(running, WM_COMMAND, IDCONTINUE, 0);
    DWORD glossaryExit = 1;
    EXPECT_TRUE(stillOpen.waitForExit(kTimeoutMs, glossaryExit)) << "closed as asked";
    const HWND progress = dialogOf(temp, "Removing Technical Glossary...");
    ASSERT_NE(progress, nullptr);
    const win32::Handle copy = processOf(progress);
    ASSERT_TRUE(eventually(
        [&] { return IsWindowVisible(progress) && IsWindowEnabled(GetDlgItem(progress, IDC_OK)); },
        kTimeoutMs));
    press(progress, IDC_OK);
    ASSERT_TRUE(eventually([&] { return !IsWindow(progress); }, kTimeoutMs));
    ASSERT_TRUE(eventually(
        [&] { return !keyExists(HKEY_LOCAL_MACHINE, kUninstallKey) && !fileExists(directory); },
        kTimeoutMs));
    // The copy ends after its last window, and only then is all it changed in place.
    DWORD copyExit = STILL_ACTIVE;
    EXPECT_TRUE(win32::waitForExit(copy.get(), kTimeoutMs, copyExit));
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

namespace {

// The box that the dialog shows for a destination it refuses; the dialog then stays for
// another folder, and is cancelled.
std::string refusalShown(const std::wstring& destination) {
    const win32::Handle started =
        startProgram("\"" + binaryDirectory() + "\\setup.exe\"", binaryDirectory());
    const HWND dialog = dialogOf(binaryDirectory(), "Technical Glossary Setup");
    if (dialog == nullptr)
        return "no dialog";
    // Typed over the default that the dialog puts there as it starts.
    const bool typed = eventually(
        [&] {
            wchar_t text[MAX_PATH] = {};
            SetDlgItemTextW(dialog, kSetupFolder, destination.c_str());
            GetDlgItemTextW(dialog, kSetupFolder, text, MAX_PATH);
            return destination == text;
        },
        kTimeoutMs);
    if (!typed)
        return "the folder could not be typed";
    press(dialog, IDOK);
    HWND box = nullptr;
    eventually(
        [&] {
            box = findDialogOfProgramIn(binaryDirectory(), "Technical Glossary Setup");
            return box != nullptr && box != dialog;
        },
        kTimeoutMs);
    // Found by its caption, the box may not have its text yet.
    std::string text = "no box";
    if (box != nullptr)
        eventually([&] { return !(text = windowText(GetDlgItem(box, 0xFFFF))).empty(); },
                   kTimeoutMs);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    const bool stays =
        eventually([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, kTimeoutMs);
    press(dialog, IDCANCEL);
    DWORD exitCode = 0;
    win32::waitForExit(started.get(), kTimeoutMs, exitCode);
    return stays && exitCode == 1602 ? text : "the dialog did not stay: " + text;
}

} // namespace

TEST(SetupFailure, RefusedDestinationsLeaveNothingBehind) {
    TempDirectory root("setup-refused");
    writeFile(root.file("taken"), "a file where the folder would go");
    // The ASCII look-alike of a name the code page cannot hold holds something else.
    CreateDirectoryA(root.file("G").c_str(), nullptr);
    writeFile(root.file("G\\keep.txt"), "another program's file");
    CreateDirectoryA(root.file("open").c_str(), nullptr);
    openToEveryone(root.file("open"));
    CreateDirectoryA(root.file("other").c_str(), nullptr);
    writeFile(root.file("other\\Setup.log"), "[COMMON]\r\nApplication_Name=Other Product\r\n");
    CreateDirectoryA(root.file("real").c_str(), nullptr);
    ASSERT_TRUE(makeLink(root.file("real"), root.file("linked")));
    const std::wstring base = widen(root.path());
    const std::pair<std::wstring, const char*> refused[] = {
        {base + L"\\taken\\Technical Glossary", "is a file, not a folder"},
        {base + L"\\\u011E", "the character"},                   // best fit: G
        {base + L"\\x\uFF3CG", "the character"},                 // best fit: x\G
        {base + L"\\\u6280\u672F\u8BCD\u5178", "the character"}, // Chinese
        {L"C:\\", "root folder"},
        {base + L"\\[COMMON]", "\"[\" or \"]\""},
        {base + L"\\open", "not administrators: Everyone may write"},
        {base + L"\\open\\Technical Glossary", "not administrators: Everyone may write"},
        {base + L"\\other", "setup log of another product (Other Product)"},
        {base + L"\\linked\\Technical Glossary", "is a link or junction"},
        {base + L"\\linked", "is a link or junction"},
    };
    const std::set<std::string> before = snapshot();
    for (const auto& [destination, reason] : refused)
        EXPECT_EQ(setupInto(destination), 1603u) << reason;
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
    EXPECT_FALSE(fileExists(root.file("real\\Technical Glossary"))) << "nothing behind the link";

    // Through the dialog: the reason in a box, and the dialog stays for another folder.
    for (const std::size_t i : {0, 1, 5, 6, 8, 9}) {
        const auto& [destination, reason] = refused[i];
        const std::string shown = refusalShown(destination);
        EXPECT_NE(shown.find(reason), std::string::npos) << reason << ": " << shown;
    }
}

// Setup counts its own account as an administrator only where it is labelled high, unless the
// label it writes on the system volume reads back missing (as under Wine, which keeps none) and
// so does the one it writes in its temporary folder: a temporary folder that does not exist, or
// one on a volume that keeps no security (the test prefix's N:, as a stick or a disc), leaves
// that unknown, and unknown is strict. Then the account's own folder, as Wine gives every
// folder to it, is refused by its owner.
TEST(SetupFailure, WhereLabelsCountTheAccountsOwnFolderIsRefusedByItsOwner) {
    TempDirectory root("setup-strict");
    CreateDirectoryA(root.file("own").c_str(), nullptr);
    const std::string noSecurity = "N:\\setup-strict-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(noSecurity.c_str(), nullptr)) << "the test prefix's N: drive";
    for (const std::string& temporary : {root.file("no such folder"), noSecurity}) {
        SCOPED_TRACE(temporary);
        const std::string report = root.file("report.txt");
        std::wstring environment;
        for (const wchar_t* at = GetEnvironmentStringsW(); *at != L'\0'; at += wcslen(at) + 1) {
            if (_wcsnicmp(at, L"TEMP=", 5) != 0 && _wcsnicmp(at, L"TMP=", 4) != 0)
                environment += std::wstring(at) + L'\0';
        }
        const std::wstring temp = widen(temporary);
        environment += L"TEMP=" + temp + L'\0' + L"TMP=" + temp + L'\0' + L'\0';
        std::wstring line = L"\"" + widen(binaryDirectory()) + L"\\setup.exe\" /S /LOG=" +
                            widen(report) + L" /D=" + widen(root.file("own"));
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        const std::set<std::string> before = snapshot();
        ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE,
                                   CREATE_UNICODE_ENVIRONMENT, &environment[0], nullptr, &startup,
                                   &started));
        const win32::Handle thread(started.hThread), process(started.hProcess);
        DWORD exitCode = STILL_ACTIVE;
        ASSERT_TRUE(win32::waitForExit(process.get(), kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 1603u);
        const std::wstring account = win32::accountText(win32::processUserSid().data());
        const std::string told = readFile(report);
        // The first folder on the way is the drive's root, which Wine gives to the account too.
        EXPECT_NE(told.find("\" can be changed by users who are not administrators: Its owner (" +
                            std::string(account.begin(), account.end()) + ") may"),
                  std::string::npos)
            << told;
        DeleteFileA(report.c_str());
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        const std::vector<std::string> changed = differences(before, snapshot());
        EXPECT_TRUE(changed.empty()) << join(changed);
    }
    RemoveDirectoryA(noSecurity.c_str());
}

// Run by the test setup_tests_utf8, with Wine's ANSI code page set to UTF-8.
TEST_F(SetupRoundTrip, OnAUtf8SystemEveryFolderNameInstallsAndUninstalls) {
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
    TempDirectory root("setup-utf8");
    const std::set<std::string> before = snapshot();
    for (const wchar_t* name : {L"\u011E", L"x\uFF3CG", L"\u6280\u672F\u8BCD\u5178"}) {
        const std::wstring destination = widen(root.path()) + L"\\" + name;
        EXPECT_EQ(setupInto(destination), 0u);
        const std::string directory = registered("InstallLocation");
        EXPECT_EQ(GetFileAttributesW(destination.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
                  static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
        EXPECT_NE(readFile(directory + "\\Setup.log").find("[APPDIR]\r\n" + directory + "\r\n"),
                  std::string::npos);
        DWORD exitCode = 99;
        ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(GetFileAttributesW(destination.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}

TEST(SetupCommandLine, UnknownOptionsChangeNothingAndUnderSlashSNothingIsShown) {
    // A box would wait for a click that never comes: the run would not end.
    for (const char* options : {" /S /bogus", " /bogus /S", " /VERYSILENT /SUPPRESSMSGBOXES /bogus",
                                " /qx /NORESTART -s"}) {
        DWORD exitCode = 0;
        EXPECT_TRUE(
            runAndWait("\"" + binaryDirectory() + "\\setup.exe\"" + options, 30000, exitCode))
            << options;
        EXPECT_EQ(exitCode, 87u) << options;
    }
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// A management tool reads standard error when there is no report: the reason is written there
// (and to the event log), not only to a debugger.
TEST(SetupCommandLine, ARefusalWithoutAReportIsWrittenToStandardError) {
    std::string error;
    EXPECT_EQ(runWithStandardError("\"" + binaryDirectory() + "\\setup.exe\" /S /X", error, 30000),
              87u);
    EXPECT_EQ(error.rfind("setup.exe: The option \"/X\" is not known to setup.", 0), 0u) << error;
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// Made absolute, a relative report path would land wherever the tool started setup (for SYSTEM,
// the system folder): refused with its reason, and nothing is installed.
TEST(SetupCommandLine, AReportNamedByARelativePathIsRefusedWithItsReason) {
    TempDirectory folder("setup-relative");
    char previous[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    for (const char* path : {"setup.txt", "Logs\\setup.txt", "C:setup.txt"}) {
        std::string error;
        EXPECT_EQ(runWithStandardError("\"" + binaryDirectory() +
                                           "\\setup.exe\" /S \"/LOG=" + path + "\"",
                                       error, 30000),
                  87u)
            << path;
        EXPECT_NE(error.find(std::string("\"") + path + "\" is named by a relative path"),
                  std::string::npos)
            << error;
    }
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(fileExists(folder.file("setup.txt")));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// Deployment templates put /S anywhere, also after the folder: no folder name holds a '/', so the
// folder ends before it.
TEST(SetupCommandLine, SwitchesAfterTheFolderInstallUnattendedIntoTheFolderBeforeThem) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    TempDirectory root("setup-switches");
    const std::set<std::string> before = snapshot();
    const std::string directory = root.file("Apps\\Last");
    const std::string setup = "\"" + binaryDirectory() + "\\setup.exe\"";
    DWORD exitCode = 99;
    // Without the fix the dialog opens for the folder "...\Last /S" and waits for a click.
    ASSERT_TRUE(runAndWait(setup + " /D=" + directory + " /S", 60000, exitCode))
        << "a window waits for a click";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(registered("InstallLocation"), directory);
    EXPECT_TRUE(fileExists(directory + "\\glossary.exe"));
    ASSERT_TRUE(runAndWait(setup + " /VERYSILENT /D=" + directory + " /NORESTART /SUPPRESSMSGBOXES",
                           60000, exitCode));
    EXPECT_EQ(exitCode, 0u) << "the same folder, repaired";
    EXPECT_EQ(registered("InstallLocation"), directory) << "no blank at its end";
    ASSERT_TRUE(runAndWait(registered("QuietUninstallString"), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> changed = differences(before, snapshot());
    EXPECT_TRUE(changed.empty()) << join(changed);
}
