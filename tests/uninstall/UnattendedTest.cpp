// uninstall.exe /S as a management tool runs it: started, waited for on the handle it got, and
// judged by its exit code and report. Nothing may ever appear on the screen.
#include "driver/DialogDriver.h"
#include "driver/WindowFinder.h"
#include "support/ProcessObserver.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/Process.h"
#include "win32/RunLock.h"
#include "win32/WindowText.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace driver;
using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 60000;
const std::string kSharedKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string kProductKey = "Software\\SetupTestsUnattended";
const std::string kRegistration =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Test Product Unattended";

std::string line(const std::string& key, const std::string& value) {
    return key + "=" + value + "\r\n";
}

// Watches every top-level window of the product's programs while a run goes on.
class WindowWatch {
public:
    explicit WindowWatch(std::string folder)
        : folder_(std::move(folder)), thread_([this] {
              while (!stop_) {
                  for (const std::string& window : visibleWindowsOfProgramsIn(folder_)) {
                      const std::lock_guard<std::mutex> lock(mutex_);
                      seen_.push_back(window);
                  }
                  Sleep(10);
              }
          }) {}
    ~WindowWatch() { stopWatching(); }
    std::vector<std::string> seen() {
        stopWatching();
        return seen_;
    }

private:
    void stopWatching() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    std::string folder_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> seen_;
    std::thread thread_;
};

// A product whose every part can go: files (one read-only), a folder, shared files in a
// folder of their own with counts 3 and 1 and none, registry entries, a COM server and a
// program to run first. Its uninstaller and its temporary folder are its own.
class Product {
public:
    Product() {
        for (const std::string& folder : {app_, temp_, shared_, file("sub")})
            CreateDirectoryA(folder.c_str(), nullptr);
        CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(), file("uninstall.exe").c_str(),
                  FALSE);
        writeFile(file("a.txt"), "a");
        writeFile(file("ro.txt"), "r");
        SetFileAttributesA(file("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        writeFile(file("sub\\b.txt"), "b");
        for (const char* name : {"shared3.dll", "shared1.dll", "nocount.dll"})
            writeFile(shared(name), "dll");
        createKey(HKEY_LOCAL_MACHINE, kSharedKey);
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, shared("shared3.dll"), 3);
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, shared("shared1.dll"), 1);
        createKey(HKEY_CURRENT_USER, kProductKey + "\\Product");
        setString(HKEY_CURRENT_USER, kProductKey + "\\Keep", "Value", "v");
        // Registered as setup registers the product: management tools run this command.
        createKey(HKEY_LOCAL_MACHINE, kRegistration);
        setString(HKEY_LOCAL_MACHINE, kRegistration, "QuietUninstallString",
                  "\"" + file("uninstall.exe") + "\" /S");

        std::string log = "[COMMON]\r\n" + line("Application_Name", "Test Product") +
                          line("1402", "Cannot remove folder") + line("1403", "Cannot remove file");
        log +=
            "[RUNAPPS]\r\n" + line("BeforeUninstall", binaryDirectory() + "\\recorder.exe,/before");
        log += "[REGDLLS]\r\n" + binaryDirectory() + "\\comserver_records.dll\r\n";
        log += "[SHAREDFILES]\r\n" + shared("shared3.dll") + "\r\n" + shared("shared1.dll") +
               "\r\n" + shared("nocount.dll") + "\r\n";
        log += "[APPFILES]\r\n";
        for (const char* name : {"a.txt", "ro.txt", "sub\\b.txt", "Setup.log", "uninstall.exe"})
            log += file(name) + "\r\n";
        log += "[APPFOLDERS]\r\n" + file("sub") + "\r\n";
        log += "[APPDIR]\r\n" + app_ + "\r\n";
        log += "[REGENTRY]\r\nHKCU," + kProductKey + "\\Product\r\nHKLM," + kRegistration + "\r\n";
        log += "[REGVALUES]\r\nHKCU," + kProductKey + "\\Keep,Value\r\n";
        writeFile(file("Setup.log"), log);
    }
    ~Product() {
        SetFileAttributesA(file("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        deleteTree(HKEY_CURRENT_USER, kProductKey);
        deleteTree(HKEY_LOCAL_MACHINE, kRegistration);
        for (const char* name : {"shared3.dll", "shared1.dll", "nocount.dll"})
            deleteValue(HKEY_LOCAL_MACHINE, kSharedKey, shared(name));
        // An exit code alone does not say which item stayed: a failed test shows what each
        // run of its product reported.
        if (::testing::Test::HasFailure())
            std::printf("%s", runs_.c_str());
    }

    std::string file(const std::string& name) const { return app_ + "\\" + name; }
    std::string shared(const std::string& name) const { return shared_ + "\\" + name; }

    // As a management tool runs it: start, wait on that very handle, read the exit code.
    // Returns the exit code; `ended` says whether it ended in time.
    DWORD uninstall(const std::string& options, bool& ended) {
        WindowWatch watch(root_.path());
        const std::string command = "\"" + file("uninstall.exe") + "\" " + options;
        DWORD exitCode = STILL_ACTIVE;
        ended = runAndWait(withReport(command), kTimeoutMs, exitCode);
        windows = watch.seen();
        keepReport(command, exitCode);
        return exitCode;
    }

    // As a management tool finishes a removal: the registered command, started as it stands.
    DWORD uninstallAsRegistered(bool& ended) {
        const std::vector<BYTE> value =
            readValue(HKEY_LOCAL_MACHINE, kRegistration, "QuietUninstallString");
        const std::string command(value.begin(), std::find(value.begin(), value.end(), 0));
        DWORD exitCode = STILL_ACTIVE;
        ended = !command.empty() && runAndWait(withReport(command), kTimeoutMs, exitCode);
        keepReport(command, exitCode);
        return exitCode;
    }

    // The report's lines, each as stage, item, outcome.
    std::vector<std::vector<std::string>> report() const {
        std::vector<std::vector<std::string>> lines;
        const std::string text = readFile(report_);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            std::vector<std::string> fields(1);
            for (const char c : text.substr(start, end - start)) {
                if (c == '\t')
                    fields.emplace_back();
                else
                    fields.back() += c;
            }
            lines.push_back(fields);
        }
        return lines;
    }
    // The last outcome of an item in a stage (any stage when none is named).
    std::string outcome(const std::string& item, const std::string& stage = std::string()) const {
        std::string found = "(not in the report)";
        for (const auto& fields : report()) {
            if (fields.size() == 3 && fields[1] == item && (stage.empty() || fields[0] == stage))
                found = fields[2];
        }
        return found;
    }

    // The command with a report into the test folder, unless it asks for one of its own.
    std::string withReport(const std::string& command) {
        const std::size_t at = command.find("/LOG=");
        if (at == std::string::npos) {
            runReport_ = root_.file("run" + std::to_string(++runCount_) + ".txt");
            return command + " \"/LOG=" + runReport_ + "\"";
        }
        const std::size_t end = command.find(command[at - 1] == '"' ? '"' : ' ', at);
        runReport_ = command.substr(at + 5, end == std::string::npos ? end : end - at - 5);
        return command;
    }
    void keepReport(const std::string& command, DWORD exitCode) {
        std::string report = "(none)";
        try {
            report = readFile(runReport_);
        } catch (const std::runtime_error&) {
        }
        runs_ += command + "\nended with " + std::to_string(exitCode) + "; its report " +
                 runReport_ + ":\n" + report + "\n";
    }

    TempDirectory root_{"unattended"};
    std::string app_ = root_.file("Test Product");
    std::string temp_ = root_.file("temp");
    std::string shared_ = root_.file("shared");
    std::string report_ = root_.file("report dir") + "\\report.txt";
    std::vector<std::string> windows;
    std::string runs_, runReport_;
    int runCount_ = 0;
    EnvironmentOverride tmp_{"TMP", temp_};
    EnvironmentOverride tempVariable_{"TEMP", temp_};
    RecorderSetting recorder_{"RECORDER_OUT", root_.file("before.txt")};
    EnvironmentOverride unregister_{"UNREG_OUT", root_.file("unregistered.txt")};
};

