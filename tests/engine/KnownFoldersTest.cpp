#include "engine/KnownFolders.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const char* const kProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A profile of the system's list, as Windows writes one, named through a variable; gone at the
// end.
class ListedProfile {
public:
    ListedProfile(const char* sid, const std::string& imagePath) : sid_(sid) {
        win32::Key key;
        made_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                (std::string(kProfileList) + "\\" + sid).c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, key.receive(), nullptr) == ERROR_SUCCESS &&
                RegSetValueExA(key.get(), "ProfileImagePath", 0, REG_EXPAND_SZ,
                               reinterpret_cast<const BYTE*>(imagePath.c_str()),
                               static_cast<DWORD>(imagePath.size() + 1)) == ERROR_SUCCESS;
    }
    ~ListedProfile() {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kProfileList) + "\\" + sid_).c_str());
    }
    ListedProfile(const ListedProfile&) = delete;
    ListedProfile& operator=(const ListedProfile&) = delete;
    bool made() const { return made_; }

private:
    std::string sid_;
    bool made_ = false;
};

} // namespace

// The account sets SystemDrive and SystemRoot for itself unelevated (its own environment key):
// a profile named through them must stay where the system has it, or it drops out of the
// folders never removed.
TEST(ProfileFolders, AreNamedFromTheSystemsOwnFolderNotFromVariablesTheAccountSets) {
    const ListedProfile onDrive("S-1-5-21-0-0-0-4242", "%SystemDrive%\\users\\glossary-test");
    const ListedProfile inWindows("S-1-5-21-0-0-0-4243",
                                  "%systemroot%\\system32\\config\\glossary-test");
    ASSERT_TRUE(onDrive.made() && inWindows.made());
    const EnvironmentOverride drive("SystemDrive", "Q:");
    const EnvironmentOverride root("SystemRoot", "Q:\\elsewhere");
    char windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    const std::vector<std::string> folders = profileFolders();
    const auto listed = [&](const std::string& folder) {
        return std::find(folders.begin(), folders.end(), folder) != folders.end();
    };
    EXPECT_TRUE(listed(std::string(windows, 2) + "\\users\\glossary-test"));
    EXPECT_TRUE(listed(std::string(windows) + "\\system32\\config\\glossary-test"));
    EXPECT_FALSE(listed("Q:\\users\\glossary-test"));
}

TEST(ProfileFolders, OtherReferencesStayAsWritten) {
    char windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    const std::wstring root(windows, windows + strlen(windows));
    EXPECT_EQ(withSystemFolders(L"%SYSTEMDRIVE%\\a%x%SystemRoot%"),
              root.substr(0, 2) + L"\\a%x" + root);
    EXPECT_EQ(withSystemFolders(L"%USERPROFILE%\\%"), L"%USERPROFILE%\\%");
}
