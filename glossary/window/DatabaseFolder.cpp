#include "DatabaseFolder.h"

#include "win32/Handles.h"

#include <windows.h>

#include <shlobj.h>

namespace {

const wchar_t kKey[] = L"Software\\Technical Glossary";
const wchar_t kFolder[] = L"Database folder";

// Chosen this run: kept even where the settings may no longer be written.
std::wstring& lastChosen() {
    static std::wstring folder;
    return folder;
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring folderOf(const std::wstring& file) {
    wchar_t full[MAX_PATH] = {};
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(file.c_str(), MAX_PATH, full, &name);
    if (length == 0 || length >= MAX_PATH || name == nullptr || name == full)
        return std::wstring();
    return std::wstring(full, static_cast<std::size_t>(name - full));
}

std::wstring rememberedFolder() {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t text[MAX_PATH + 1] = {};
    DWORD type = 0, size = sizeof text - sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), kFolder, nullptr, &type, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return text;
}

std::wstring documents() {
    wchar_t folder[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder))
               ? std::wstring(folder)
               : std::wstring();
}

} // namespace

std::wstring databaseDialogFolder(const std::wstring& shown) {
    for (const std::wstring& folder :
         {lastChosen(), rememberedFolder(),
          GetFileAttributesW(shown.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring()
                                                                       : folderOf(shown),
          documents()}) {
        if (isFolder(folder))
            return folder;
    }
    return std::wstring();
}

void rememberDatabaseFolder(const std::wstring& chosen, bool mayWrite) {
    const std::wstring folder = folderOf(chosen);
    if (folder.empty())
        return;
    lastChosen() = folder;
    win32::Key key;
    if (!mayWrite || RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                     key.receive(), nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key.get(), kFolder, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
}
