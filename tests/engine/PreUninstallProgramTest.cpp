#include "engine/PreUninstallProgram.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 30000;

struct Recorded {
    std::string commandLine, directory;
    int showWindow = -2;
};

Recorded recorded(const std::string& path) {
    Recorded result;
    const std::string text = readFile(path);
    std::size_t first = text.find('\n'), second = text.find('\n', first + 1);
    result.commandLine = text.substr(0, first);
    result.directory = text.substr(first + 1, second - first - 1);
    result.showWindow = std::atoi(text.c_str() + second + 1);
    return result;
}

bool waitForFile(const std::string& path, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!fileExists(path)) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(20);
    }
    return true;
}

class PreUninstall : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(work_.file("tools dir").c_str(), nullptr);
        CopyFileA((binaryDirectory() + "\\recorder.exe").c_str(), program_.c_str(), FALSE);
    }
    TempDirectory work_{"preuninstall"};
    std::string app_ = work_.path() + "\\";
    std::string program_ = work_.file("tools dir") + "\\Pre.exe";
    std::string out_ = work_.file("recorded.txt");
    RecorderSetting output_{"RECORDER_OUT", out_};
};

} // namespace

TEST_F(PreUninstall, SevenFieldsRunTheProgramWithArgumentsDirectoryAndShowValue) {
    const std::string directory = work_.file("tools dir");
    PreUninstallProgram(program_ + ",/quiet," + directory + ",1,0,0,", app_, productAccount())
        .run();
    ASSERT_TRUE(fileExists(out_)) << "run returned before the program had ended";
    const Recorded seen = recorded(out_);
    EXPECT_EQ(seen.commandLine, "\"" + program_ + "\" /quiet");
    EXPECT_EQ(seen.directory, directory);
    EXPECT_EQ(seen.showWindow, SW_SHOWNORMAL);
}

