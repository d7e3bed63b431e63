#include "Installation.h"

#include "Destination.h"
#include "Journal.h"
#include "Payload.h"
#include "SetupLogText.h"
#include "Shortcut.h"
#include "win32/AccessRights.h"
#include "win32/ErrorText.h"
#include "win32/Handles.h"

#include <shlobj.h>

#include <algorithm>
#include <vector>

const wchar_t kProductName[] = L"Technical Glossary";
const wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary";
const wchar_t kSharedDllsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

namespace {

const wchar_t kVersion[] = L"1.3";

std::wstring systemError(DWORD error) {
    const std::wstring message = win32::systemMessage(error);
    return message.empty() ? L"Error " + std::to_wstring(error) + L"." : message;
}

std::wstring folderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        throw InstallError(L"The system does not name its folder " + std::to_wstring(csidl) + L".");
    return path;
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void createFolders(const std::wstring& path, Journal& journal) {
    // Only administrators may change what the elevated uninstaller later runs and deletes.
    win32::ProtectedFolderSecurity security;
    if (!security.valid())
        throw InstallError(L"The access list for new folders cannot be made:\n" +
                           systemError(GetLastError()));
    // From the root down: each missing folder is made and remembered.
    for (std::size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
        const std::wstring part = path.substr(0, at);
        if (!exists(part)) {
            if (!CreateDirectoryW(part.c_str(), security.attributes()))
                throw InstallError(L"The folder \"" + part + L"\" cannot be created:\n" +
                                   systemError(GetLastError()));
            journal.createdFolder(part);
        } else if ((GetFileAttributesW(part.c_str()) & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            throw InstallError(L"\"" + part +
                               L"\" is a file, not a folder; choose another destination.");
        }
        if (at == std::wstring::npos)
            break;
    }
}

// Writes beside the target first, so that a failure never leaves half a file.
void writeFile(const std::wstring& path, const std::string& bytes, Journal& journal) {
    const bool had = exists(path);
    const std::wstring part = path + L".new";
    BOOL wrote = FALSE;
    DWORD written = 0, error = 0;
    {
        const win32::Handle file(CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid())
            throw InstallError(L"The file \"" + path + L"\" cannot be written:\n" +
                               systemError(GetLastError()));
        wrote = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                          nullptr);
        error = GetLastError();
    }
    if (wrote && written == bytes.size() && had)
        journal.setAside(path);
    if (!wrote || written != bytes.size() ||
        !MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD failure = wrote ? GetLastError() : error;
        DeleteFileW(part.c_str());
        throw InstallError(L"The file \"" + path + L"\" cannot be written:\n" +
                           systemError(failure));
    }
    if (!had)
        journal.createdFile(path);
}

// One more product uses the shared file: its count goes up by one; a file that was there before
// without a count is counted for its earlier owner too.
void countSharedFile(const std::wstring& path, bool existedBefore, Journal& journal) {
    win32::Key key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS)
        throw InstallError(L"The use counts of shared files cannot be written.");
    DWORD type = 0, count = 0, size = sizeof count;
    const LONG read = RegQueryValueExW(key.get(), path.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&count), &size);
    const bool had = read == ERROR_SUCCESS;
    // A count of another form is some other program's: it is not guessed at or overwritten.
    if (read != ERROR_FILE_NOT_FOUND && (!had || type != REG_DWORD || size != sizeof count))
        throw InstallError(L"The use count of \"" + path +
                           L"\" cannot be read; the file is left as it is.");
    const DWORD updated = had ? count + 1 : existedBefore ? 2 : 1;
    const LONG set = RegSetValueExW(key.get(), path.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&updated), sizeof updated);
    if (set != ERROR_SUCCESS)
        throw InstallError(L"The use count of \"" + path + L"\" cannot be written:\n" +
                           systemError(static_cast<DWORD>(set)));
    journal.changedCount(path, had, count);
}

void setString(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void setNumber(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void registerProduct(const std::wstring& directory, DWORD sizeKb, Journal& journal) {
    journal.beforeRegistration(kUninstallKey);
    win32::Key owned;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0,
                                         KEY_SET_VALUE, nullptr, owned.receive(), nullptr);
    if (created != ERROR_SUCCESS)
        throw InstallError(L"The product cannot be registered:\n" +
                           systemError(static_cast<DWORD>(created)));
    const HKEY key = owned.get();
    const std::wstring uninstaller = L"\"" + directory + L"\\uninstall.exe\"";
    setString(key, L"DisplayName", kProductName);
    setString(key, L"DisplayVersion", kVersion);
    setString(key, L"Publisher", kProductName);
    setString(key, L"InstallLocation", directory);
    // The icon's index keeps a comma in the folder's name from being read as one.
    setString(key, L"DisplayIcon", directory + L"\\glossary.exe,0");
    setNumber(key, L"EstimatedSize", sizeKb);
    setNumber(key, L"NoModify", 1);
    setNumber(key, L"NoRepair", 1);
    setString(key, L"UninstallString", uninstaller);
    setString(key, L"QuietUninstallString", uninstaller + L" /S");
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    if (path.empty() || length == 0 || length >= MAX_PATH || path.size() < 3 || path[1] != L':' ||
        path[2] != L'\\')
        throw InstallError(L"\"" + path +
                           L"\" is not a full path of a folder (such as C:\\Program Files\\" +
                           kProductName + L").");
    std::wstring result = full;
    while (result.size() > 3 && result.back() == L'\\')
        result.pop_back();
    return result;
}

} // namespace

