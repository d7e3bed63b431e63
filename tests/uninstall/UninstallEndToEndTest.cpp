// uninstall.exe run as a user runs it, with no arguments, on a test product installed for the
// test: the relay, the temporary copy and the main stage all run for real, and a driver of
// ours answers the dialogs and reads what they show.
#include "driver/DialogDriver.h"
#include "driver/ScreenCapture.h"
#include "driver/WindowFinder.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/Process.h"
#include "win32/WindowText.h"

#include "../../uninstall/ui/ResourceIds.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace driver;
using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 60000;
const std::string kSharedKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The progress dialog has its caption from the start of its initialisation, while its OK
// button still has the template's state: only a shown dialog is judged.
bool finished(HWND progress) {
    return IsWindowVisible(progress) && IsWindowEnabled(GetDlgItem(progress, IDC_OK));
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs) {
    return eventually(condition, timeoutMs);
}

// Whether `dialog` is still open once it has handled `command`, posted to it. Posted messages
// are handled in order: the default button changed by a probe posted after the command proves,
// once it shows, that the command was handled. A dialog that closed on it is gone instead.
bool openAfter(HWND dialog, int command, int probeDefault) {
    const int before = LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0));
    PostMessageA(dialog, WM_COMMAND, command, 0);
    PostMessageA(dialog, DM_SETDEFID, probeDefault, 0);
    const bool handled = waitUntil([&] {
        DWORD_PTR id = 0;
        return !IsWindow(dialog) ||
               (SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_NORMAL, 5000, &id) &&
                LOWORD(id) == probeDefault);
    });
    if (!handled || !IsWindow(dialog))
        return false;
    SendMessageA(dialog, DM_SETDEFID, before, 0);
    return true;
}

DWORD exitCodeOf(const win32::Handle& process) {
    DWORD code = STILL_ACTIVE;
    win32::waitForExit(process.get(), kTimeoutMs, code);
    return code;
}

// A temporary copy (Del*.tmp) is among the deletions pending for the next restart.
bool copyScheduledForRestart() {
    for (const std::string& entry : pendingOperations()) {
        if (entry.find("\\Del") != std::string::npos)
            return true;
    }
    return false;
}

std::string line(const std::string& key, const std::string& value) {
    return key + "=" + value + "\r\n";
}

