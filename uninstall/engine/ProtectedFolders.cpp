#include "ProtectedFolders.h"

#include "KnownFolders.h"
#include "PathRules.h"
#include "base/SystemLibrary.h"

#include <windows.h>

#include <shlobj.h>

#include <set>

namespace {

std::string longForm(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), full, sizeof full);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

std::string parentOf(const std::string& path) {
    const std::size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

// Every known folder, and for each profile of the machine the same folders of the running
// account's profile (Downloads, Music, Favorites...) as they lie in that profile.
template <typename Add> void addKnownFolders(const Add& add) {
    char own[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("USERPROFILE", own, MAX_PATH);
    const std::string ownProfile = length > 0 && length < MAX_PATH ? comparablePath(own) : "";
    const std::vector<std::string> known = knownFolderPaths(), profiles = profileFolders();
    for (const std::string& folder : profiles)
        add(folder);
    for (const std::string& folder : known) {
        add(folder);
        const std::string comparable = comparablePath(folder);
        if (ownProfile.empty() || comparable.size() <= ownProfile.size() + 1 ||
            comparable.compare(0, ownProfile.size(), ownProfile) != 0 ||
            comparable[ownProfile.size()] != '\\')
            continue;
        for (const std::string& profile : profiles) {
            if (!profile.empty())
                add(profile + folder.substr(ownProfile.size()));
        }
    }
}

// Each folder as the system names it, in the form paths are compared in. A folder that
// cannot be found adds nothing: protection is only ever added, never taken away.
std::set<std::string> collectFolders() {
    std::set<std::string> folders;
    const auto add = [&folders](const std::string& path) {
        if (!path.empty()) {
            folders.insert(comparablePath(path));
            folders.insert(comparablePath(longForm(path)));
        }
    };
    char path[MAX_PATH] = {};
    if (GetWindowsDirectoryA(path, MAX_PATH))
        add(path);
    add(systemDirectory());
    if (GetSystemWow64DirectoryA(path, MAX_PATH))
        add(path);
    if (GetTempPathA(MAX_PATH, path))
        add(path);
    for (const char* variable :
         {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
          "CommonProgramFiles(x86)", "CommonProgramW6432", "SystemRoot", "windir", "USERPROFILE",
          "ALLUSERSPROFILE", "PUBLIC", "ProgramData", "APPDATA", "LOCALAPPDATA", "TEMP", "TMP"}) {
        const DWORD length = GetEnvironmentVariableA(variable, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            add(path);
    }

    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    const auto getFolderPath = systemFunction<GetFolderPath>("shell32.dll", "SHGetFolderPathA");
    if (getFolderPath != nullptr) {
        for (const int folder : {CSIDL_WINDOWS,
                                 CSIDL_SYSTEM,
                                 CSIDL_SYSTEMX86,
                                 CSIDL_PROGRAM_FILES,
                                 CSIDL_PROGRAM_FILESX86,
                                 CSIDL_PROGRAM_FILES_COMMON,
                                 CSIDL_PROGRAM_FILES_COMMONX86,
                                 CSIDL_PROFILE,
                                 CSIDL_DESKTOPDIRECTORY,
                                 CSIDL_COMMON_DESKTOPDIRECTORY,
                                 CSIDL_STARTMENU,
                                 CSIDL_COMMON_STARTMENU,
                                 CSIDL_PROGRAMS,
                                 CSIDL_COMMON_PROGRAMS,
                                 CSIDL_STARTUP,
                                 CSIDL_COMMON_STARTUP,
                                 CSIDL_PERSONAL,
                                 CSIDL_COMMON_DOCUMENTS,
                                 CSIDL_APPDATA,
                                 CSIDL_LOCAL_APPDATA,
                                 CSIDL_COMMON_APPDATA,
                                 CSIDL_FONTS}) {
            path[0] = '\0';
            if (SUCCEEDED(getFolderPath(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)))
                add(path);
        }
        if (SUCCEEDED(getFolderPath(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path)))
            add(parentOf(path)); // the profiles root
    }
    addKnownFolders(add);
    return folders;
}

bool isRoot(const std::string& comparable) {
    if (comparable.size() == 3 && comparable[1] == ':')
        return true; // "C:\"
    // "\\server\share" and "\\server"
    if (comparable.compare(0, 2, "\\\\") != 0)
        return false;
    const std::size_t server = comparable.find('\\', 2);
    return server == std::string::npos || comparable.find('\\', server + 1) == std::string::npos;
}

} // namespace

bool isProtectedFolder(const std::string& path) {
    static const std::set<std::string> folders = collectFolders();
    const std::string comparable = comparablePath(path);
    const std::string comparableLong = comparablePath(longForm(path));
    return isRoot(comparable) || isRoot(comparableLong) || folders.count(comparable) != 0 ||
           folders.count(comparableLong) != 0;
}
