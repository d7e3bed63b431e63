// What the uninstaller deletes: only what the log names, never through a link, never a folder
// that the system or the user owns.
#include "engine/CheckedRemoval.h"
#include "engine/ProtectedFolders.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"

#include <shlobj.h>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

using Outcome = Removal::Outcome;

class CheckedRemoval : public ::testing::Test {
protected:
    std::string folder(const std::string& name) {
        const std::string path = dir_.file(name);
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }
    TempDirectory dir_{"checked"};
};

std::string knownFolder(const KNOWNFOLDERID& id) {
    wchar_t* path = nullptr;
    std::string result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path))) {
        char ansi[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, sizeof ansi, nullptr, nullptr);
        result = ansi;
    }
    CoTaskMemFree(path);
    return result;
}

std::string shellFolder(int id) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}

} // namespace

TEST_F(CheckedRemoval, FilesGoAndWhatStaysSaysWhy) {
    const std::string plain = dir_.file("plain.txt"), readOnly = dir_.file("ro.txt"),
                      held = dir_.file("held.txt");
    writeFile(plain, "p");
    writeFile(readOnly, "r");
    writeFile(held, "h");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    EXPECT_EQ(removeFileChecked(plain, false).outcome, Outcome::Removed);
    EXPECT_FALSE(fileExists(plain));
    EXPECT_EQ(removeFileChecked(plain, false).outcome, Outcome::Missing);

    const Removal kept = removeFileChecked(readOnly, false);
    EXPECT_EQ(kept.outcome, Outcome::Failed);
    EXPECT_EQ(kept.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fileExists(readOnly)) << "read-only stays unless asked to clear it";
    EXPECT_EQ(removeFileChecked(readOnly, true).outcome, Outcome::Removed);
    EXPECT_FALSE(fileExists(readOnly));

    const win32::Handle holder(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    const Removal inUse = removeFileChecked(held, true);
    EXPECT_EQ(inUse.outcome, Outcome::Failed);
    EXPECT_EQ(inUse.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    const Removal noFolder = removeFileChecked(dir_.file("none\\x.txt"), true);
    EXPECT_EQ(noFolder.outcome, Outcome::Failed) << "only a missing file counts as gone";
    EXPECT_EQ(noFolder.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(CheckedRemoval, FoldersGoOnlyWhenEmpty) {
    const std::string empty = folder("empty"), full = folder("full");
    writeFile(full + "\\x.txt", "x");
    EXPECT_EQ(removeFolderChecked(empty).outcome, Outcome::Removed);
    EXPECT_FALSE(fileExists(empty));
    const Removal notEmpty = removeFolderChecked(full);
    EXPECT_EQ(notEmpty.outcome, Outcome::Failed);
    EXPECT_EQ(notEmpty.error, static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_TRUE(fileExists(full + "\\x.txt"));
    EXPECT_EQ(removeFileChecked(full, true).outcome, Outcome::Failed) << "a folder is no file";
}

TEST_F(CheckedRemoval, NothingIsDeletedThroughALink) {
    const std::string victims = folder("victims"), product = folder("product");
    writeFile(victims + "\\data.txt", "someone else's");
    const std::string emptyVictim = folder("victims\\empty");
    ASSERT_TRUE(makeLink(victims, product + "\\linked"));
    ASSERT_TRUE(fileExists(product + "\\linked\\data.txt"));

    EXPECT_EQ(removeFileChecked(product + "\\linked\\data.txt", true).outcome, Outcome::Redirected);
    EXPECT_EQ(removeFolderChecked(product + "\\linked\\empty").outcome, Outcome::Redirected);
    EXPECT_EQ(removeFolderChecked(product + "\\linked").outcome, Outcome::Redirected);
    // A link at the very end: at most the link itself goes, never what it leads to.
    ASSERT_TRUE(makeLink(victims + "\\data.txt", product + "\\filelink"));
    removeFileChecked(product + "\\filelink", true);
    EXPECT_TRUE(fileExists(victims + "\\data.txt"));
    EXPECT_TRUE(fileExists(emptyVictim));

    // The same files by their own paths, in any case and with either separator, still go.
    std::string other = victims + "\\data.txt";
    for (char& c : other)
        c = c == '\\' ? '/' : (c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    EXPECT_EQ(removeFileChecked(other, false).outcome, Outcome::Removed);
    EXPECT_EQ(removeFolderChecked(emptyVictim).outcome, Outcome::Removed);
}

TEST(ProtectedFolders, SystemAndUserFoldersAreNeverRemovable) {
    char windows[MAX_PATH] = {}, system[MAX_PATH] = {}, temp[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    GetTempPathA(MAX_PATH, temp);
    std::vector<std::string> owned = {"C:\\",  "c:/",  "D:\\", "\\\\server\\share",
                                      windows, system, temp,   std::string(windows) + "\\"};
    for (const int id : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROFILE,
                         CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_STARTMENU,
                         CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP, CSIDL_PERSONAL,
                         CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA}) {
        const std::string path = shellFolder(id);
        if (!path.empty())
            owned.push_back(path);
    }
    // Every known folder, not a chosen few: the user's and the public ones alike.
    for (const KNOWNFOLDERID* id :
         {&FOLDERID_Downloads, &FOLDERID_Music, &FOLDERID_Pictures, &FOLDERID_Videos,
          &FOLDERID_Favorites, &FOLDERID_Public, &FOLDERID_PublicVideos, &FOLDERID_PublicMusic,
          &FOLDERID_PublicDownloads, &FOLDERID_SavedGames, &FOLDERID_Links}) {
        const std::string path = knownFolder(*id);
        if (!path.empty())
            owned.push_back(path);
    }
    EXPECT_GE(owned.size(), 25u) << "the known folders were found";
    for (std::string path : owned) {
        EXPECT_TRUE(isProtectedFolder(path)) << path;
        for (char& c : path)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        EXPECT_TRUE(isProtectedFolder(path)) << path << " in upper case";
    }
    const std::string profile = shellFolder(CSIDL_PROFILE);
    EXPECT_TRUE(isProtectedFolder(profile.substr(0, profile.rfind('\\')))) << "the profiles root";

    TempDirectory own("product");
    EXPECT_FALSE(isProtectedFolder(own.path()));
    EXPECT_FALSE(isProtectedFolder(shellFolder(CSIDL_PROGRAMS) + "\\Test Product"));
    EXPECT_FALSE(isProtectedFolder(std::string(windows) + "\\Temp\\Product"));
}