// A product as the setup program leaves it: files, folders, shared files, registry entries, a
// COM server, a program to run first, and the log that lists them.
class Product {
public:
    explicit Product(bool invertedLog = false) {
        CreateDirectoryA(app_.c_str(), nullptr);
        CreateDirectoryA(temp_.c_str(), nullptr);
        CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(), file("uninstall.exe").c_str(),
                  FALSE);
        writeFile(file("a.txt"), "a");
        writeFile(file("ro.txt"), "r");
        SetFileAttributesA(file("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        writeFile(file("held.txt"), "h");
        CreateDirectoryA(file("emptyfolder").c_str(), nullptr);
        CreateDirectoryA(file("fullfolder").c_str(), nullptr);
        writeFile(file("fullfolder\\x.txt"), "x");
        for (const char* name :
             {"shared3.dll", "shared1.dll", "shared1b.dll", "nocount.dll", "std1.dll"})
            writeFile(file(name), "dll");
        createKey(HKEY_LOCAL_MACHINE, kSharedKey);
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, file("shared3.dll"), 3);
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, file("shared1.dll"), 1);
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, file("shared1b.dll"), 1);
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, file("gone.dll"), 1);
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, file("zero.dll"), 0);
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, file("std1.dll"), 1);
        createKey(HKEY_CURRENT_USER, "Software\\SetupTestsE2E\\Product");
        setString(HKEY_CURRENT_USER, "Software\\SetupTestsE2E\\Keep", "Value", "v");
        setString(HKEY_CURRENT_USER, "Software\\SetupTestsE2E\\Keep", "Other", "o");
        createKey(HKEY_CURRENT_USER, "SetupTestsE2ETop");

        std::string log =
            "[COMMON]\r\n" + line("Application_Name", "Test Product") +
            line("1001", "Uninstall %1") + line("1101", "Confirm removal") +
            line("1102", "Remove %1 and all of its parts?") + line("1201", "Removing the product") +
            line("1202", "Removing %1, please wait...") +
            line("1203", "Some items could not be removed.") + line("1204", "All removed.") +
            line("1302", "%1 in %2 is no longer used.\\rRemove it?") + line("1400", "Not removed") +
            line("1402", "Cannot remove folder") + line("1403", "Cannot remove file") +
            line("1205", "A restart completes it.") + line("1404", "(held: at the restart)");
        log +=
            "[RUNAPPS]\r\n" + line("BeforeUninstall", binaryDirectory() + "\\recorder.exe,/before");
        log += "[REGDLLS]\r\n" + binaryDirectory() + "\\comserver_records.dll\r\n";
        log += "[SHAREDFILES]\r\n" + file("shared3.dll") + "\r\n" + file("shared1.dll") + "\r\n" +
               file("gone.dll") + "\r\n" + file("shared1b.dll") + "\r\n" + file("nocount.dll") +
               "\r\n";
        log += "[STDFILES]\r\n" + file("std1.dll") + "\r\n";
        log += "[APPFILES]\r\n" + file("a.txt") + "\r\n" + file("ro.txt") + "\r\n" +
               file("missing.txt") + "\r\n" + file("held.txt") + "\r\n";
        log += "[APPFOLDERS]\r\n" + file("emptyfolder") + "\r\n" + file("fullfolder") + "\r\n" +
               file("nofolder") + "\r\n";
        log += "[APPDIR]\r\n" + app_ + "\r\n";
        log += "[REGENTRY]\r\nHKCU,Software\\SetupTestsE2E\\Product\r\nHKCU,SetupTestsE2ETop\r\n";
        log += "[REGVALUES]\r\nHKCU,Software\\SetupTestsE2E\\Keep,Value\r\n";
        if (invertedLog) {
            for (char& c : log)
                c = static_cast<char>(~static_cast<unsigned char>(c));
        }
        writeFile(file("Setup.log"), log);
    }
    ~Product() {
        SetFileAttributesA(file("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        deleteTree(HKEY_CURRENT_USER, "Software\\SetupTestsE2E");
        deleteTree(HKEY_CURRENT_USER, "SetupTestsE2ETop");
        for (const char* name :
             {"shared3.dll", "shared1.dll", "shared1b.dll", "gone.dll", "std1.dll"})
            deleteValue(HKEY_LOCAL_MACHINE, kSharedKey, file(name));
    }

    std::string file(const std::string& name) const { return app_ + "\\" + name; }
    const std::string& directory() const { return app_; }

    // Starts the uninstaller as the user does; returns the relay's exit code.
    DWORD start(const std::string& options = std::string()) {
        DWORD exitCode = 0;
        EXPECT_TRUE(
            runAndWait("\"" + file("uninstall.exe") + "\"" + options, kTimeoutMs, exitCode));
        return exitCode;
    }

    TempDirectory root_{"uninstall-e2e"};
    std::string app_ = root_.file("Test Product");
    // The temporary copy goes here, so that its boxes are told apart from other tests'.
    std::string temp_ = root_.file("temp");
    EnvironmentOverride tmp_{"TMP", temp_};
    EnvironmentOverride tempVariable_{"TEMP", temp_};
    RecorderSetting recorder_{"RECORDER_OUT", root_.file("before.txt")};
    EnvironmentOverride unregister_{"UNREG_OUT", root_.file("unregistered.txt")};
    // Both must run while the product's first file is still there.
    RecorderSetting recorderCheck_{"RECORDER_CHECK", app_ + "\\a.txt"};
    EnvironmentOverride unregisterCheck_{"UNREG_CHECK", app_ + "\\a.txt"};
};

} // namespace