// Whoever started the uninstaller chose its environment; an elevated program started with a
// PATH or TEMP of theirs would load or run what they put there.
TEST_F(PreUninstall, TheProgramGetsTheSystemsEnvironmentNotOurs) {
    const std::string planted = work_.file("planted");
    CreateDirectoryA(planted.c_str(), nullptr);
    char path[32768] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    const EnvironmentOverride searched("PATH", planted + ";" + path);
    const EnvironmentOverride temp("TEMP", planted);
    const EnvironmentOverride marker("PLANTED_BY_THE_USER", "1");
    const std::string environment = work_.file("environment.txt");
    const RecorderSetting recorded("RECORDER_ENVIRONMENT", environment);
    PreUninstallProgram(program_ + ",/env", app_, productAccount()).run();
    ASSERT_TRUE(fileExists(out_));
    const std::string seen = readFile(environment);
    char windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(seen.find(planted), std::string::npos) << seen;
    EXPECT_EQ(seen.find("PLANTED_BY_THE_USER"), std::string::npos) << seen;
    EXPECT_NE(
        seen.find("\nPATH=" + std::string(system) + ";" + windows + ";" + system + "\\Wbem\n"),
        std::string::npos)
        << seen;
    // Its temporary folder lies in the uninstaller's own folder, not where every user may write.
    char module[MAX_PATH] = {};
    std::string own(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    own.erase(own.find_last_of('\\') + 1);
    EXPECT_NE(seen.find("\nTEMP=" + own + "Temp\n"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("\nTEMP=" + std::string(windows) + "\\Temp\n"), std::string::npos) << seen;
    EXPECT_EQ(GetFileAttributesA((own + "Temp").c_str()), INVALID_FILE_ATTRIBUTES)
        << "gone once the program ended, as it left nothing there";
    EXPECT_NE(seen.find("\nSystemRoot=" + std::string(windows) + "\n"), std::string::npos) << seen;
    // The system's folders stay named: "%ProgramFiles%\\x" must not become "\\x" at the root.
    char programFiles[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH);
    EXPECT_NE(seen.find("\nProgramFiles=" + std::string(programFiles) + "\n"), std::string::npos)
        << seen;
    EXPECT_NE(seen.find("\nProgramData="), std::string::npos) << seen;
}

// Whoever started the uninstaller chose its current directory: a program started there would
// find their programs first and resolve "\\x" on their drive.
TEST_F(PreUninstall, ProgramAloneRunsHiddenInTheUninstallersOwnFolder) {
    char module[MAX_PATH] = {};
    std::string own(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    own.erase(own.find_last_of('\\'));
    const std::string current = work_.file("current");
    CreateDirectoryA(current.c_str(), nullptr);
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(current.c_str());
    PreUninstallProgram(program_, app_, productAccount()).run();
    SetCurrentDirectoryA(before);
    const Recorded seen = recorded(out_);
    EXPECT_EQ(seen.commandLine, "\"" + program_ + "\"");
    EXPECT_EQ(seen.directory, own);
    EXPECT_EQ(seen.showWindow, SW_HIDE);
}

TEST_F(PreUninstall, NonNumericShowValueHidesTheWindow) {
    PreUninstallProgram(program_ + ",,,max", app_, productAccount()).run();
    EXPECT_EQ(recorded(out_).showWindow, SW_HIDE);
}

TEST_F(PreUninstall, NoWaitReturnsWhileTheProgramStillRuns) {
    const RecorderSetting sleep("RECORDER_SLEEP_MS", "3000");
    const ULONGLONG before = GetTickCount64();
    PreUninstallProgram(program_ + ",,,0,0,1", app_, productAccount()).run();
    EXPECT_LT(GetTickCount64() - before, 2500u) << "did not return at once";
    EXPECT_FALSE(fileExists(out_ + ".done")) << "the program was already finished";
    EXPECT_TRUE(waitForFile(out_ + ".done", kTimeoutMs));
}

TEST_F(PreUninstall, WaitingRunReturnsOnlyAfterTheProgramEnded) {
    const RecorderSetting sleep("RECORDER_SLEEP_MS", "500");
    PreUninstallProgram(program_ + ",,,0,0,0", app_, productAccount()).run();
    EXPECT_TRUE(fileExists(out_ + ".done"));
}

TEST_F(PreUninstall, MissingProgramIsSilent) {
    const DWORD error =
        PreUninstallProgram(work_.file("nowhere.exe") + ",/x", app_, productAccount()).run();
    EXPECT_NE(error, 0u) << "the system's error comes back";
    EXPECT_FALSE(fileExists(out_));
    // A quoted name is no path: it is not looked for anywhere, so nothing runs.
    PreUninstallProgram("\"" + program_ + "\"", app_, productAccount()).run();
    EXPECT_FALSE(fileExists(out_));
}

TEST_F(PreUninstall, BareNameIsLookedForInTheApplicationDirectoryOnly) {
    // A program of that name in the current directory (the copy's temporary folder) and in the
    // application directory: only the latter may run.
    const std::string current = work_.file("current");
    CreateDirectoryA(current.c_str(), nullptr);
    CopyFileA((binaryDirectory() + "\\recorder.exe").c_str(), (current + "\\Pre.exe").c_str(),
              FALSE);
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(current.c_str());
    const std::string app = work_.file("tools dir") + "\\";
    PreUninstallProgram("Pre.exe,/bare", app, productAccount()).run();
    EXPECT_EQ(recorded(out_).commandLine, "\"" + app + "Pre.exe\" /bare");
    DeleteFileA(out_.c_str());
    PreUninstallProgram("Pre,/noextension", app, productAccount()).run();
    EXPECT_EQ(recorded(out_).commandLine, "\"" + app + "Pre.exe\" /noextension");
    DeleteFileA(out_.c_str());

    // Nowhere it may be looked for: nothing runs, however near a program of that name lies.
    EXPECT_NE(
        PreUninstallProgram("Pre.exe", work_.file("empty app") + "\\", productAccount()).run(), 0u);
    EXPECT_NE(PreUninstallProgram("..\\current\\Pre.exe", app, productAccount()).run(), 0u);
    EXPECT_NE(PreUninstallProgram("C:\\x\\..\\" + program_.substr(3), app, productAccount()).run(),
              0u);
    SetCurrentDirectoryA(before);
    EXPECT_FALSE(fileExists(out_)) << "a program ran that was not in the application directory";
}

TEST_F(PreUninstall, BareNameFallsBackToTheSystemDirectory) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_TRUE(fileExists(std::string(system) + "\\cmd.exe"));
    EXPECT_EQ(PreUninstallProgram("cmd.exe,/c exit", app_, productAccount()).programPath(),
              std::string(system) + "\\cmd.exe");
    EXPECT_EQ(PreUninstallProgram("nosuchprogram.exe", app_, productAccount()).programPath(), "");
}

TEST_F(PreUninstall, AProgramOthersMayChangeOrAnOpenFolderToStartInIsNotStarted) {
    const std::string open = work_.file("open");
    CreateDirectoryA(open.c_str(), nullptr);
    const PreUninstallProgram trusted(program_ + ",/ok," + work_.file("tools dir"), app_,
                                      productAccount());
    EXPECT_EQ(trusted.whyRefused(), "");
    // Started in a folder where anyone may have put the libraries it looks for.
    ASSERT_TRUE(allowEveryone(open));
    const PreUninstallProgram openFolder(program_ + ",/folder," + open, app_, productAccount());
    EXPECT_EQ(openFolder.whyRefused(), "others may change it: the folder it starts in");
    EXPECT_NE(openFolder.run(), 0u);
    EXPECT_FALSE(fileExists(out_)) << "started in an open folder";
    EXPECT_EQ(
        PreUninstallProgram(program_ + ",/relative,tools dir", app_, productAccount()).whyRefused(),
        "not a plain absolute path: the folder it starts in");
    // A program in such a folder.
    CopyFileA(program_.c_str(), (open + "\\Pre.exe").c_str(), FALSE);
    const PreUninstallProgram openProgram(open + "\\Pre.exe,/program", app_, productAccount());
    EXPECT_EQ(openProgram.whyRefused(), "others may change it");
    EXPECT_EQ(openProgram.run(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(fileExists(out_)) << "a program others may change was started";
    trusted.run();
    EXPECT_TRUE(fileExists(out_));
}

TEST_F(PreUninstall, AProgramThatCannotBeHeldIsListedNotStarted) {
    // Another process holds it without sharing: it cannot be judged or held, so it never runs,
    // and the run must not say it started it.
    const win32::Handle holder(
        CreateFileA(program_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid());
    const PreUninstallProgram held(program_ + ",/held," + work_.file("tools dir"), app_,
                                   productAccount());
    EXPECT_NE(held.whyRefused(), "");
    EXPECT_NE(held.run(), 0u);
    EXPECT_FALSE(fileExists(out_)) << "a program that could not be held was started";
}

namespace {

// The variables a product's script expects, as `set` printed them: name (in capitals), value.
std::vector<std::pair<std::string, std::string>> variablesOf(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> variables;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t equals = line.find('=', 1);
        if (equals == std::string::npos)
            continue;
        std::string name = line.substr(0, equals);
        for (char& c : name)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        variables.emplace_back(name, line.substr(equals + 1));
    }
    return variables;
}

bool driveOrShare(const std::string& path) {
    return (path.size() >= 3 && isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
            path[2] == '\\') ||
           (path.size() > 2 && path.compare(0, 2, "\\\\") == 0 && path[2] != '?' && path[2] != '.');
}

std::string systemProgram(const char* name) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\" + name;
}

// A folder at the root of the drive, as any user may make one; gone at the end.
struct PlantedFolder {
    std::string path;
    explicit PlantedFolder(std::string at) : path(std::move(at)) {
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~PlantedFolder() { removeTree(path); }
};

} // namespace

// A product's script names its files through the account's and the system's variables; one
// that is missing turns "%LOCALAPPDATA%\\x" into "\\x", the root of the drive.
TEST_F(PreUninstall, AScriptOfTheProductSeesTheAccountsAndTheSystemsVariables) {
    const std::string scripts = work_.file("scripts");
    CreateDirectoryA(scripts.c_str(), nullptr);
    writeFile(scripts + "\\printenv.bat", "@set > \"%~dp0environment.txt\"\r\n");
    PreUninstallProgram(systemProgram("cmd.exe") + ",/c \"" + scripts + "\\printenv.bat\"," +
                            scripts + ",0,0,0,",
                        app_, productAccount())
        .run();
    ASSERT_TRUE(fileExists(scripts + "\\environment.txt")) << "the script did not run";
    const auto seen = variablesOf(readFile(scripts + "\\environment.txt"));
    const auto value = [&](const std::string& name) -> const std::string* {
        for (const auto& [named, given] : seen) {
            if (named == name)
                return &given;
        }
        return nullptr;
    };
    for (const auto& [name, given] : seen)
        EXPECT_FALSE(given.empty()) << name << " is given empty";
    for (const char* name :
         {"APPDATA", "LOCALAPPDATA", "USERPROFILE", "PUBLIC", "ALLUSERSPROFILE", "PROGRAMDATA",
          "PROGRAMFILES", "COMMONPROGRAMFILES", "SYSTEMROOT", "WINDIR", "COMSPEC", "TEMP", "TMP"}) {
        const std::string* given = value(name);
        if (given == nullptr) {
            ADD_FAILURE() << name << " is missing";
            continue;
        }
        EXPECT_TRUE(driveOrShare(*given)) << name << "=" << *given;
    }
    for (const char* name :
         {"HOMEDRIVE", "HOMEPATH", "USERNAME", "USERDOMAIN", "COMPUTERNAME",
          "PROCESSOR_ARCHITECTURE", "NUMBER_OF_PROCESSORS", "OS", "PATHEXT", "PATH", "SYSTEMDRIVE"})
        EXPECT_NE(value(name), nullptr) << name << " is missing";
    if (value("HOMEDRIVE") != nullptr && value("HOMEPATH") != nullptr) {
        EXPECT_TRUE(driveOrShare(*value("HOMEDRIVE") + *value("HOMEPATH")));
    }
    if (const std::string* path = value("PATH")) {
        for (std::size_t start = 0, end; start <= path->size(); start = end + 1) {
            end = std::min(path->find(';', start), path->size());
            EXPECT_TRUE(driveOrShare(path->substr(start, end - start))) << *path;
        }
    }
    // The account's own folders, as the system names them to this program.
    char local[MAX_PATH] = {};
    GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
    if (value("LOCALAPPDATA") != nullptr) {
        EXPECT_EQ(*value("LOCALAPPDATA"), local);
    }
}

// Where the account's folder is not named, the script's "%LOCALAPPDATA%\\Vendor\\cleanup.bat"
// would run whatever a user planted at the drive's root, with administrator rights.
TEST_F(PreUninstall, AScriptNamingTheAccountsFolderNeverRunsOnePlantedAtTheDrivesRoot) {
    char local[MAX_PATH] = {};
    GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
    ASSERT_FALSE(fileExists(std::string(local) + "\\Vendor\\cleanup.bat"));
    const PlantedFolder planted(work_.path().substr(0, 2) + "\\Vendor");
    const std::string ranPlanted = work_.file("planted ran.txt");
    writeFile(planted.path + "\\cleanup.bat", "@echo planted> \"" + ranPlanted + "\"\r\n");
    writeFile(work_.file("uninst.bat"), "@call \"%LOCALAPPDATA%\\Vendor\\cleanup.bat\"\r\n"
                                        "@echo done> \"%~dp0done.txt\"\r\n");
    PreUninstallProgram(systemProgram("cmd.exe") + ",/c \"" + work_.file("uninst.bat") + "\"," +
                            work_.path() + ",0,0,0,",
                        app_, productAccount())
        .run();
    ASSERT_TRUE(fileExists(work_.file("done.txt"))) << "the product's script did not run";
    EXPECT_FALSE(fileExists(ranPlanted)) << "the planted script ran";
}
