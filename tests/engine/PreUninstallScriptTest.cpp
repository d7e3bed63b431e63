#include "engine/PreUninstallProgram.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

using namespace testsupport;

// A product's pre-uninstall line naming a script, run elevated: what it reaches through its
// variables and through the command processor that runs it.

namespace {

// A registry value set for one test; the one it had before, or none, comes back at the end.
class RegistryValueOverride {
public:
    RegistryValueOverride(HKEY root, const char* key, const char* name, DWORD type,
                          const std::string& value)
        : name_(name) {
        if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                            key_.receive(), nullptr) != ERROR_SUCCESS)
            return;
        char earlier[4096] = {};
        DWORD size = sizeof earlier - 1;
        had_ = RegQueryValueExA(key_.get(), name, nullptr, &earlierType_,
                                reinterpret_cast<BYTE*>(earlier), &size) == ERROR_SUCCESS;
        earlier_.assign(earlier, size);
        set_ =
            RegSetValueExA(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }
    ~RegistryValueOverride() {
        if (!set_)
            return;
        if (had_)
            RegSetValueExA(key_.get(), name_.c_str(), 0, earlierType_,
                           reinterpret_cast<const BYTE*>(earlier_.data()),
                           static_cast<DWORD>(earlier_.size()));
        else
            RegDeleteValueA(key_.get(), name_.c_str());
    }
    RegistryValueOverride(const RegistryValueOverride&) = delete;
    RegistryValueOverride& operator=(const RegistryValueOverride&) = delete;
    bool set() const { return set_; }

private:
    win32::Key key_;
    std::string name_, earlier_;
    DWORD earlierType_ = REG_NONE;
    bool had_ = false, set_ = false;
};

// A folder at the root of the drive, as any user may make one; gone at the end.
struct PlantedFolder {
    std::string path;
    explicit PlantedFolder(std::string at) : path(std::move(at)) {
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~PlantedFolder() { removeTree(path); }
};

std::string systemFolder() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return system;
}

class PreUninstallScript : public ::testing::Test {
protected:
    // Runs the product's line: the script `work/name`, started in `work`.
    void runScript(const std::string& name, const std::string& text,
                   const std::string& arguments = std::string()) {
        writeFile(work_.file(name), text);
        PreUninstallProgram(work_.file(name) + "," + arguments + "," + work_.path() + ",0,0,0,",
                            work_.path() + "\\", productAccount())
            .run();
    }
    std::string written(const char* name) { return readFile(work_.file(name)); }

    TempDirectory work_{"preuninstall script"};
};

} // namespace

// SYSTEM's application data, or a new account's, is not made until something writes there; a
// script's "%LOCALAPPDATA%\\Vendor\\cleanup.bat" must not become "\\Vendor\\cleanup.bat".
TEST_F(PreUninstallScript, AnAccountFolderNotMadeYetIsStillNamedSoNothingPlantedAtTheRootRuns) {
    const std::string missing = work_.file("new account\\AppData\\Local");
    const RegistryValueOverride redirected(
        HKEY_CURRENT_USER,
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        "Local AppData", REG_EXPAND_SZ, missing);
    ASSERT_TRUE(redirected.set());
    const PlantedFolder planted(work_.path().substr(0, 2) + "\\Vendor");
    writeFile(planted.path + "\\cleanup.bat",
              "@echo planted> \"" + work_.file("planted.txt") + "\"\r\n");
    runScript("uninst.bat", "@echo %LOCALAPPDATA%> \"%~dp0local.txt\"\r\n"
                            "@call \"%LOCALAPPDATA%\\Vendor\\cleanup.bat\"\r\n"
                            "@echo done> \"%~dp0done.txt\"\r\n");
    ASSERT_TRUE(fileExists(work_.file("done.txt"))) << "the product's script did not run";
    EXPECT_FALSE(fileExists(work_.file("planted.txt"))) << "the planted script ran";
    EXPECT_EQ(written("local.txt"), missing + "\r\n");
}