TEST(UninstallRun, NoLeavesEverythingAndEndsWithZero) {
    Product product;
    EXPECT_EQ(product.start(), 0xFFFFFFFFu) << "the relay ends with -1";
    const HWND confirm = dialogNamed("Confirm removal", kTimeoutMs);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(controlText(GetDlgItem(confirm, IDC_TEXT)),
              "Remove Test Product and all of its parts?");
    const win32::Handle copy = processOf(confirm);
    // While it runs, nobody renames or replaces the program file it runs from.
    char image[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    ASSERT_TRUE(QueryFullProcessImageNameA(copy.get(), 0, image, &length));
    const std::string copyPath = image;
    const std::string folder = copyPath.substr(0, copyPath.rfind('\\'));
    EXPECT_EQ(lstrcmpiA(folder.substr(0, folder.rfind('\\')).c_str(), uninstallCopyRoot().c_str()),
              0)
        << copyPath;
    EXPECT_TRUE(filesMatching(product.temp_ + "\\Uninstall-*").empty() ||
                lstrcmpiA(uninstallCopyRoot().c_str(), product.temp_.c_str()) == 0);
    EXPECT_FALSE(MoveFileA(copyPath.c_str(), (copyPath + ".moved").c_str()));
    EXPECT_FALSE(CopyFileA(product.file("a.txt").c_str(), copyPath.c_str(), FALSE));
    press(confirm, IDC_ANSWER_NO);
    EXPECT_EQ(exitCodeOf(copy), 0u);
    EXPECT_TRUE(fileExists(product.file("a.txt")));
    EXPECT_FALSE(fileExists(product.root_.file("before.txt"))) << "nothing ran";
    EXPECT_TRUE(copyScheduledForRestart())
        << "the temporary copy goes at the next restart after No too";
}

TEST(UninstallRun, InteractiveRunWritesTheReportItIsAskedFor) {
    Product product;
    const std::string report = product.root_.file("interactive report.txt");
    product.start(" \"/LOG=" + report + "\"");
    const HWND confirm = dialogNamed("Confirm removal", kTimeoutMs);
    ASSERT_NE(confirm, nullptr);
    const win32::Handle copy = processOf(confirm);
    press(confirm, IDC_ANSWER_NO);
    EXPECT_EQ(exitCodeOf(copy), 0u);
    const std::string text = readFile(report);
    EXPECT_EQ(text.rfind("Summary\t"), text.find("Summary\t")) << "one summary";
    EXPECT_NE(text.find("\texit code 0\r\n"), std::string::npos) << text;
    EXPECT_TRUE(fileExists(product.file("a.txt"))) << "No removes nothing";
}

TEST(UninstallRun, EscapeInTheConfirmationIsNo) {
    Product product(true); // and the log stored byte-inverted
    product.start();
    const HWND confirmation = dialogNamed("Confirm removal", kTimeoutMs);
    ASSERT_NE(confirmation, nullptr);
    EXPECT_TRUE(waitUntil([&] {
        return controlText(GetDlgItem(confirmation, IDC_TEXT)) ==
               "Remove Test Product and all of its parts?";
    }));
    const win32::Handle first = processOf(confirmation);
    PostMessageA(confirmation, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(exitCodeOf(first), 0u);
}

TEST(UninstallRun, EscapeInTheConfirmationOfAPlainLogIsNoToo) {
    Product product;
    product.start();
    const HWND confirm = dialogNamed("Confirm removal", kTimeoutMs);
    ASSERT_NE(confirm, nullptr);
    const win32::Handle copy = processOf(confirm);
    PostMessageA(confirm, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(exitCodeOf(copy), 0u);
    EXPECT_TRUE(fileExists(product.file("a.txt")));
}

namespace {

// The temporary copies start in the temporary directory; libraries planted there under the
// names of system libraries must never be loaded.
class PlantedLibraries {
public:
    PlantedLibraries() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        for (const char* name : {"comctl32.dll", "version.dll", "uxtheme.dll"}) {
            paths_.push_back(std::string(temp) + name);
            CopyFileA((binaryDirectory() + "\\planted.dll").c_str(), paths_.back().c_str(), FALSE);
        }
    }
    ~PlantedLibraries() {
        for (const std::string& path : paths_)
            DeleteFileA(path.c_str());
    }

private:
    std::vector<std::string> paths_;
};

// On a failure: a picture of the screen and the tree of top-level windows with their controls,
// beside the test program, to see what the user would have seen.
void saveScreen(const std::string& path) {
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    saveScreenArea(screen, path);
}

BOOL CALLBACK describeWindow(HWND window, LPARAM parameter) {
    auto* out = reinterpret_cast<std::string*>(parameter);
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    const bool child = (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0;
    *out += std::string(child ? "    " : "") + name + " id " +
            std::to_string(GetDlgCtrlID(window)) + " \"" + controlText(window) + "\"" +
            (IsWindowVisible(window) ? " visible" : "") +
            (IsWindowEnabled(window) ? "" : " disabled") + "\r\n";
    if (!child)
        EnumChildWindows(window, describeWindow, parameter);
    return TRUE;
}

class FailureRecorder : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override {
        if (!test.result()->Failed())
            return;
        const std::string base = binaryDirectory() + "\\failure-" + test.name();
        saveScreen(base + ".bmp");
        std::string tree;
        EnumWindows(describeWindow, reinterpret_cast<LPARAM>(&tree));
        writeFile(base + "-windows.txt", tree);
    }
};

const bool kRecorderInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FailureRecorder);
    return true;
}();

} // namespace

