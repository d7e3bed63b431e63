// uninstall.exe started as a user starts it: it must hand over to a copy of itself in the
// temporary directory and end at once. Observed from outside, with no switch in the product.
#include "startup/DirectoryText.h"
#include "startup/RelayCommandLine.h"
#include "support/ProcessObserver.h"
#include "support/WinTestSupport.h"
#include "support/WindowFinder.h"
#include "win32/ScopedHandle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <utility>

using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 60000;
constexpr DWORD kExitMinusOne = 0xFFFFFFFF;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        result.push_back(text.substr(start, end - start));
    return result;
}

bool sameFile(const std::string& a, const std::string& b) {
    char fullA[MAX_PATH] = {}, fullB[MAX_PATH] = {};
    GetLongPathNameA(a.c_str(), fullA, MAX_PATH);
    GetLongPathNameA(b.c_str(), fullB, MAX_PATH);
    return lstrcmpiA(fullA, fullB) == 0;
}

// The copies started here find no setup log and say so in a box; this answers such boxes
// while the processes run, as a user would. Only boxes of copies in this test's own temporary
// directory: another test's box is not ours to answer.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::string directory)
        : directory_(std::move(directory)), thread_([this] {
              while (!stop_) {
                  if (const HWND box = findDialogOfProgramIn(directory_, "Error"))
                      PostMessageA(box, WM_COMMAND, IDOK, 0);
                  Sleep(50);
              }
          }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.join();
    }

private:
    const std::string directory_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// An installed product: uninstall.exe in an application directory whose name has a blank, and
// a temporary directory of its own, also with a blank, so that quoting is put to the test.
struct Installation {
    TempDirectory root{"relay"};
    std::string appDirectory = root.file("My App");
    std::string tempDirectory = root.file("temp dir");
    std::string program = appDirectory + "\\uninstall.exe";

    Installation() {
        CreateDirectoryA(appDirectory.c_str(), nullptr);
        CreateDirectoryA(tempDirectory.c_str(), nullptr);
        CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(), program.c_str(), FALSE);
    }

    ObservedRun run(const std::string& arguments) {
        const BoxAnswerer answerer(tempDirectory);
        const EnvironmentOverride tmp("TMP", tempDirectory);
        const EnvironmentOverride temp("TEMP", tempDirectory);
        return runObserved("\"" + program + "\"" + arguments, kTimeoutMs);
    }
};

void expectRelayedToATemporaryCopy(Installation& installed, const std::string& arguments) {
    const ObservedRun run = installed.run(arguments);
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.processes.size(), 2u) << "the relay starts exactly one copy";

    const ObservedProcess& relay = run.processes[0];
    const ObservedProcess& copy = run.processes[1];
    EXPECT_EQ(relay.exitCode, kExitMinusOne);
    EXPECT_EQ(relay.exitOrder, 0) << "the copy waits until the relay has ended";

    const std::vector<std::string> copies = filesMatching(installed.tempDirectory + "\\Del*.tmp");
    ASSERT_EQ(copies.size(), 1u);
    const std::string copyPath = installed.tempDirectory + "\\" + copies[0];
    EXPECT_TRUE(sameFile(copy.image, copyPath)) << copy.image;
    EXPECT_EQ(readFile(copyPath), readFile(installed.program)) << "a byte-identical copy";

    const std::vector<std::string> fields = splitCommandLine(copy.commandLine);
    ASSERT_EQ(fields.size(), 4u) << copy.commandLine;
    EXPECT_TRUE(sameFile(fields[0], copyPath));
    EXPECT_GT(std::atoi(fields[1].c_str()), 0);
    EXPECT_EQ(fields[2], installed.program);
    EXPECT_EQ(fields[3], installed.appDirectory + "\\ ");
    EXPECT_EQ(cutAfterLastBackslash(fields[3]), installed.appDirectory + "\\");
}

} // namespace

TEST(Relay, CommandLineParsesBackIntoTheFourFields) {
    for (const char* folder : {"plain", "with blanks"}) {
        TempDirectory root("args");
        const std::string directory = root.file(folder);
        CreateDirectoryA(directory.c_str(), nullptr);
        const std::string copy = directory + "\\Del1A2B.tmp";
        ASSERT_TRUE(CopyFileA((binaryDirectory() + "\\echoargs.exe").c_str(), copy.c_str(), FALSE));

        const std::string program = "C:\\Program Files\\Example App\\uninstall.exe";
        const std::string appDir = "C:\\Program Files\\Example App\\";
        const EnvironmentOverride out("ECHOARGS_OUT", root.file("args.txt"));
        const ObservedRun run =
            runObserved(relayCommandLine(copy, 1234, program, appDir), kTimeoutMs, copy);
        ASSERT_TRUE(run.started);
        ASSERT_FALSE(run.timedOut);

        const std::vector<std::string> fields = lines(readFile(root.file("args.txt")));
        ASSERT_EQ(fields.size(), 4u) << folder;
        EXPECT_EQ(fields[0], copy);
        EXPECT_EQ(fields[1], "1234");
        EXPECT_EQ(fields[2], program);
        EXPECT_EQ(fields[3], appDir + " ");
    }
}

TEST(Relay, PlainStartRelaysToATemporaryCopyAndEndsAtOnce) {
    Installation installed;
    expectRelayedToATemporaryCopy(installed, "");
}

TEST(Relay, StartWithTwoArgumentsRelaysLikeAPlainStart) {
    Installation installed;
    expectRelayedToATemporaryCopy(installed, " one two");
}

TEST(Relay, StartWithOneArgumentDoesNotRelay) {
    Installation installed;
    const ObservedRun run = installed.run(" \"" + installed.appDirectory + "\\");
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.processes.size(), 1u);
    EXPECT_TRUE(filesMatching(installed.tempDirectory + "\\Del*.tmp").empty());
}

TEST(Relay, CopyThatCannotBeStartedIsReportedOnceAndTheRelayStillEndsWithMinusOne) {
    Installation installed;
    // No such temporary directory: no copy can be made, so none can be started.
    const EnvironmentOverride tmp("TMP", installed.root.file("missing"));
    const EnvironmentOverride temp("TEMP", installed.root.file("missing"));
    std::string commandLine = "\"" + installed.program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &started));
    const ScopedHandle process(started.hProcess);
    const ScopedHandle thread(started.hThread);

    const HWND box = waitForWindow(started.dwProcessId, "Error", kTimeoutMs);
    ASSERT_NE(box, nullptr) << "no message box appeared";
    EXPECT_EQ(windowText(GetDlgItem(box, 0xFFFF)), "Cannot create child process");
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK is the only button";
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    DWORD exitCode = 0;
    ASSERT_TRUE(waitForExit(process.get(), kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, kExitMinusOne);
}
