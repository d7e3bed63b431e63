#include "Installation.h"

#include "Destination.h"
#include "Payload.h"
#include "Registration.h"
#include "SetupLogText.h"
#include "SetupReport.h"
#include "Shortcut.h"
#include "SystemError.h"
#include "recovery/Journal.h"
#include "recovery/LongPath.h"
#include "win32/AccessRights.h"
#include "win32/ErrorText.h"
#include "win32/FileWrite.h"
#include "win32/Handles.h"
#include "win32/RunLock.h"
#include "win32/RunningImage.h"

#include "ProductInfo.h"

#include <shlobj.h>

#include <algorithm>
#include <vector>

const wchar_t kProductName[] = L"Technical Glossary";
const wchar_t kProductVersion[] = PRODUCT_VERSION_WIDE;
const wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary";
const wchar_t kFoldersMadeAbove[] = L"FoldersMadeAbove";

namespace {

std::wstring folderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        throw InstallError(L"The system does not name its folder " + std::to_wstring(csidl) + L".");
    return path;
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folders of `path` that do not exist are made, from the root down. Those from
// `mustCreateFrom` characters on were missing when the destination was checked: one that exists
// by now was made by someone else in between and is not adopted.
void createFolders(const std::wstring& path, Journal& journal, SetupReport& report,
                   std::size_t mustCreateFrom = std::wstring::npos) {
    // Only administrators may change what the elevated uninstaller later runs and deletes.
    win32::ProtectedFolderSecurity security;
    if (!security.valid()) {
        const DWORD error = GetLastError();
        throw InstallError(L"The access list for new folders cannot be made:\n" +
                           systemError(error));
    }
    for (std::size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
        const std::wstring part = path.substr(0, at);
        if (part.size() >= mustCreateFrom || !exists(part)) {
            if (!CreateDirectoryW(part.c_str(), security.attributes())) {
                const DWORD error = GetLastError();
                if (error == ERROR_ALREADY_EXISTS)
                    throw InstallError(L"The folder \"" + part +
                                       L"\" was made by another program while setup was "
                                       L"running, so its permissions are not known to be "
                                       L"safe. Delete it, or choose another folder, and start "
                                       L"setup again.");
                throw InstallError(L"The folder \"" + part + L"\" cannot be created:\n" +
                                   systemError(error));
            }
            journal.createdFolder(part);
            report.installed("Folders", part);
        } else if ((GetFileAttributesW(part.c_str()) & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            throw InstallError(L"\"" + part +
                               L"\" is a file, not a folder; choose another destination.");
        }
        if (at == std::wstring::npos)
            break;
    }
}

// Writes beside the target first, so that a failure never leaves half a file. A file that a
// running program holds open is replaced at the next restart instead. One `alwaysThere` (the
// registered uninstaller and its log) is replaced in one move, so that the registered command
// finds it whenever the run is stopped.
void writeFile(const std::wstring& path, const std::string& bytes, Journal& journal,
               SetupReport& report, const char* stage, bool alwaysThere = false) {
    const bool had = exists(path);
    const std::wstring part = path + L".new";
    // Whatever happens from here on, a failed run takes the part written with it.
    journal.creatingFile(part);
    DWORD error = ERROR_SUCCESS;
    {
        const win32::Handle file(CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        error = file.valid() ? win32::writeWhole(file.get(), bytes) : GetLastError();
    }
    if (error != ERROR_SUCCESS)
        throw InstallError(L"The file \"" + path + L"\" cannot be written:\n" + systemError(error));
    if (had) {
        const DWORD aside = journal.setAside(path, alwaysThere);
        if (aside == ERROR_SHARING_VIOLATION || aside == ERROR_LOCK_VIOLATION) {
            // A running program holds it: the new one takes its place as the system starts.
            if (!MoveFileExW(part.c_str(), path.c_str(),
                             MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
                error = GetLastError();
                throw InstallError(L"The file \"" + path +
                                   L"\" is in use by a running program, and setup cannot "
                                   L"have it replaced at the next restart either (" +
                                   win32::systemMessage(error) + L"). Close " + kProductName +
                                   L" and start setup again.");
            }
            journal.replacedAtRestart(path);
            report.scheduled(stage, path, L"in use; replaced when the computer next starts");
            return;
        }
        if (aside != ERROR_SUCCESS)
            throw InstallError(L"The file \"" + path + L"\" cannot be replaced:\n" +
                               systemError(aside));
    }
    if (!had)
        journal.creatingFile(path);
    if (!MoveFileExW(part.c_str(), path.c_str(),
                     MOVEFILE_WRITE_THROUGH | (alwaysThere ? MOVEFILE_REPLACE_EXISTING : 0))) {
        error = GetLastError();
        // Only a process running from that very file while another run holds the entry lock,
        // as a waiting uninstaller does: a scanner holding the file is no removal, and an
        // ordinary user may start the uninstaller but never hold that lock.
        if (alwaysThere && had && win32::runsAsProcess(path) &&
            win32::RunLock::take(win32::kRunEntryLockName, 0).state() ==
                win32::RunLock::State::Busy)
            throw RemovalInProgress(
                L"The uninstaller \"" + path + L"\" is running, so a removal of " + kProductName +
                L" is starting or under way, and setup cannot replace that program while it "
                L"runs. What setup had done is undone. Start setup again once the removal has "
                L"ended.");
        throw InstallError(L"The file \"" + path + L"\" cannot be written:\n" + systemError(error));
    }
    if (had)
        report.replaced(stage, path);
    else
        report.installed(stage, path);
}

// One more product uses the shared file: its count goes up by one; a file that was there before
// without a count is counted for its earlier owner too.
void countSharedFile(const std::wstring& path, bool existedBefore, Journal& journal,
                     SetupReport& report) {
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
    journal.countedUse(path, had, had ? updated - count : updated);
    report.installed("Use counts", path + L" (" + std::to_wstring(updated) + L")");
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
    // The log and the registration name the folder as the system lists it: "PROGRA~1" would
    // be another name of it to every comparison of names.
    return longNamesOf(result);
}

} // namespace

std::wstring defaultDestination() {
    return folderPath(CSIDL_PROGRAM_FILES) + L"\\" + kProductName;
}

std::wstring install(HMODULE module, const InstallRequest& request,
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
    // What the glossary remembers for the user who removes it goes with it: the keys it makes
    // under its settings first, since a key that still holds keys stays.
    const std::string settings = "HKCU,Software\\" + exactAnsi(kProductName);
    for (const char* inside : {"\\DICT servers", "\\History"})
        product.registryKeys.push_back(settings + inside);
    product.registryKeys.push_back(settings);
    const std::wstring logPath = directory + L"\\Setup.log";
    const std::string ansiLogPath = exactAnsi(logPath);
    checkDestinationRights(directory, request.administrator);
    // What a stopped run did is undone (or finished) before anything is looked at or made; it
    // may have gone into the registered folder or this one, and nowhere else.
    JournalScope scope;
    scope.madeFolders = true;
    const std::wstring registered = registeredFolder();
    for (const std::wstring& folder : {directory, registered, menu}) {
        if (!folder.empty())
            scope.folders.push_back(utf8(folder));
    }
    for (std::size_t i = 0; i < payload.size(); ++i) {
        // A shared file in the system's folder is the product's, not the folder.
        if (payload[i].folder == L"system")
            scope.files.push_back(utf8(paths[i]));
        else
            scope.folders.push_back(utf8(folders[i]));
    }
    scope.keys.push_back(utf8(kUninstallKey));
    if (!registered.empty())
        scope.logs.push_back(utf8(registered + L"\\Setup.log"));
    Journal::recover(kProductName, scope, request.administrator, request.report);
    // Shared files that this product's own installation there counted are not counted twice.
    const EarlierInstallation earlier = checkEarlierInstallation(directory, request.allowDowngrade);
    const std::vector<std::string>& countedBefore = earlier.countedShared;
    const std::size_t missingFrom = checkDestinationRights(directory, request.administrator);
    const std::vector<std::wstring> parents = parentsToRemove(directory);
    for (const std::wstring& parent : parents)
        product.parents.push_back(exactAnsi(parent));

    Journal journal(kProductName, request.report);
    SetupReport none;
    SetupReport& report = request.report != nullptr ? *request.report : none;
    createFolders(directory, journal, report, missingFrom);
    if (!earlier.damagedLog.empty())
        report.note("Setup log", logPath,
                    "damaged (" + utf8(earlier.damagedLog) + "): written anew");
    // A removal stopped after the setup log went: the folders it had yet to take are the
    // product's again, named by the registration it left.
    if (!registered.empty() && !exists(registered + L"\\Setup.log")) {
        for (const std::wstring& parent : parents) {
            if (exists(parent))
                report.note("Recovery", parent,
                            "made by setup, whose log of it was gone (a removal stopped): named in "
                            "the setup log again");
        }
    }
    // What this run writes: a restart operation on a shared file it only keeps is the business
    // of the products that wrote it.
    std::vector<std::wstring> installed = {directory, menu, logPath};
    for (const auto& [name, target] : shortcuts)
        installed.push_back(menu + L"\\" + name + L".lnk");
    DWORD bytes = 0;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        const PayloadFile& file = payload[i];
        createFolders(folders[i], journal, report);
        const bool existedBefore = exists(paths[i]);
        const std::string content = payloadBytes(module, file.resource);
        bytes += static_cast<DWORD>(content.size());
        // A shared file that is there already belongs to the products that use it: it stays as
        // it is, and only its count says that one more uses it.
        if (!(file.shared && existedBefore)) {
            writeFile(paths[i], content, journal, report, file.shared ? "Shared files" : "Files",
                      file.name == L"uninstall.exe");
            installed.push_back(paths[i]);
        } else {
            report.kept("Shared files", paths[i], L"there already; it stays as it is");
        }
        if (file.shared) {
            if (std::find(countedBefore.begin(), countedBefore.end(), ansiPaths[i]) ==
                countedBefore.end())
                countSharedFile(paths[i], existedBefore, journal, report);
            product.sharedFiles.push_back(ansiPaths[i]);
        } else {
            product.files.push_back(ansiPaths[i]);
        }
        progress(++done, total);
    }

    // The Start menu of every user; the glossary starts in its folder, where Dict.mdb is.
    createFolders(menu, journal, report);
    for (const auto& [name, target] : shortcuts) {
        const std::wstring link = menu + L"\\" + name + L".lnk";
        const bool had = exists(link);
        const DWORD aside = had ? journal.setAside(link) : ERROR_SUCCESS;
        if (aside != ERROR_SUCCESS)
            throw InstallError(L"The shortcut \"" + link + L"\" cannot be replaced:\n" +
                               systemError(aside));
        if (!had)
            journal.creatingFile(link);
        const HRESULT made = createShortcut(link, directory + L"\\" + target, directory, name);
        if (FAILED(made))
            throw InstallError(L"The shortcut \"" + link + L"\" cannot be created:\n" +
                               systemError(static_cast<DWORD>(made)));
        if (had)
            report.replaced("Shortcuts", link);
        else
            report.installed("Shortcuts", link);
    }
    product.files.insert(product.files.end(), ansiLinks.begin(), ansiLinks.end());
    progress(++done, total);

    product.files.push_back(ansiLogPath);
    const std::string log = setupLogText(product);
    writeFile(logPath, request.invertLog ? inverted(log) : log, journal, report, "Setup log", true);
    progress(++done, total);

    // Last before the commit, after the log: a registration always means a whole installation,
    // whose uninstaller has its log.
    registerProduct(directory, parents, (bytes + 1023) / 1024, journal, report);
    progress(++done, total);
    if (!journal.commit(installed, &report))
        return L"Files of it are to be deleted or replaced when the computer next starts, as "
               L"an earlier removal left them, and setup cannot take that back. Restart the "
               L"computer and start setup again to complete the installation.";
    if (journal.restartNeeded())
        return L"A file it replaces is in use by a running program; it is replaced when the "
               L"computer next starts. Restart the computer to complete the installation.";
    return std::wstring();
}