DWORD count(const std::string& name) {
    return readDword(HKEY_LOCAL_MACHINE, kSharedKey, name);
}

std::size_t scheduledCount(const std::string& fragment) {
    std::size_t count = 0;
    for (const std::string& entry : pendingOperations())
        count += entry.find(fragment) != std::string::npos ? 1 : 0;
    return count;
}

bool scheduled(const std::string& fragment) {
    return scheduledCount(fragment) > 0;
}

// The box an interactive start with `arguments` refuses with (shown by the copy when
// `byCopy`), answered OK: its text and the exit code of the process that showed it.
struct RefusalBox {
    std::wstring text;
    DWORD exitCode = 0xFFFFFFFF;
};
RefusalBox refusalBox(const std::string& program, const std::wstring& arguments,
                      bool byCopy = false, const std::function<void()>& whileShown = {}) {
    RefusalBox refusal;
    const win32::Process started = win32::startProcess(
        std::wstring(), L"\"" + std::wstring(program.begin(), program.end()) + L"\" " + arguments);
    if (!started)
        return refusal;
    const HWND box = byCopy ? dialogNamed("Error", kTimeoutMs, uninstallCopyRoot())
                            : waitForWindow(started.id, "Error", kTimeoutMs);
    if (box == nullptr)
        return refusal;
    refusal.text = win32::windowText(GetDlgItem(box, 0xFFFF));
    if (whileShown)
        whileShown();
    const win32::Handle shownBy = processOf(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    win32::waitForExit(shownBy.get(), kTimeoutMs, refusal.exitCode);
    return refusal;
}

std::wstring wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

} // namespace

TEST(Unattended, RemovesEverythingBeforeItsWaitEndsShowsNothingAndReportsEachItem) {
    Product product;
    CreateDirectoryA(product.root_.file("report dir").c_str(), nullptr);
    bool ended = false;
    const DWORD exitCode = product.uninstall("/S \"/LOG=" + product.report_ + "\"", ended);
    ASSERT_TRUE(ended) << "still running after " << kTimeoutMs << " ms";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(product.windows.empty()) << ::testing::PrintToString(product.windows);

    // All of it is gone by the time the wait ends.
    EXPECT_FALSE(fileExists(product.app_)) << "the application directory, uninstaller included";
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kProductKey + "\\Product"));
    EXPECT_FALSE(valueExists(HKEY_CURRENT_USER, kProductKey + "\\Keep", "Value"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kRegistration));
    EXPECT_TRUE(fileExists(product.root_.file("before.txt"))) << "the pre-uninstall program ran";
    EXPECT_TRUE(fileExists(product.root_.file("unregistered.txt")))
        << "the server was unregistered";
    EXPECT_FALSE(fileExists(product.shared("nocount.dll")));
    EXPECT_TRUE(fileExists(product.shared("shared3.dll")));
    EXPECT_EQ(count(product.shared("shared3.dll")), 2u);
    EXPECT_TRUE(fileExists(product.shared("shared1.dll"))) << "/SHARED=KEEP is the default";
    EXPECT_EQ(count(product.shared("shared1.dll")), 0u);

    // The running original went into the copy's folder; both go at the next restart.
    EXPECT_TRUE(scheduled("\\uninstall.exe")) << ::testing::PrintToString(pendingOperations());
    EXPECT_TRUE(scheduled("\\Del"));

    EXPECT_EQ(product.outcome(product.shared("shared3.dll")),
              "kept: still used by 2 other products");
    EXPECT_EQ(product.outcome(product.shared("shared1.dll")), "kept: answered No");
    EXPECT_EQ(product.outcome(product.shared("nocount.dll")), "removed");
    for (const char* name : {"a.txt", "ro.txt", "sub\\b.txt", "Setup.log", "sub"})
        EXPECT_EQ(product.outcome(product.file(name)), "removed") << name;
    EXPECT_EQ(product.outcome(product.file("uninstall.exe"), "Folder items"), "not found")
        << "moved aside at the end, out of the running relay's way";
    EXPECT_EQ(product.outcome(product.file("uninstall.exe"), "Uninstaller").rfind("moved to ", 0),
              0u);
    EXPECT_EQ(product.outcome(product.app_), "removed");
    EXPECT_EQ(product.outcome("HKCU," + kProductKey + "\\Product"), "removed");
    EXPECT_EQ(product.outcome("HKCU," + kProductKey + "\\Keep,Value"), "removed");
    const auto lines = product.report();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().front(), "Summary");
    EXPECT_EQ(lines.back().back(), "exit code 0");
}