TEST(UninstallRun, YesRemovesTheProductAndReportsWhatStayed) {
    Product product;
    const PlantedLibraries planted;
    const EnvironmentOverride plantedOut("PLANTED_OUT", product.root_.file("planted-loaded.txt"));
    const win32::Handle held(CreateFileA(product.file("held.txt").c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    product.start();
    const HWND confirm = dialogNamed("Confirm removal", kTimeoutMs);
    ASSERT_NE(confirm, nullptr);
    const win32::Handle copy = processOf(confirm);
    press(confirm, IDC_ANSWER_YES);

    // The first shared file without other users is asked about; "No to All" ends the asking.
    const HWND shared = dialogNamed("Remove Shared File?", kTimeoutMs);
    ASSERT_NE(shared, nullptr);
    const std::string question =
        "shared1.dll in " + product.directory() + " is no longer used.\n\rRemove it?";
    EXPECT_TRUE(waitUntil([&] { return controlText(GetDlgItem(shared, IDC_TEXT)) == question; }))
        << controlText(GetDlgItem(shared, IDC_TEXT));
    const auto buttonType = [&](int id) {
        return GetWindowLongA(GetDlgItem(shared, id), GWL_STYLE) & BS_TYPEMASK;
    };
    EXPECT_EQ(buttonType(IDC_ANSWER_YES), BS_DEFPUSHBUTTON);
    EXPECT_EQ(buttonType(IDC_ANSWER_YES_TO_ALL), BS_PUSHBUTTON) << "one default button only";
    EXPECT_TRUE(openAfter(shared, IDCANCEL, IDC_ANSWER_NO))
        << "Escape does not close the shared-file question";
    press(shared, IDC_ANSWER_NO_TO_ALL);

    const HWND progress = dialogNamed("Removing the product", kTimeoutMs);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(controlText(GetDlgItem(progress, IDC_TEXT)), "Removing Test Product, please wait...");
    // The marks appear one by one, in the order of the stages; the bar only moves forward.
    std::vector<int> order;
    const HWND bar = GetDlgItem(progress, IDC_PROGRESS);
    LRESULT lastPosition = 0;
    bool wrapped = false;
    ASSERT_TRUE(waitUntil([&] {
        const LRESULT position = SendMessageA(bar, PBM_GETPOS, 0, 0);
        wrapped = wrapped || position < lastPosition;
        lastPosition = position;
        for (int mark = IDC_MARK_SHARED; mark <= IDC_MARK_REGISTRY; ++mark) {
            if (IsWindowVisible(GetDlgItem(progress, mark)) &&
                std::find(order.begin(), order.end(), mark) == order.end())
                order.push_back(mark);
        }
        return finished(progress);
    }));
    EXPECT_EQ(order, (std::vector<int>{IDC_MARK_SHARED, IDC_MARK_STANDARD, IDC_MARK_FILES,
                                       IDC_MARK_FOLDERS, IDC_MARK_DIRECTORIES, IDC_MARK_REGISTRY}));
    EXPECT_EQ(dialogNamed("Remove Shared File?", 500), nullptr)
        << "no second question after No to All";
    for (int mark = IDC_MARK_SHARED; mark <= IDC_MARK_REGISTRY; ++mark)
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(progress, mark))) << mark;
    EXPECT_FALSE(wrapped) << "the bar went back during the run";
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 17)
        << "5 + 1 + 4 + 3 + 1 + 2 + 1 entries, registry values included";
    EXPECT_EQ(controlText(GetDlgItem(progress, IDC_STATUS)),
              "Some items could not be removed. A restart completes it.")
        << "the log's own texts, as a translated product supplies them";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress, IDC_DETAILS)));

    press(progress, IDC_DETAILS);
    const HWND details = dialogNamed("Not removed", kTimeoutMs);
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(controlText(GetDlgItem(details, IDC_DETAILS_TEXT)),
              "Cannot remove file \"" + product.file("held.txt") +
                  "\" (held: at the restart)\r\nCannot remove folder \"" +
                  product.file("fullfolder") + "\"\r\nCannot remove folder \"" +
                  product.file("nofolder") + "\"\r\nCannot remove folder \"" + product.directory() +
                  "\"\r\n");
    EXPECT_NE(GetWindowLongA(GetDlgItem(details, IDC_DETAILS_TEXT), GWL_STYLE) & WS_HSCROLL, 0)
        << "long paths scroll sideways";
    PostMessageA(details, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(details); })) << "Escape closes the details";
    press(progress, IDC_DETAILS);
    const HWND again = dialogNamed("Not removed", kTimeoutMs);
    ASSERT_NE(again, nullptr);
    press(again, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(again); }));
    // Details, pressed after Escape, proves once its dialog shows that Escape was handled.
    PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
    press(progress, IDC_DETAILS);
    const HWND probe = dialogNamed("Not removed", kTimeoutMs);
    EXPECT_TRUE(IsWindow(progress)) << "Escape does not close the progress dialog";
    ASSERT_NE(probe, nullptr);
    press(probe, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(probe); }));
    press(progress, IDC_OK);
    EXPECT_EQ(exitCodeOf(copy), 0u);

    // On disk and in the registry.
    EXPECT_TRUE(fileExists(product.root_.file("before.txt"))) << "the pre-uninstall program ran";
    EXPECT_TRUE(fileExists(product.root_.file("unregistered.txt")))
        << "the COM server was unregistered";
    EXPECT_FALSE(fileExists(product.file("a.txt")));
    EXPECT_FALSE(fileExists(product.file("ro.txt"))) << "read-only files go too";
    EXPECT_TRUE(fileExists(product.file("held.txt")));
    EXPECT_TRUE(pendingDeleteOf(product.file("held.txt"))) << "in use: it goes at the restart";
    EXPECT_FALSE(pendingDeleteOf(product.directory())) << "it holds more than scheduled files";
    EXPECT_FALSE(fileExists(product.file("emptyfolder")));
    EXPECT_TRUE(fileExists(product.file("fullfolder\\x.txt")));
    EXPECT_TRUE(fileExists(product.file("shared3.dll")));
    EXPECT_TRUE(fileExists(product.file("shared1.dll"))) << "kept: No to All";
    EXPECT_TRUE(fileExists(product.file("shared1b.dll")));
    EXPECT_TRUE(fileExists(product.file("std1.dll")))
        << "the answer holds in the standard files too";
    EXPECT_FALSE(fileExists(product.file("nocount.dll"))) << "no count: removed without asking";
    const auto count = [&](const char* name) {
        return static_cast<int>(readDword(HKEY_LOCAL_MACHINE, kSharedKey, product.file(name)));
    };
    EXPECT_EQ(count("shared3.dll"), 2);
    EXPECT_EQ(count("shared1.dll"), 0);
    EXPECT_EQ(count("gone.dll"), 0) << "a missing file keeps its count at 0";
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\SetupTestsE2E\\Product"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "SetupTestsE2ETop")) << "protected";
    EXPECT_FALSE(valueExists(HKEY_CURRENT_USER, "Software\\SetupTestsE2E\\Keep", "Value"));
    EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, "Software\\SetupTestsE2E\\Keep", "Other"));

    // The temporary copy is scheduled for deletion at the next restart.
    EXPECT_TRUE(copyScheduledForRestart());
    EXPECT_FALSE(fileExists(product.root_.file("planted-loaded.txt")))
        << "a planted library was loaded";
}

