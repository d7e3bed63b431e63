#pragma once

#include "win32/AccessRights.h"
#include "win32/Process.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh directory under the temporary directory, removed with everything in it at the end.
class TempDirectory {
public:
    explicit TempDirectory(const std::string& name = "test");
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& path() const { return path_; } // no trailing backslash
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Sets an environment variable for this process and its children, and restores it.
class EnvironmentOverride {
public:
    EnvironmentOverride(std::string name, const std::string& value);
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadOld_;
};

// A setting of the recorder helper, in the environment and in the file it reads when the
// uninstaller starts it with the system's environment alone; the file goes with the last one.
class RecorderSetting {
public:
    RecorderSetting(std::string name, const std::string& value);
    ~RecorderSetting();
    RecorderSetting(const RecorderSetting&) = delete;
    RecorderSetting& operator=(const RecorderSetting&) = delete;

private:
    std::optional<EnvironmentOverride> variable_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// A program of the product as a user runs it: the test program `name` (the glossary with its
// database) copied into the application directory `folder`, named in [APPFILES] of its
// Setup.log, started there, and waited for (up to `timeoutMs`) until its window titled `title`
// shows. Ended by the returned owner at the latest.
struct ProductProgram {
    win32::Process process;
    bool shown = false;
    ProductProgram() = default;
    ProductProgram(ProductProgram&&) = default;
    ~ProductProgram();
    bool running() const;
};
ProductProgram startProductProgram(const std::string& folder, const std::string& name,
                                   const std::string& title, DWORD timeoutMs);

// Makes `entry` the first entry of `section` in the plain setup log at `log`.
void addLogEntry(const std::string& log, const std::string& section, const std::string& entry);
bool fileExists(const std::string& path);
void removeTree(const std::string& path);
std::vector<std::string> filesMatching(const std::string& pattern); // bare names

// Directory of the running test program; the programs under test are built beside it.
std::string binaryDirectory();

// Where the uninstaller started from this test puts its temporary copy's folder: the temporary
// directory, or, in an elevated account (Wine runs every program so), the Windows folder's Temp,
// which only administrators may change. No trailing backslash.
std::string uninstallCopyRoot();

// Makes `link` a symbolic link to `target` (an existing file or folder). Wine 8 has no working
// CreateSymbolicLink, but follows Unix links inside its drives as Windows follows junctions and
// links; there the native ln makes one. True when the link leads to the target.
bool makeLink(const std::string& target, const std::string& link);

// Gives Everyone full control of `folder` (and what is created in it), as a folder of mode 777
// shows under Wine: one that anyone may change.
bool allowEveryone(const std::string& folder);

// Starts `commandLine` with a pipe as its standard error, as a management tool does, and waits
// up to `timeoutMs` for it (ended after that); what it wrote there goes to `error`. The exit
// code, or STILL_ACTIVE when it could not be started.
DWORD runWithStandardError(const std::string& commandLine, std::string& error, DWORD timeoutMs);
DWORD runWithStandardError(const std::wstring& commandLine, std::string& error, DWORD timeoutMs);

// Splits a command line the way the C runtime does for a program's argument vector.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The running account as a program of the product counts it here: from the label it writes in
// the temporary folder and reads back (under Wine none comes back, so it is trusted everywhere).
win32::RunningAccount productAccount();
// The running account as an elevated program counts it where files carry labels: only on what is
// labelled high with no write up. Under Wine, where the account owns every file, it is then
// trusted nowhere.
win32::RunningAccount strictAccount();

// Runs `act` as an ordinary user would: on a thread of its own whose token has the
// Administrators group for deny only and no privileges. False when no such token can be made.
bool asOrdinaryUser(const std::function<void()>& act);

} // namespace testsupport