TEST(Unattended, AStartFromAPromptInTheApplicationDirectoryRemovesThatDirectoryAtOnce) {
    Product product;
    const std::string command = product.withReport("\"" + product.file("uninstall.exe") + "\" /S");
    win32::StartOptions inFolder;
    inFolder.directory = product.app_;
    const win32::Process process = win32::startProcess(std::string(), command, inFolder);
    ASSERT_TRUE(process);
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(win32::waitForExit(process.handle.get(), kTimeoutMs, exitCode));
    product.keepReport(command, exitCode);
    EXPECT_EQ(exitCode, 0u) << "no restart is needed";
    EXPECT_FALSE(fileExists(product.app_)) << "the process the prompt started let it go";
    EXPECT_FALSE(scheduled(product.app_)) << ::testing::PrintToString(pendingOperations());
}

TEST(Unattended, SharedRemoveTakesFilesThatNoOneUsesAnyMore) {
    Product product;
    bool ended = false;
    EXPECT_EQ(product.uninstall("/S /SHARED=REMOVE", ended), 0u);
    ASSERT_TRUE(ended);
    EXPECT_FALSE(fileExists(product.shared("shared1.dll")));
    EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, kSharedKey, product.shared("shared1.dll")));
    EXPECT_TRUE(fileExists(product.shared("shared3.dll")));
}

TEST(Unattended, ExitCodeSaysWhatStayedAndWhatWaitsForARestart) {
    {
        Product product;
        const win32::Handle held(CreateFileA(product.file("a.txt").c_str(), GENERIC_READ, 0,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S \"/LOG=" + product.root_.file("r.txt") + "\"", ended),
                  3010u)
            << "a file in use goes at the next restart, and so does its folder after it";
        EXPECT_TRUE(ended);
        EXPECT_TRUE(product.windows.empty());
        product.report_ = product.root_.file("r.txt");
        EXPECT_EQ(product.outcome(product.file("a.txt")), "scheduled for restart");
        EXPECT_TRUE(pendingDeleteOf(product.file("a.txt")));
    }
    {
        Product product;
        const win32::Handle held(CreateFileA(product.shared("nocount.dll").c_str(), GENERIC_READ,
                                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        bool ended = false;
        EXPECT_EQ(product.uninstall("-s", ended), 3010u)
            << "a shared file in use goes at the next restart";
        EXPECT_TRUE(ended);
        EXPECT_TRUE(scheduled("nocount.dll"));
    }
    {
        // What may not be deleted now is not deleted at the boot either.
        Product product;
        DeleteFileA(product.shared("nocount.dll").c_str());
        CreateDirectoryA(product.shared("nocount.dll").c_str(), nullptr);
        // A log entry holding a line feed and a tab cannot forge report lines of its own.
        const std::string forged = product.file("x\nSummary\tremoved 99\texit code 0");
        addLogEntry(product.file("Setup.log"), "APPFILES", forged);
        product.report_ = product.root_.file("r.txt");
        const std::size_t before = scheduledCount(product.shared("nocount.dll"));
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S \"/LOG=" + product.report_ + "\"", ended), 1u);
        EXPECT_TRUE(ended);
        EXPECT_EQ(scheduledCount(product.shared("nocount.dll")), before);
        EXPECT_EQ(product.outcome(product.shared("nocount.dll")).rfind("failed: ", 0), 0u)
            << product.outcome(product.shared("nocount.dll"));
        RemoveDirectoryA(product.shared("nocount.dll").c_str());
        const auto lines = product.report();
        for (std::size_t i = 0; i + 1 < lines.size(); ++i)
            EXPECT_NE(lines[i].front(), "Summary") << i;
        EXPECT_EQ(product.outcome(product.file("x<0A>Summary<09>removed 99<09>exit code 0"))
                      .rfind("failed: ", 0),
                  0u);
        EXPECT_EQ(lines.back().back(), "exit code 1");
    }
    {
        // A server left registered is something the run could not finish.
        Product product;
        const std::string server = binaryDirectory() + "\\comserver_noexport.dll";
        addLogEntry(product.file("Setup.log"), "REGDLLS", server);
        product.report_ = product.root_.file("r.txt");
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S \"/LOG=" + product.report_ + "\"", ended), 1u);
        EXPECT_TRUE(ended);
        EXPECT_EQ(product.outcome(server, "COM servers"), "kept: no DllUnregisterServer");
        EXPECT_FALSE(fileExists(product.app_)) << "everything else went";
    }
}

TEST(Unattended, MissingSetupLogEndsWithTwoAndShowsNothing) {
    Product product;
    DeleteFileA(product.file("Setup.log").c_str());
    bool ended = false;
    EXPECT_EQ(product.uninstall("/SILENT \"/LOG=" + product.root_.file("r.txt") + "\"", ended), 2u);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(product.windows.empty()) << ::testing::PrintToString(product.windows);
    EXPECT_TRUE(fileExists(product.file("a.txt")));
    product.report_ = product.root_.file("r.txt");
    EXPECT_EQ(product.report().back().back(), "exit code 2");
}

TEST(Unattended, BadCommandLinesAndUnwritableReportsChangeNothing) {
    Product product;
    bool ended = false;
    EXPECT_EQ(product.uninstall("/S /BOGUS", ended), 87u);
    EXPECT_TRUE(ended);
    EXPECT_EQ(product.uninstall("/S /SHARED=MAYBE", ended), 87u);
    EXPECT_TRUE(product.windows.empty());
    const ObservedRun refused =
        runObserved(win32::quoted(product.file("uninstall.exe")) + " /S /BOGUS", kTimeoutMs);
    EXPECT_EQ(refused.processes.size(), 1u) << "no copy was even started";
    // A folder is no file to write, nor is the setup log, nor anything reached through a link.
    const std::string log = readFile(product.file("Setup.log"));
    const std::string outside = product.root_.file("outside"), mine = product.root_.file("mine");
    CreateDirectoryA(outside.c_str(), nullptr);
    CreateDirectoryA(mine.c_str(), nullptr);
    writeFile(outside + "\\theirs.txt", "theirs");
    ASSERT_TRUE(makeLink(outside, mine + "\\folder"));
    ASSERT_TRUE(makeLink(outside + "\\theirs.txt", mine + "\\final.txt"));
    ASSERT_TRUE(CreateHardLinkA((mine + "\\hard.txt").c_str(), (outside + "\\theirs.txt").c_str(),
                                nullptr));
    for (const std::string& report :
         {product.temp_, product.file("Setup.log"), product.file("SETUP.LOG"),
          mine + "\\folder\\new.txt", mine + "\\final.txt", mine + "\\folder\\theirs.txt",
          mine + "\\hard.txt", mine + "\\NUL"}) {
        EXPECT_EQ(product.uninstall("/S \"/LOG=" + report + "\"", ended), 2u) << report;
        EXPECT_TRUE(ended);
    }
    EXPECT_EQ(readFile(product.file("Setup.log")), log);
    EXPECT_EQ(readFile(outside + "\\theirs.txt"), "theirs");
    EXPECT_FALSE(fileExists(outside + "\\new.txt"));
    EXPECT_TRUE(product.windows.empty());
    EXPECT_TRUE(fileExists(product.file("a.txt")));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kProductKey + "\\Product"));
    EXPECT_EQ(count(product.shared("shared3.dll")), 3u);
}