namespace {

// Started as the user does and answered Yes; false when no confirmation came.
bool startedAndConfirmed(Product& product, win32::Handle& copy) {
    product.start();
    const HWND confirm = dialogNamed("Confirm removal", kTimeoutMs);
    if (confirm == nullptr)
        return false;
    copy = processOf(confirm);
    press(confirm, IDC_ANSWER_YES);
    return true;
}

// The box that names the running programs, after Yes.
HWND runningProgramsBox(Product& product, win32::Handle& copy) {
    return startedAndConfirmed(product, copy)
               ? dialogNamed("Programs still running", kTimeoutMs, uninstallCopyRoot())
               : nullptr;
}

} // namespace

TEST(UninstallRun, RunningProgramsAreNamedAndClosedOrNothingIsRemoved) {
    {
        Product product;
        const ProductProgram glossary = startProductProgram(product.directory(), "glossary.exe",
                                                            "Technical Glossary", kTimeoutMs);
        ASSERT_TRUE(glossary.shown);
        win32::Handle copy;
        const HWND box = runningProgramsBox(product, copy);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(controlText(GetDlgItem(box, 0xFFFF))
                      .find("Technical Glossary (glossary.exe) is running."),
                  0u)
            << controlText(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(exitCodeOf(copy), 0u) << "Cancel ends the run as No does";
        EXPECT_TRUE(glossary.running());
        EXPECT_FALSE(fileExists(product.root_.file("before.txt"))) << "nothing ran";
        for (const char* name : {"a.txt", "glossary.exe", "Dict.mdb", "Setup.log"})
            EXPECT_TRUE(fileExists(product.file(name))) << name;
    }
    {
        // Continue closes what listens; what does not is named again.
        Product product;
        const ProductProgram glossary = startProductProgram(product.directory(), "glossary.exe",
                                                            "Technical Glossary", kTimeoutMs);
        const ProductProgram stubborn =
            startProductProgram(product.directory(), "stubborn.exe", "Stubborn", kTimeoutMs);
        ASSERT_TRUE(glossary.shown && stubborn.shown);
        win32::Handle copy;
        const HWND box = runningProgramsBox(product, copy);
        ASSERT_NE(box, nullptr);
        PostMessageA(box, WM_COMMAND, IDCONTINUE, 0);
        EXPECT_TRUE(waitUntil([&] { return !glossary.running(); }));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }));
        const HWND again = dialogNamed("Programs still running", kTimeoutMs, uninstallCopyRoot());
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(
            controlText(GetDlgItem(again, 0xFFFF)).find("Stubborn (stubborn.exe) is running.\n\n"),
            0u)
            << controlText(GetDlgItem(again, 0xFFFF));
        // A title in another script than the code page's is named as the program shows it.
        const std::wstring title = L"\u0423\u043f\u0440\u044f\u043c\u044b\u0439"; // Cyrillic
        ASSERT_TRUE(SetWindowTextW(waitForWindow(stubborn.process.id, "Stubborn", kTimeoutMs),
                                   title.c_str()));
        PostMessageA(again, WM_COMMAND, IDTRYAGAIN, 0);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(again); }));
        const HWND retitled =
            dialogNamed("Programs still running", kTimeoutMs, uninstallCopyRoot());
        ASSERT_NE(retitled, nullptr);
        EXPECT_EQ(win32::windowText(GetDlgItem(retitled, 0xFFFF))
                      .find(title + L" (stubborn.exe) is running.\n\n"),
                  0u)
            << controlText(GetDlgItem(retitled, 0xFFFF));
        TerminateProcess(stubborn.process.handle.get(), 0);
        WaitForSingleObject(stubborn.process.handle.get(), kTimeoutMs);
        PostMessageA(retitled, WM_COMMAND, IDTRYAGAIN, 0);
        const HWND progress = dialogNamed("Removing the product", kTimeoutMs);
        ASSERT_NE(progress, nullptr);
        const HWND shared = dialogNamed("Remove Shared File?", kTimeoutMs);
        ASSERT_NE(shared, nullptr);
        press(shared, IDC_ANSWER_NO_TO_ALL);
        ASSERT_TRUE(waitUntil([&] { return finished(progress); }));
        press(progress, IDC_OK);
        EXPECT_EQ(exitCodeOf(copy), 0u);
        for (const char* name : {"glossary.exe", "Dict.mdb", "stubborn.exe"})
            EXPECT_FALSE(fileExists(product.file(name))) << name;
    }
}

