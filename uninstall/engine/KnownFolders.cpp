#include "KnownFolders.h"

#include "win32/Com.h"
#include "win32/Handles.h"

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

namespace {

// {4df0c730-df9d-4ae3-9153-aa6b82e9795a}
const CLSID kKnownFolderManager = {
    0x4df0c730, 0xdf9d, 0x4ae3, {0x91, 0x53, 0xaa, 0x6b, 0x82, 0xe9, 0x79, 0x5a}};

std::string toAnsi(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], size, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(size) - 1);
    return result;
}

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text)
        c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return text;
}

std::string stringValue(HKEY key, const wchar_t* name) {
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof value - sizeof(wchar_t), type = REG_NONE;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    return toAnsi(withSystemFolders(value).c_str());
}

} // namespace

std::wstring withSystemFolders(const std::wstring& text) {
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length < 3 || length >= MAX_PATH)
        return text;
    const std::wstring root(windows, length), drive = root.substr(0, 2);
    const std::wstring folded = lower(text);
    std::wstring result;
    std::size_t at = 0;
    for (std::size_t open; (open = folded.find(L'%', at)) != std::wstring::npos;) {
        result += text.substr(at, open - at);
        at = open;
        if (folded.compare(open, 13, L"%systemdrive%") == 0) {
            result += drive;
            at += 13;
        } else if (folded.compare(open, 12, L"%systemroot%") == 0) {
            result += root;
            at += 12;
        } else {
            result += L'%';
            ++at;
        }
    }
    return result + text.substr(at);
}

std::vector<std::string> knownFolderPaths() {
    std::vector<std::string> paths;
    const win32::ComApartment com; // the worker thread may have none of its own
    win32::ComPtr<IKnownFolderManager> manager;
    if (FAILED(CoCreateInstance(kKnownFolderManager, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IKnownFolderManager), manager.receiveVoid())))
        return paths;
    win32::TaskMemory<KNOWNFOLDERID*> ids;
    UINT count = 0;
    if (FAILED(manager->GetFolderIds(ids.receive(), &count)))
        return paths;
    for (UINT i = 0; i < count; ++i) {
        win32::ComPtr<IKnownFolder> folder;
        win32::TaskMemory<wchar_t*> path;
        if (SUCCEEDED(manager->GetFolder(ids.get()[i], folder.receive())) &&
            SUCCEEDED(folder->GetPath(KF_FLAG_DONT_VERIFY, path.receive())) && path)
            paths.push_back(toAnsi(path.get()));
    }
    return paths;
}

std::vector<std::string> profileFolders() {
    std::vector<std::string> folders;
    win32::Key list;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0, KEY_READ,
                      list.receive()) != ERROR_SUCCESS)
        return folders;
    for (const wchar_t* name : {L"ProfilesDirectory", L"Default", L"Public", L"AllUsersProfile"})
        folders.push_back(stringValue(list.get(), name));
    char sid[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof sid;
        if (RegEnumKeyExA(list.get(), i, sid, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        win32::Key profile;
        if (RegOpenKeyExA(list.get(), sid, 0, KEY_QUERY_VALUE, profile.receive()) == ERROR_SUCCESS)
            folders.push_back(stringValue(profile.get(), L"ProfileImagePath"));
    }
    return folders;
}

std::wstring knownFolderPath(const GUID& id) {
    // A folder not made yet (SYSTEM's or a new account's application data) is still named:
    // left out, a script's "%APPDATA%\\x" would become "\\x" at the drive's root. It lies in the
    // account's profile, where other users create nothing. Not through the manager's folder
    // object: Wine's checks the folder is there whatever it is told.
    win32::TaskMemory<wchar_t*> path;
    if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, path.receive())) || !path)
        return std::wstring();
    return path.get();
}