DWORD runWithStandardError(const std::string& commandLine, std::string& error) {
    return testsupport::runWithStandardError(commandLine, error, kTimeoutMs);
}

TEST(Unattended, ASetupLogThatIsNoneIsRefusedBeforeAnythingIsCopied) {
    const struct {
        const char* what;
        std::string (*change)(const std::string&);
    } damages[] = {
        {"a byte order mark", [](const std::string& log) { return "\xEF\xBB\xBF" + log; }},
        {"bare line feeds",
         [](const std::string& log) {
             std::string text = log;
             for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
                 text.erase(at, 1);
             return text;
         }},
        {"random bytes",
         [](const std::string& log) {
             std::string text(log.size(), '\0');
             for (std::size_t i = 0; i < text.size(); ++i)
                 text[i] = static_cast<char>((i * 2654435761u) >> 11);
             return text;
         }},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.what);
        Product product;
        writeFile(product.file("Setup.log"), damage.change(readFile(product.file("Setup.log"))));
        product.report_ = product.root_.file("r.txt");
        const ObservedRun run = runObserved(win32::quoted(product.file("uninstall.exe")) +
                                                " /S \"/LOG=" + product.report_ + "\"",
                                            kTimeoutMs);
        ASSERT_TRUE(run.started);
        ASSERT_FALSE(run.timedOut);
        ASSERT_EQ(run.processes.size(), 1u) << "no copy is made";
        EXPECT_EQ(run.processes[0].exitCode, 2u);
        EXPECT_EQ(product.outcome(product.file("Setup.log"), "Start").rfind("refused: ", 0), 0u)
            << readFile(product.report_);
        EXPECT_EQ(product.report().back().back(), "exit code 2");
        EXPECT_TRUE(fileExists(product.file("uninstall.exe"))) << "the registered program stays";
        EXPECT_TRUE(fileExists(product.file("a.txt")));
        EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kRegistration));
    }
    // Started by a person, it says why in a box.
    Product product;
    writeFile(product.file("Setup.log"), "\xEF\xBB\xBF" + readFile(product.file("Setup.log")));
    const win32::Process started =
        win32::startProcess({}, win32::quoted(product.file("uninstall.exe")));
    ASSERT_TRUE(started);
    const HWND box = waitForWindow(started.id, "Error", kTimeoutMs);
    ASSERT_NE(box, nullptr);
    const std::string text = windowText(GetDlgItem(box, 0xFFFF));
    EXPECT_EQ(text.rfind("The setup log \"" + product.file("Setup.log") + "\" cannot be used", 0),
              0u)
        << text;
    EXPECT_NE(text.find("byte order mark"), std::string::npos) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD exitCode = 0;
    ASSERT_TRUE(win32::waitForExit(started.handle.get(), kTimeoutMs, exitCode));
    EXPECT_TRUE(fileExists(product.file("a.txt")));
}

TEST(Unattended, ReportsGoWhereAdministratorsPutThemAndNeverIntoTheProduct) {
    {
        // The drive's root, the form deployment scripts use most.
        Product product;
        char name[64];
        std::snprintf(name, sizeof name, "C:\\uninstall-%lu.log", GetCurrentProcessId());
        product.report_ = name;
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S /LOG=" + product.report_, ended), 0u);
        EXPECT_TRUE(ended);
        EXPECT_EQ(product.report().back().back(), "exit code 0");
        DeleteFileA(product.report_.c_str());
        EXPECT_FALSE(fileExists(product.app_));
    }
    {
        // Inside the application directory it would keep that directory from going.
        Product product;
        product.report_ = product.file("sub\\uninstall.log");
        std::string error;
        EXPECT_EQ(runWithStandardError(win32::quoted(product.file("uninstall.exe")) +
                                           " /S \"/LOG=" + product.report_ + "\"",
                                       error),
                  2u);
        EXPECT_FALSE(fileExists(product.report_));
        EXPECT_TRUE(fileExists(product.file("a.txt")));
        EXPECT_NE(error.find(product.report_), std::string::npos) << error;
        EXPECT_NE(error.find("application directory"), std::string::npos) << error;
    }
}

TEST(Unattended, NoRestartIsAcceptedAndARefusedStartSaysWhyOnStandardError) {
    {
        Product product;
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S /NORESTART", ended), 0u);
        EXPECT_TRUE(ended);
        EXPECT_FALSE(fileExists(product.app_));
    }
    Product product;
    std::string error;
    EXPECT_EQ(
        runWithStandardError(win32::quoted(product.file("uninstall.exe")) + " /S /BOGUS", error),
        87u);
    EXPECT_NE(error.find("/BOGUS"), std::string::npos) << error;
    EXPECT_NE(error.find("Nothing was removed"), std::string::npos) << error;
    EXPECT_TRUE(fileExists(product.file("a.txt")));
}

// Made absolute, a relative report path would land wherever the tool started the run (for
// SYSTEM, the system folder): it is refused with its reason, and nothing is removed.
TEST(Unattended, AReportNamedByARelativePathIsRefusedWithItsReason) {
    Product product;
    char previous[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(product.root_.path().c_str()));
    for (const char* path : {"relative.txt", "Test Product\\inside.txt", "C:relative.txt"}) {
        std::string error;
        EXPECT_EQ(runWithStandardError(win32::quoted(product.file("uninstall.exe")) +
                                           " /S \"/LOG=" + path + "\"",
                                       error),
                  87u)
            << path;
        EXPECT_NE(error.find(std::string(": ") + path +
                             ": refused: the report file is named by a "
                             "relative path"),
                  std::string::npos)
            << error;
    }
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(fileExists(product.root_.file("relative.txt")));
    EXPECT_FALSE(fileExists(product.file("inside.txt")));
    EXPECT_TRUE(fileExists(product.file("a.txt")));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kRegistration));
}