std::wstring defaultDestination() {
    return folderPath(CSIDL_PROGRAM_FILES) + L"\\" + kProductName;
}

void install(HMODULE module, const InstallRequest& request,
             const std::function<void(int, int)>& progress) {
    const std::wstring directory = fullPath(request.destination);
    checkDestinationText(directory);
    const std::vector<PayloadFile> payload = readPayload(module);
    const int total = static_cast<int>(payload.size()) + 3;
    int done = 0;

    // Every path the log will name, in its exact form, before anything is created.
    InstalledProduct product;
    product.applicationName = exactAnsi(kProductName);
    product.applicationDirectory = exactAnsi(directory);
    std::vector<std::wstring> folders, paths;
    std::vector<std::string> ansiPaths;
    for (const PayloadFile& file : payload) {
        folders.push_back(file.folder == L"system" ? folderPath(CSIDL_SYSTEM)
                          : file.folder == L"common"
                              ? folderPath(CSIDL_PROGRAM_FILES_COMMON) + L"\\" + kProductName
                              : directory);
        paths.push_back(folders.back() + L"\\" + file.name);
        ansiPaths.push_back(exactAnsi(paths.back()));
    }
    const std::wstring menu = folderPath(CSIDL_COMMON_PROGRAMS) + L"\\" + kProductName;
    const std::pair<std::wstring, std::wstring> shortcuts[] = {
        {kProductName, L"glossary.exe"},
        {std::wstring(L"Uninstall ") + kProductName, L"uninstall.exe"}};
    std::vector<std::string> ansiLinks;
    for (const auto& [name, target] : shortcuts)
        ansiLinks.push_back(exactAnsi(menu + L"\\" + name + L".lnk"));
    product.folders.push_back(exactAnsi(menu));
    product.registryKeys.push_back("HKLM," + exactAnsi(kUninstallKey));
    // What the glossary remembers for the user who removes it goes with it.
    product.registryKeys.push_back("HKCU,Software\\" + exactAnsi(kProductName));
    const std::wstring logPath = directory + L"\\Setup.log";
    const std::string ansiLogPath = exactAnsi(logPath);
    // Shared files that this product's own installation there counted are not counted twice.
    const std::vector<std::string> countedBefore = checkEarlierInstallation(directory);
    checkDestinationRights(directory);
    for (const std::wstring& parent : parentsToRemove(directory))
        product.parents.push_back(exactAnsi(parent));

    Journal journal;
    createFolders(directory, journal);
    DWORD bytes = 0;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        const PayloadFile& file = payload[i];
        createFolders(folders[i], journal);
        const bool existedBefore = exists(paths[i]);
        const std::string content = payloadBytes(module, file.resource);
        bytes += static_cast<DWORD>(content.size());
        // A shared file that is there already belongs to the products that use it: it stays as
        // it is, and only its count says that one more uses it.
        if (!(file.shared && existedBefore))
            writeFile(paths[i], content, journal);
        if (file.shared) {
            if (std::find(countedBefore.begin(), countedBefore.end(), ansiPaths[i]) ==
                countedBefore.end())
                countSharedFile(paths[i], existedBefore, journal);
            product.sharedFiles.push_back(ansiPaths[i]);
        } else {
            product.files.push_back(ansiPaths[i]);
        }
        progress(++done, total);
    }

    // The Start menu of every user; the glossary starts in its folder, where Dict.mdb is.
    createFolders(menu, journal);
    for (const auto& [name, target] : shortcuts) {
        const std::wstring link = menu + L"\\" + name + L".lnk";
        const bool had = exists(link);
        if (had)
            journal.setAside(link);
        const HRESULT made = createShortcut(link, directory + L"\\" + target, directory, name);
        if (FAILED(made))
            throw InstallError(L"The shortcut \"" + link + L"\" cannot be created:\n" +
                               systemError(static_cast<DWORD>(made)));
        if (!had)
            journal.createdFile(link);
    }
    product.files.insert(product.files.end(), ansiLinks.begin(), ansiLinks.end());
    progress(++done, total);

    registerProduct(directory, (bytes + 1023) / 1024, journal);
    progress(++done, total);

    product.files.push_back(ansiLogPath);
    const std::string log = setupLogText(product);
    writeFile(logPath, request.invertLog ? inverted(log) : log, journal);
    progress(++done, total);
    journal.commit();
}
