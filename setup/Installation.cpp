#include "Installation.h"

#include "Payload.h"
#include "SetupLogText.h"
#include "Shortcut.h"
#include "win32/ErrorText.h"
#include "win32/Handles.h"

#include <shlobj.h>

#include <algorithm>
#include <vector>

const wchar_t kProductName[] = L"Technical Glossary";

namespace {

const wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary";
const wchar_t kSharedDllsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
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

// The system's ANSI form, which the uninstaller reads; a path it cannot hold is refused.
std::string ansi(const std::wstring& text) {
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, &lossy);
    std::string bytes(static_cast<std::size_t>(std::max(length, 0)), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            length, nullptr, &lossy);
    if (lossy)
        throw InstallError(
            L"The path \"" + text +
            L"\" has characters that the system's code page cannot hold; choose another folder.");
    return bytes;
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string readWholeFile(const std::wstring& path) {
    const win32::Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (file.valid() && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0 &&
           text.size() < (1u << 24))
        text.append(buffer, got);
    return text;
}

// Everything this run has created or changed, to be undone when a later step fails.
class Journal {
public:
    ~Journal() {
        if (!committed_)
            undo();
    }
    void commit() { committed_ = true; }
    void createdFolder(const std::wstring& path) { folders_.push_back(path); }
    void createdFile(const std::wstring& path) { files_.push_back(path); }
    void changedCount(const std::wstring& file, bool had, DWORD before) {
        counts_.push_back({file, had, before});
    }
    void createdKey() { key_ = true; }

private:
    struct Count {
        std::wstring file;
        bool had;
        DWORD before;
    };
    void undo() {
        if (key_)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
        win32::Key shared;
        if (!counts_.empty() && RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_SET_VALUE,
                                              shared.receive()) == ERROR_SUCCESS) {
            for (const Count& count : counts_) {
                if (count.had)
                    RegSetValueExW(shared.get(), count.file.c_str(), 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&count.before),
                                   sizeof count.before);
                else
                    RegDeleteValueW(shared.get(), count.file.c_str());
            }
        }
        for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
            SetFileAttributesW(file->c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file->c_str());
        }
        for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
            RemoveDirectoryW(folder->c_str());
    }

    std::vector<std::wstring> folders_, files_;
    std::vector<Count> counts_;
    bool key_ = false;
    bool committed_ = false;
};

void createFolders(const std::wstring& path, Journal& journal) {
    // From the root down: each missing folder is made and remembered.
    for (std::size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
        const std::wstring part = path.substr(0, at);
        if (!exists(part)) {
            if (!CreateDirectoryW(part.c_str(), nullptr))
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
    if (!wrote || written != bytes.size() ||
        !MoveFileExW(part.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
    win32::Key owned;
    DWORD disposition = 0;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0,
                                         KEY_SET_VALUE, nullptr, owned.receive(), &disposition);
    if (created != ERROR_SUCCESS)
        throw InstallError(L"The product cannot be registered:\n" +
                           systemError(static_cast<DWORD>(created)));
    if (disposition == REG_CREATED_NEW_KEY)
        journal.createdKey();
    const HKEY key = owned.get();
    const std::wstring uninstaller = L"\"" + directory + L"\\uninstall.exe\"";
    setString(key, L"DisplayName", kProductName);
    setString(key, L"DisplayVersion", kVersion);
    setString(key, L"Publisher", kProductName);
    setString(key, L"InstallLocation", directory);
    setString(key, L"DisplayIcon", directory + L"\\glossary.exe");
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
    const std::vector<PayloadFile> payload = readPayload(module);
    const int total = static_cast<int>(payload.size()) + 3;
    int done = 0;
    Journal journal;

    InstalledProduct product;
    product.applicationName = ansi(kProductName);
    product.applicationDirectory = ansi(directory);
    // Installed before: shared files it counted are not counted twice.
    const std::wstring logPath = directory + L"\\Setup.log";
    std::vector<std::string> countedBefore = sharedFilesOf(readWholeFile(logPath));

    createFolders(directory, journal);
    DWORD bytes = 0;
    for (const PayloadFile& file : payload) {
        const std::wstring folder =
            file.folder == L"system" ? folderPath(CSIDL_SYSTEM)
            : file.folder == L"common"
                ? folderPath(CSIDL_PROGRAM_FILES_COMMON) + L"\\" + kProductName
                : directory;
        const std::wstring path = folder + L"\\" + file.name;
        const std::string ansiPath = ansi(path);
        createFolders(folder, journal);
        const bool existedBefore = exists(path);
        const std::string content = payloadBytes(module, file.resource);
        bytes += static_cast<DWORD>(content.size());
        // A shared file that is there already belongs to the products that use it: it stays as
        // it is, and only its count says that one more uses it.
        if (!(file.shared && existedBefore))
            writeFile(path, content, journal);
        if (file.shared) {
            if (std::find(countedBefore.begin(), countedBefore.end(), ansiPath) ==
                countedBefore.end())
                countSharedFile(path, existedBefore, journal);
            product.sharedFiles.push_back(ansiPath);
        } else {
            product.files.push_back(ansiPath);
        }
        progress(++done, total);
    }

    // The Start menu of every user; the glossary starts in its folder, where Dict.mdb is.
    const std::wstring menu = folderPath(CSIDL_COMMON_PROGRAMS) + L"\\" + kProductName;
    createFolders(menu, journal);
    for (const auto& [name, target] :
         {std::pair<std::wstring, std::wstring>{kProductName, L"glossary.exe"},
          {std::wstring(L"Uninstall ") + kProductName, L"uninstall.exe"}}) {
        const std::wstring link = menu + L"\\" + name + L".lnk";
        const bool had = exists(link);
        const HRESULT made = createShortcut(link, directory + L"\\" + target, directory, name);
        if (FAILED(made))
            throw InstallError(L"The shortcut \"" + link + L"\" cannot be created:\n" +
                               systemError(static_cast<DWORD>(made)));
        if (!had)
            journal.createdFile(link);
        product.files.push_back(ansi(link));
    }
    product.folders.push_back(ansi(menu));
    progress(++done, total);

    registerProduct(directory, (bytes + 1023) / 1024, journal);
    product.registryKeys.push_back("HKLM," + ansi(kUninstallKey));
    progress(++done, total);

    product.files.push_back(ansi(logPath));
    const std::string log = setupLogText(product);
    writeFile(logPath, request.invertLog ? inverted(log) : log, journal);
    progress(++done, total);
    journal.commit();
}