std::wstring widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    return wide;
}

// The command line is read as Unicode and handed on so to the copy: a report folder in another
// script than the ANSI code page's is written there, not at "C:\????\u.txt".
TEST(Unattended, AReportPathInAnyScriptIsWrittenWhereItWasNamed) {
    Product product;
    const std::wstring folder = widen(product.root_.path()) + L"\\\u041b\u043e\u0433\u0438";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring report = folder + L"\\u.txt";
    std::string error;
    EXPECT_EQ(testsupport::runWithStandardError(L"\"" + widen(product.file("uninstall.exe")) +
                                                    L"\" /S \"/LOG=" + report + L"\"",
                                                error, kTimeoutMs),
              0u)
        << error;
    const win32::Handle written(CreateFileW(report.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(written.valid()) << "no report in the folder named";
    char bytes[65536];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(written.get(), bytes, sizeof bytes, &read, nullptr));
    EXPECT_NE(std::string(bytes, read).find("\texit code 0\r\n"), std::string::npos);
    EXPECT_FALSE(fileExists(product.app_));
}

// Whatever a damaged log holds, the report stays readable and small: a long item is cut, and
// problems of one kind past the first hundred are counted, not each written.
TEST(Unattended, AReportIsBoundedWhateverTheLogHolds) {
    Product product;
    std::string entries;
    for (int i = 0; i < 5000; ++i)
        entries += "not a path " + std::to_string(i) + "\r\n";
    addLogEntry(product.file("Setup.log"), "APPFILES", entries + std::string(4 << 20, '\0'));
    product.report_ = product.root_.file("bounded.txt");
    bool ended = false;
    product.uninstall("/S /LOG=" + product.report_, ended);
    EXPECT_TRUE(ended);
    const std::string report = readFile(product.report_);
    EXPECT_LT(report.size(), 256u * 1024) << report.substr(0, 2000);
    EXPECT_NE(report.find("and 4,9"), std::string::npos) << report.substr(0, 2000);
    EXPECT_NE(report.find("more lines like this"), std::string::npos);
    EXPECT_NE(report.find("\r\nSummary\t"), std::string::npos) << "the summary is still written";
}

// The copy started by hand, as if its file had been swapped before it ran: it holds nothing the
// relay verified, so it removes nothing, and under /S says why where a tool looks.
TEST(Unattended, AMainStageStartedByHandSaysWhyOnStandardError) {
    Product product;
    const std::string copy = product.temp_ + "\\Del1.tmp";
    ASSERT_TRUE(CopyFileA(product.file("uninstall.exe").c_str(), copy.c_str(), FALSE));
    std::string error;
    EXPECT_EQ(runWithStandardError(win32::quoted(copy) + " 0:4:8 " +
                                       win32::quoted(product.file("uninstall.exe")) + " \"" +
                                       product.app_ + "\\ \" /S",
                                   error),
              2u);
    EXPECT_EQ(error.find("uninstall.exe: " + copy +
                         ": refused: the uninstaller cannot hold its own program file"),
              0u)
        << error;
    EXPECT_NE(error.find("Nothing was removed."), std::string::npos) << error;
    EXPECT_TRUE(fileExists(product.file("a.txt")));
}

// The copy started by another program that hands it its own file and folder, as the relay
// does, but names as the relay a handle that is not the process that started it (an event;
// another process): it neither waits on, sets nor closes what it is told of, and removes nothing.
TEST(Unattended, ACopyWhoseNamedRelayIsNotTheProcessThatStartedItRemovesNothing) {
    Product product;
    const std::string copy = product.temp_ + "\\Del2.tmp";
    ASSERT_TRUE(CopyFileA(product.file("uninstall.exe").c_str(), copy.c_str(), FALSE));
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    const win32::Handle file(CreateFileA(copy.c_str(), GENERIC_READ | GENERIC_EXECUTE,
                                         FILE_SHARE_READ, &inherited, OPEN_EXISTING, 0, nullptr));
    const win32::Handle folder(CreateFileA(product.temp_.c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const win32::Handle event(CreateEventW(&inherited, TRUE, FALSE, nullptr));
    // A process, but not the one that starts the copy.
    win32::StartOptions suspended;
    suspended.flags = CREATE_SUSPENDED;
    const std::string stubborn = binaryDirectory() + "\\stubborn.exe";
    const win32::Process other = win32::startProcess(stubborn, win32::quoted(stubborn), suspended);
    ASSERT_TRUE(file && folder && event && other);
    ASSERT_TRUE(SetHandleInformation(other.handle.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT));
    const auto number = [](const win32::Handle& handle) {
        return std::to_string(reinterpret_cast<std::uintptr_t>(handle.get()));
    };
    for (const win32::Handle* relay : {&event, &other.handle}) {
        SCOPED_TRACE(relay == &event ? "an event" : "another process");
        const std::string handles =
            number(*relay) + ":" + number(file) + ":" + number(folder) + ":" + number(event);
        win32::StartOptions options;
        options.inheritHandles = true;
        const win32::Process started = win32::startProcess(
            copy,
            win32::quoted(copy) + " " + handles + " " +
                win32::quoted(product.file("uninstall.exe")) + " \"" + product.app_ + "\\ \" /S",
            options);
        ASSERT_TRUE(started);
        DWORD exitCode = 0;
        if (!win32::waitForExit(started.handle.get(), kTimeoutMs, exitCode))
            TerminateProcess(started.handle.get(), 1);
        EXPECT_EQ(exitCode, 2u);
        EXPECT_TRUE(fileExists(product.file("a.txt")));
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
            << "the event named as its ready signal was set";
    }
    TerminateProcess(other.handle.get(), 0);
}

// The folders setup made above the application directory are named in its log after it (and
// brought back from the registration when the log went): a folder of that list that someone
// other than the administrators owns or may change is no folder an administrators' setup made,
// whatever the log says, and stays, listed; one that only administrators may change goes.
TEST(Unattended, AFolderAboveTheApplicationDirectoryThatOthersMayChangeIsKeptAndListed) {
    Product product;
    const std::string ours = product.root_.file("made above"),
                      theirs = product.root_.file("made by a user");
    for (const std::string& folder : {ours, theirs})
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    PSECURITY_DESCRIPTOR everyone = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &everyone, nullptr));
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(everyone);
    ASSERT_TRUE(SetFileSecurityA(theirs.c_str(), DACL_SECURITY_INFORMATION, everyone));
    std::string log = readFile(product.file("Setup.log"));
    const std::string appDir = "[APPDIR]\r\n" + product.app_ + "\r\n";
    log.replace(log.find(appDir), appDir.size(), appDir + ours + "\r\n" + theirs + "\r\n");
    writeFile(product.file("Setup.log"), log);
    product.report_ = product.root_.file("above.txt");
    bool ended = false;
    EXPECT_EQ(product.uninstall("/S \"/LOG=" + product.report_ + "\"", ended), 1u);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(fileExists(ours));
    EXPECT_TRUE(fileExists(theirs));
    EXPECT_EQ(
        product.outcome(theirs, "Program directories").rfind("kept: not an administrators'", 0), 0u)
        << product.outcome(theirs, "Program directories");
    EXPECT_FALSE(fileExists(product.app_));
    RemoveDirectoryA(theirs.c_str());
}

TEST(Unattended, UnknownOptionInAnInteractiveStartIsExplainedInABox) {
    Product product;
    const RefusalBox refusal = refusalBox(product.file("uninstall.exe"), L"/BOGUS");
    EXPECT_EQ(refusal.text.rfind(L"Unknown option: /BOGUS", 0), 0u) << refusal.text;
    EXPECT_EQ(refusal.exitCode, 87u);
    EXPECT_TRUE(fileExists(product.file("a.txt")));
}

// Another run of setup or of the uninstaller holds the run lock, or the entry lock every run
// takes before it (this test, here): the start waits for it, then ends with 1618, removes
// nothing and, unattended, shows nothing. The refusal names the lock it could not take.
TEST(Unattended, WhileAnotherRunHoldsALockAStartEndsWith1618NamingItAndRemovesNothing) {
    Product product;
    for (const wchar_t* name : {win32::kRunLockName, win32::kRunEntryLockName}) {
        const std::string lock(name, name + wcslen(name));
        SCOPED_TRACE(lock);
        const win32::RunLock held = win32::RunLock::take(name);
        ASSERT_TRUE(held.held());
        const std::string described =
            std::string(name == win32::kRunLockName ? "run" : "entry") + " lock \"" + lock + "\"";
        product.report_ = product.root_.file("r.txt");
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S \"/LOG=" + product.report_ + "\"", ended), 1618u);
        EXPECT_TRUE(ended);
        EXPECT_TRUE(product.windows.empty()) << product.windows.front();
        EXPECT_EQ(
            product.outcome(lock, "Start")
                .rfind("another installation or removal is in progress: it held the " + described,
                       0),
            0u)
            << product.outcome(lock, "Start");
        EXPECT_EQ(count(product.shared("shared3.dll")), 3u);

        // The box may wait for hours: the start holds no lock while it does.
        const RefusalBox refusal = refusalBox(product.file("uninstall.exe"), L"", false, [&] {
            if (name == win32::kRunLockName) {
                EXPECT_TRUE(win32::RunLock::take(win32::kRunEntryLockName, 0).held())
                    << "the entry lock is free while the box waits";
            }
        });
        EXPECT_EQ(refusal.text.rfind(L"Another installation or removal is in progress", 0), 0u)
            << refusal.text;
        EXPECT_NE(refusal.text.find(L"the " + wide(described)), std::wstring::npos) << refusal.text;
        EXPECT_EQ(refusal.exitCode, 1618u);
        EXPECT_TRUE(fileExists(product.file("a.txt")));
    }
}