TEST(UninstallRun, AFolderThatGoesAtTheRestartIsListedAsAFolder) {
    Product product;
    const std::string folder = product.file("heldfolder");
    CreateDirectoryA(folder.c_str(), nullptr);
    writeFile(folder + "\\h.txt", "h");
    addLogEntry(product.file("Setup.log"), "APPFILES", folder + "\\h.txt");
    addLogEntry(product.file("Setup.log"), "APPFOLDERS", folder);
    const win32::Handle held(CreateFileA((folder + "\\h.txt").c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    win32::Handle copy;
    ASSERT_TRUE(startedAndConfirmed(product, copy));
    const HWND shared = dialogNamed("Remove Shared File?", kTimeoutMs);
    ASSERT_NE(shared, nullptr);
    press(shared, IDC_ANSWER_NO_TO_ALL);
    const HWND progress = dialogNamed("Removing the product", kTimeoutMs);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitUntil([&] { return finished(progress); }));
    press(progress, IDC_DETAILS);
    const HWND details = dialogNamed("Not removed", kTimeoutMs);
    ASSERT_NE(details, nullptr);
    const std::string text = controlText(GetDlgItem(details, IDC_DETAILS_TEXT));
    EXPECT_NE(text.find("Cannot remove file \"" + folder + "\\h.txt\" (held: at the restart)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Cannot remove folder \"" + folder + "\" (held: at the restart)"),
              std::string::npos)
        << text;
    press(details, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(details); }));
    press(progress, IDC_OK);
    EXPECT_EQ(exitCodeOf(copy), 0u);
    EXPECT_TRUE(pendingDeleteOf(folder));
}