// The system's variables are the ones its own key names, not a list of ours; those naming others
// are filled from what the program gets, never from what whoever started the uninstaller set.
TEST_F(PreUninstallScript, TheSystemsVariablesComeFromItsKeyFilledFromTheProgramsOwn) {
    const char* const key = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    const RegistryValueOverride driverData(HKEY_LOCAL_MACHINE, key, "GlossaryTestDriverData",
                                           REG_EXPAND_SZ,
                                           "%SystemRoot%\\System32\\Drivers\\DriverData");
    const RegistryValueOverride plain(HKEY_LOCAL_MACHINE, key, "GlossaryTestPlain", REG_SZ,
                                      "%SystemRoot%");
    const RegistryValueOverride inherited(HKEY_LOCAL_MACHINE, key, "GlossaryTestInherited",
                                          REG_EXPAND_SZ, "%GLOSSARY_PLANTED%\\x");
    ASSERT_TRUE(driverData.set() && plain.set() && inherited.set());
    const EnvironmentOverride systemRoot("SystemRoot", work_.file("planted"));
    const EnvironmentOverride planted("GLOSSARY_PLANTED", work_.file("planted"));
    runScript("printenv.bat", "@set > \"%~dp0environment.txt\"\r\n");
    const std::string seen = written("environment.txt");
    char windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_NE(seen.find("\nGlossaryTestDriverData=" + std::string(windows) +
                        "\\System32\\Drivers\\DriverData\r\n"),
              std::string::npos)
        << seen;
    EXPECT_NE(seen.find("\nGlossaryTestPlain=%SystemRoot%\r\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("\nGlossaryTestInherited=%GLOSSARY_PLANTED%\\x\r\n"), std::string::npos)
        << seen;
    EXPECT_EQ(seen.find(work_.file("planted")), std::string::npos) << seen;
}

// Without /D, cmd first runs the AutoRun command of the account's own key, which its unelevated
// programs may write. Wine's cmd neither runs AutoRun nor tells its command line, so the line is
// read where it is made; the run shows that the script gets its arguments through it.
TEST_F(PreUninstallScript, AScriptRunsThroughTheSystemsCommandProcessorWithoutAutoRun) {
    const EnvironmentOverride comSpec("ComSpec", work_.file("planted.exe"));
    const std::string script = work_.file("uninst.bat");
    const PreUninstallProgram::Start start =
        PreUninstallProgram(script + ",one \"two words\"", work_.path() + "\\", productAccount())
            .start(script);
    const std::string processor = systemFolder() + "\\cmd.exe";
    EXPECT_EQ(start.program, processor);
    EXPECT_EQ(start.commandLine,
              "\"" + processor + "\" /D /C \"\"" + script + "\" one \"two words\"\"");
    EXPECT_EQ(PreUninstallProgram(work_.file("UNINST.CMD"), work_.path(), productAccount())
                  .start(work_.file("UNINST.CMD"))
                  .program,
              processor);
    runScript("uninst.bat", "@echo %1 %2> \"%~dp0args.txt\"\r\n", "one \"two words\"");
    EXPECT_EQ(written("args.txt"), "one \"two words\"\r\n");
}

TEST_F(PreUninstallScript, TheCommandProcessorNamedItselfIsStartedWithoutAutoRun) {
    // A stand-in of that name in the application directory, which records how it was started.
    const std::string app = work_.file("app");
    CreateDirectoryA(app.c_str(), nullptr);
    CopyFileA((binaryDirectory() + "\\recorder.exe").c_str(), (app + "\\cmd.exe").c_str(), FALSE);
    const std::string out = work_.file("recorded.txt");
    const RecorderSetting output("RECORDER_OUT", out);
    PreUninstallProgram("cmd.exe,/c \"uninst.cmd\"," + app + ",0,0,0,", app + "\\",
                        productAccount())
        .run();
    const std::string seen = readFile(out);
    EXPECT_EQ(seen.substr(0, seen.find('\n')), "\"" + app + "\\cmd.exe\" /D /c \"uninst.cmd\"");
}