// An option or a report path typed in another script than the code page's shows in the box as
// typed, whether the started process or its copy refuses it.
TEST(Unattended, AnOptionOrReportPathInAnyScriptShowsWholeInTheBox) {
    Product product;
    const std::wstring logs = L"\u041b\u043e\u0433\u0438"; // Cyrillic
    const std::wstring greek = L"\u03b5\u03b4\u03ce";
    const RefusalBox option = refusalBox(product.file("uninstall.exe"), L"/\u03a9mega");
    EXPECT_EQ(option.text.rfind(L"Unknown option: /\u03a9mega", 0), 0u) << option.text;
    EXPECT_EQ(option.exitCode, 87u);
    const RefusalBox relative =
        refusalBox(product.file("uninstall.exe"), L"/LOG=" + logs + L"\\u.txt");
    EXPECT_NE(relative.text.find(L"\"" + logs + L"\\u.txt\" is named by a relative path"),
              std::wstring::npos)
        << relative.text;
    EXPECT_EQ(relative.exitCode, 87u);
    // A folder that does not exist: only the copy finds that it cannot write there.
    const std::wstring missing = L"C:\\" + logs + L"\\" + greek + L"\\u.txt";
    const RefusalBox unwritable =
        refusalBox(product.file("uninstall.exe"), L"\"/LOG=" + missing + L"\"", true);
    EXPECT_NE(unwritable.text.find(L"\"" + missing + L"\" cannot be written"), std::wstring::npos)
        << unwritable.text;
    EXPECT_EQ(unwritable.exitCode, 2u);
    EXPECT_TRUE(fileExists(product.file("a.txt")));
}

TEST(Unattended, RunningProgramsOfTheProductGoAtTheRestartOrAreClosedWhenAsked) {
    {
        Product product;
        const ProductProgram glossary =
            startProductProgram(product.app_, "glossary.exe", "Technical Glossary", kTimeoutMs);
        ASSERT_TRUE(glossary.shown);
        product.report_ = product.root_.file("r.txt");
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S \"/LOG=" + product.report_ + "\"", ended), 3010u);
        EXPECT_TRUE(ended);
        EXPECT_TRUE(glossary.running()) << "/S alone never closes a user's program";
        for (const char* name : {"glossary.exe", "Dict.mdb"}) {
            EXPECT_TRUE(pendingDeleteOf(product.file(name))) << name;
            EXPECT_EQ(product.outcome(product.file(name)), "scheduled for restart") << name;
        }
        EXPECT_TRUE(pendingDeleteOf(product.app_)) << "after the files in it";
        EXPECT_EQ(product.outcome(product.app_), "scheduled for restart");
        for (const char* name : {"a.txt", "sub", "Setup.log", "uninstall.exe"})
            EXPECT_FALSE(fileExists(product.file(name))) << name << ": only held files wait";
    }
    {
        Product product;
        const ProductProgram glossary =
            startProductProgram(product.app_, "glossary.exe", "Technical Glossary", kTimeoutMs);
        ASSERT_TRUE(glossary.shown);
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S /CLOSEAPPS", ended), 0u);
        EXPECT_TRUE(ended);
        EXPECT_FALSE(glossary.running());
        EXPECT_FALSE(fileExists(product.app_)) << "everything went";
    }
}