TEST(UninstallRun, WorkerThatCannotStartStillLeavesAClosableDialog) {
    Product product;
    product.start();
    const HWND confirm = dialogNamed("Confirm removal", kTimeoutMs);
    ASSERT_NE(confirm, nullptr);
    const win32::Handle copy = processOf(confirm);
    // The worker opens its own reader of the log, which now fails.
    const win32::Handle held(CreateFileA(product.file("Setup.log").c_str(), GENERIC_READ, 0,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    press(confirm, IDC_ANSWER_YES);
    const HWND progress = dialogNamed("Removing the product", kTimeoutMs);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitUntil([&] { return finished(progress); }));
    EXPECT_EQ(controlText(GetDlgItem(progress, IDC_STATUS)), "Some items could not be removed.");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress, IDC_DETAILS))) << "no problem lines to show";
    EXPECT_TRUE(fileExists(product.file("a.txt"))) << "nothing was removed";
    press(progress, IDC_OK);
    EXPECT_EQ(exitCodeOf(copy), 0u);
}

TEST(UninstallRun, MissingSetupLogIsReportedOnceAndEndsWithMinusOne) {
    Product product;
    DeleteFileA(product.file("Setup.log").c_str());
    product.start();
    const HWND box = dialogNamed("Error", kTimeoutMs, uninstallCopyRoot());
    ASSERT_NE(box, nullptr);
    const std::string text = controlText(GetDlgItem(box, 0xFFFF));
    EXPECT_EQ(text.rfind("Can't open log file \"" + product.file("setup.log") + "\"", 0), 0u)
        << text;
    const win32::Handle copy = processOf(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(exitCodeOf(copy), 0xFFFFFFFFu);
    EXPECT_EQ(dialogNamed("Exception", 500, uninstallCopyRoot()), nullptr) << "reported once only";
}

TEST(UninstallRun, EntriesThatAreNotPlainPathsOrLeadElsewhereAreKeptAndListed) {
    Product product;
    // Someone else's files, reachable from the product's folder through a link.
    const std::string victims = product.root_.file("victims");
    CreateDirectoryA(victims.c_str(), nullptr);
    CreateDirectoryA((victims + "\\emptyfolder").c_str(), nullptr);
    writeFile(victims + "\\data.txt", "someone else's");
    writeFile(victims + "\\shared.dll", "someone else's");
    ASSERT_TRUE(makeLink(victims, product.file("linked")));
    writeFile(product.file("b.txt"), "b");
    writeFile(product.file("odd.dll"), "o");
    setString(HKEY_LOCAL_MACHINE, kSharedKey, product.file("odd.dll"), "not a count at all");
    // A folder of the system's that is empty, as such folders often are.
    char startup[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(
        SHGetFolderPathA(nullptr, CSIDL_COMMON_STARTUP, nullptr, SHGFP_TYPE_CURRENT, startup)));
    CreateDirectoryA(startup, nullptr);

    const std::string log = "[COMMON]\r\n" + line("Application_Name", "Test Product") +
                            line("1101", "Confirm removal") + line("1201", "Removing the product") +
                            line("1203", "Some items could not be removed.") +
                            line("1400", "Not removed") + line("1402", "Cannot remove folder") +
                            line("1403", "Cannot remove file") + "[SHAREDFILES]\r\n" +
                            product.file("linked\\shared.dll") + "\r\n" + product.file("odd.dll") +
                            "\r\n" + "[APPFILES]\r\na.txt\r\n" + product.file("sub\\..\\b.txt") +
                            "\r\n" + product.file("linked\\data.txt") + "\r\n" +
                            "[APPFOLDERS]\r\n" + product.file("linked\\emptyfolder") + "\r\n" +
                            startup + "\r\nC:\\\r\n[APPDIR]\r\n" + product.directory() + "\r\n";
    writeFile(product.file("Setup.log"), log);

    product.start();
    const HWND confirm = dialogNamed("Confirm removal", kTimeoutMs);
    ASSERT_NE(confirm, nullptr);
    const win32::Handle copy = processOf(confirm);
    press(confirm, IDC_ANSWER_YES);
    const HWND progress = dialogNamed("Removing the product", kTimeoutMs);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitUntil([&] { return finished(progress); }));
    EXPECT_EQ(dialogNamed("Remove Shared File?", 200), nullptr) << "an unusable count asks nothing";
    press(progress, IDC_DETAILS);
    const HWND details = dialogNamed("Not removed", kTimeoutMs);
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(controlText(GetDlgItem(details, IDC_DETAILS_TEXT)),
              "Cannot remove file \"" + product.file("linked\\shared.dll") +
                  "\"\r\nCannot remove file \"a.txt\"\r\nCannot remove file \"" +
                  product.file("sub\\..\\b.txt") + "\"\r\nCannot remove file \"" +
                  product.file("linked\\data.txt") + "\"\r\nCannot remove folder \"" +
                  product.file("linked\\emptyfolder") + "\"\r\nCannot remove folder \"" + startup +
                  "\"\r\nCannot remove folder \"C:\\\"\r\nCannot remove folder \"" +
                  product.directory() + "\"\r\n");
    press(details, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(details); }));
    press(progress, IDC_OK);
    EXPECT_EQ(exitCodeOf(copy), 0u);

    EXPECT_TRUE(fileExists(victims + "\\data.txt"));
    EXPECT_TRUE(fileExists(victims + "\\shared.dll"));
    EXPECT_TRUE(fileExists(victims + "\\emptyfolder"));
    EXPECT_TRUE(fileExists(product.file("b.txt"))) << "a path with .. is not followed";
    EXPECT_TRUE(fileExists(product.file("odd.dll"))) << "an unusable count keeps the file";
    DWORD type = 0;
    readValue(HKEY_LOCAL_MACHINE, kSharedKey, product.file("odd.dll"), &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "and is not written";
    EXPECT_TRUE(fileExists(startup)) << "a folder the system owns stays, even when empty";
    for (const std::string& entry : pendingOperations())
        EXPECT_EQ(entry.find("victims"), std::string::npos) << "nothing scheduled through the link";
    deleteValue(HKEY_LOCAL_MACHINE, kSharedKey, product.file("odd.dll"));
}