TEST(Unattended, CloseAppsWithNothingRunningLeavesTheRelayAloneAndEndsAtOnce) {
    // The relay runs the registered program from the application directory until the end: it
    // is the run's own, never a program to close or wait for.
    Product product;
    product.report_ = product.root_.file("r.txt");
    bool ended = false;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(product.uninstall("/S /CLOSEAPPS \"/LOG=" + product.report_ + "\"", ended), 0u);
    EXPECT_TRUE(ended);
    EXPECT_LT(GetTickCount64() - start, 12000u) << "no 15 s wait for itself";
    for (const auto& fields : product.report())
        EXPECT_NE(fields.front(), "Running programs") << fields.at(1);
    const auto lines = product.report();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().back(), "exit code 0");
    EXPECT_FALSE(fileExists(product.app_));
}

TEST(Unattended, AProgramThatIgnoresCloseIsNamedAndItsFilesGoAtTheRestart) {
    Product product;
    const ProductProgram stubborn =
        startProductProgram(product.app_, "stubborn.exe", "Stubborn", kTimeoutMs);
    ASSERT_TRUE(stubborn.shown);
    product.report_ = product.root_.file("r.txt");
    bool ended = false;
    EXPECT_EQ(product.uninstall("/S /CLOSEAPPS \"/LOG=" + product.report_ + "\"", ended), 3010u);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(stubborn.running());
    EXPECT_EQ(product.outcome(product.file("stubborn.exe"), "Running programs"),
              "kept: in use by Stubborn (stubborn.exe)");
    EXPECT_TRUE(pendingDeleteOf(product.file("stubborn.exe")));
}

TEST(Unattended, AServerAndAProgramThatOthersMayChangeAreKeptAndNeverRun) {
    // Both lie in a folder where anyone may create files, as below C:\ProgramData.
    Product product;
    const std::string open = product.root_.file("open");
    CreateDirectoryA(open.c_str(), nullptr);
    for (const char* name : {"\\recorder.exe", "\\comserver_records.dll"})
        CopyFileA((binaryDirectory() + name).c_str(), (open + name).c_str(), FALSE);
    ASSERT_TRUE(allowEveryone(open));
    std::string log = readFile(product.file("Setup.log"));
    for (std::size_t at; (at = log.find(binaryDirectory() + "\\")) != std::string::npos;)
        log.replace(at, binaryDirectory().size(), open);
    writeFile(product.file("Setup.log"), log);
    product.report_ = product.root_.file("r.txt");
    bool ended = false;
    EXPECT_EQ(product.uninstall("/S \"/LOG=" + product.report_ + "\"", ended), 1u)
        << readFile(product.report_);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(fileExists(product.root_.file("before.txt"))) << "the program was started";
    EXPECT_FALSE(fileExists(product.root_.file("unregistered.txt"))) << "the server was called";
    EXPECT_EQ(product.outcome(open + "\\recorder.exe", "Pre-uninstall program"),
              "kept: others may change it");
    EXPECT_EQ(product.outcome(open + "\\comserver_records.dll", "COM servers"),
              "kept: others may change it");
    EXPECT_FALSE(fileExists(product.file("a.txt"))) << "the rest goes as usual";
}

TEST(Unattended, ARunStartedAgainAfterAStopGivesNoCountBackTwice) {
    // What a run stopped in the shared-file stage leaves: its journal, and the count as the
    // stop found it. The run started again finishes the work and gives back one use in all.
    // A count back at 3 after a "begin" line was raised again by another product's setup (or
    // the stop came just before the change): that use stays.
    struct Stop {
        const char* lines;
        DWORD count;
        DWORD after;
    };
    for (const Stop& stop : {Stop{"begin\t3", 3, 3}, Stop{"begin\t3", 2, 2},
                             Stop{"begin\t3|done\t2", 2, 2}, Stop{"begin\t3|done\t2", 3, 3}}) {
        SCOPED_TRACE(std::string(stop.lines) + ", count " + std::to_string(stop.count));
        Product product;
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, product.shared("shared3.dll"), stop.count);
        std::string journal = "Uninstall journal of Test Product\r\n";
        for (std::string lines = std::string(stop.lines) + "|"; !lines.empty();) {
            const std::size_t bar = lines.find('|'), tab = lines.find('\t');
            journal += lines.substr(0, tab) + "\tSHAREDFILES\t0" + lines.substr(tab, bar - tab) +
                       "\t" + product.shared("shared3.dll") + "\r\n";
            lines.erase(0, bar + 1);
        }
        writeFile(product.file("Uninstall.journal"), journal);
        product.report_ = product.root_.file("r.txt");
        // The stopped run had taken the folder already.
        DeleteFileA(product.file("sub\\b.txt").c_str());
        RemoveDirectoryA(product.file("sub").c_str());
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S \"/LOG=" + product.report_ + "\"", ended), 0u)
            << "what is gone already is no problem\n"
            << readFile(product.report_);
        EXPECT_TRUE(ended);
        EXPECT_EQ(count(product.shared("shared3.dll")), stop.after);
        EXPECT_EQ(product.outcome(product.file("sub")), "not found");
        EXPECT_FALSE(fileExists(product.app_)) << "the journal went before its folder";
    }
    {
        Product product;
        writeFile(product.file("Uninstall.journal"), "Uninstall journal of Other Product\r\n");
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S", ended), 2u) << "another product's journal";
        EXPECT_TRUE(fileExists(product.file("a.txt")));
        EXPECT_EQ(count(product.shared("shared3.dll")), 3u);
    }
}

TEST(Unattended, ARunKilledAtAnyPointIsFinishedByTheRegisteredCommand) {
    const StopPoint stops[] = {
        // Where both CreateProcessA and CreateProcessW lead: either may start a program.
        {"Del", "kernelbase.dll", "CreateProcessInternalW", 1}, // before the pre-uninstall program
        {"Del", "kernelbase.dll", "CreateProcessInternalW", 2}, // after the pre-uninstall program
        {"Del", "kernel32.dll", "WriteFile", 3}, // count changed, the change not yet written
        {"Del", "kernel32.dll", "WriteFile", 4}, // between two counts
        {"Del", "kernel32.dll", "SetFileInformationByHandle", 1}, // a shared file about to go
        {"Del", "kernel32.dll", "SetFileInformationByHandle", 2}, // after the shared files
        {"Del", "kernel32.dll", "SetFileInformationByHandle", 6}, // inside the files stage
        {"Del", "kernel32.dll", "SetFileInformationByHandle", 7}, // the folders stage
        {"Del", "kernel32.dll", "SetFileInformationByHandle", 8}, // the setup log about to go
    };
    for (const StopPoint& stop : stops) {
        SCOPED_TRACE(stop.function + " #" + std::to_string(stop.call));
        Product product;
        const ObservedRun first =
            runObserved(win32::quoted(product.file("uninstall.exe")) + " /S", kTimeoutMs, {}, stop);
        ASSERT_TRUE(first.stopped) << first.processes.size() << " processes, started "
                                   << first.started << ", timed out " << first.timedOut;
        EXPECT_TRUE(fileExists(product.file("Setup.log")));
        EXPECT_TRUE(fileExists(product.file("uninstall.exe"))) << "the registered program stays";
        EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kRegistration));
        // The killed copy never scheduled itself for the restart.
        std::string killedCopy;
        for (const ObservedProcess& process : first.processes) {
            if (process.image.find("\\Del") != std::string::npos)
                killedCopy = process.image;
        }
        EXPECT_TRUE(fileExists(killedCopy)) << killedCopy;
        bool ended = false;
        EXPECT_EQ(product.uninstallAsRegistered(ended), 0u);
        EXPECT_TRUE(ended);
        EXPECT_FALSE(fileExists(killedCopy)) << "the run that finished the removal took it";
        EXPECT_FALSE(fileExists(killedCopy.substr(0, killedCopy.rfind('\\'))));
        EXPECT_EQ(count(product.shared("shared3.dll")), 2u) << "one use given back, not two";
        EXPECT_EQ(count(product.shared("shared1.dll")), 0u);
        EXPECT_TRUE(fileExists(product.shared("shared3.dll")));
        EXPECT_TRUE(fileExists(product.shared("shared1.dll")));
        EXPECT_FALSE(fileExists(product.shared("nocount.dll")));
        EXPECT_FALSE(fileExists(product.app_)) << "the product is gone as after one run";
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kProductKey + "\\Product"));
        EXPECT_FALSE(valueExists(HKEY_CURRENT_USER, kProductKey + "\\Keep", "Value"));
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kRegistration)) << "the registration last";
    }
}

TEST(Unattended, ACountRaisedAfterAStopKeepsTheOtherProductsUse) {
    struct Stop {
        StopPoint at;
        const char* file; // whose count the stop left begun
    };
    const Stop stops[] = {
        // Count changed, the change not yet written.
        {{"Del", "kernel32.dll", "WriteFile", 3}, "shared3.dll"},
        // Journal written, count not yet changed: the stop leaves it one too high, no lower.
        {{"Del", "advapi32.dll", "RegSetValueExA", 1}, "shared3.dll"},
        {{"Del", "advapi32.dll", "RegSetValueExA", 2}, "shared1.dll"},
    };
    for (const Stop& stop : stops) {
        SCOPED_TRACE(stop.at.function + " #" + std::to_string(stop.at.call));
        Product product;
        const ObservedRun first = runObserved(win32::quoted(product.file("uninstall.exe")) + " /S",
                                              kTimeoutMs, {}, stop.at);
        ASSERT_TRUE(first.stopped) << first.processes.size() << " processes";
        // Another product's setup installs the same shared file before the run is started again.
        const DWORD raised = count(product.shared(stop.file)) + 1;
        setDword(HKEY_LOCAL_MACHINE, kSharedKey, product.shared(stop.file), raised);
        // A fresh program file in place of the one the stopped run's relay ran from: that relay
        // has ended, so nothing may hold the file any more.
        ASSERT_TRUE(CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(),
                              product.file("uninstall.exe").c_str(), FALSE))
            << "error " << GetLastError();
        bool ended = false;
        EXPECT_EQ(product.uninstall("/S", ended), 0u);
        EXPECT_TRUE(ended);
        EXPECT_EQ(count(product.shared(stop.file)), raised) << "given back twice";
        EXPECT_TRUE(fileExists(product.shared(stop.file)));
        EXPECT_FALSE(fileExists(product.app_));
    }
}

// A run of setup stopped half-way left its journal: a file set aside for one it wrote, a file it
// made, a registration value it changed. The uninstaller finishes that run as setup's next run
// would, first, and then removes the product: nothing of either is left.
TEST(Unattended, AStoppedSetupsJournalIsFinishedBeforeTheRemoval) {
    const std::string journalKey = "SOFTWARE\\Technical Glossary Setup";
    Product product;
    writeFile(product.file("a.txt.previous"), "old a");
    writeFile(product.file("made.dll"), "made by the stopped setup");
    const std::string journal = "Setup journal of Test Product\r\naside\t" + product.file("a.txt") +
                                "\r\nfile\t" + product.file("made.dll") + "\r\n";
    createKey(HKEY_LOCAL_MACHINE, journalKey);
    setValue(HKEY_LOCAL_MACHINE, journalKey, "Journal", REG_BINARY, journal.data(),
             static_cast<DWORD>(journal.size()));
    bool ended = false;
    EXPECT_EQ(product.uninstallAsRegistered(ended), 0u);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, journalKey)) << "the stopped setup was finished";
    EXPECT_FALSE(fileExists(product.file("made.dll")));
    EXPECT_FALSE(fileExists(product.file("a.txt.previous")));
    EXPECT_FALSE(fileExists(product.app_)) << "the product is gone as after one run";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kRegistration));
    deleteTree(HKEY_LOCAL_MACHINE, journalKey);
}
