#include "Destination.h"

#include "InstallError.h"
#include "Installation.h"
#include "SetupLogText.h"
#include "SetupReport.h"
#include "Version.h"
#include "recovery/LongPath.h"
#include "setuplog/SetupLog.h"
#include "win32/AccessRights.h"
#include "win32/ErrorText.h"
#include "win32/FileHolders.h"
#include "win32/Handles.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace {

std::string toCodePage(const std::wstring& text, UINT codePage) {
    // UTF-8 takes no flags; it holds every character but a lone surrogate.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = WideCharToMultiByte(
        codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), &bytes[0],
                        length, nullptr, nullptr);
    return bytes;
}

std::wstring fromCodePage(const std::string& bytes, UINT codePage) {
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                        static_cast<int>(bytes.size()), &text[0], length);
    return text;
}

bool exact(const std::wstring& text, UINT codePage) {
    return text.empty() || fromCodePage(toCodePage(text, codePage), codePage) == text;
}

bool sameFolder(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The setup log and the uninstaller name the destination by the path typed: a link or
// junction on the way would send them elsewhere, and the uninstaller refuses every file behind
// one. Such a destination is refused, not followed.
void checkNoLink(const std::wstring& folder) {
    const win32::Handle handle(
        CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    std::wstring reached;
    if (handle.valid() &&
        GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
        namedByItsPath(handle.get(), folder, &reached))
        return;
    throw InstallError(L"The folder \"" + folder + L"\" is a link or junction" +
                       (reached.empty() || sameFolder(reached, folder)
                            ? std::wstring()
                            : L" to \"" + reached + L"\"") +
                       L", or is reached through one. Setup installs only into a folder "
                       L"that is where its path says; choose the folder the link leads to, or "
                       L"another one.");
}

// A log that exists but cannot be read says nothing about whose it is: held open by another
// program (a backup or a virus scan), named where the system can tell, or refused.
std::wstring unreadableLog(const std::wstring& path, DWORD error) {
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)
        return L"The setup log \"" + path + L"\" cannot be read: " + win32::systemMessage(error) +
               L" (" + std::to_wstring(error) + L"). Nothing was changed. Make it readable for " +
               L"the administrators, or move it out of the folder, and start setup again.";
    std::wstring holders;
    for (const std::wstring& holder : win32::programsHolding(path))
        holders += (holders.empty() ? L"" : L", ") + holder;
    return L"The setup log \"" + path + L"\" is held open by " +
           (holders.empty() ? std::wstring(L"another program") : holders) +
           L", so setup cannot read what the installation there counted. Nothing was changed. "
           L"Close that program, or wait until it lets the file go (a backup or a virus scan "
           L"may hold it for a while), and start setup again.";
}

} // namespace

bool namedByItsPath(HANDLE handle, const std::wstring& path, std::wstring* reached) {
    wchar_t resolved[MAX_PATH * 2] = {}, typed[MAX_PATH * 2] = {};
    const DWORD length = GetFinalPathNameByHandleW(handle, resolved, MAX_PATH * 2,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    const DWORD typedLength = GetLongPathNameW(path.c_str(), typed, MAX_PATH * 2);
    std::wstring system = length > 0 && length < MAX_PATH * 2 ? resolved : L"";
    if (system.compare(0, 4, L"\\\\?\\") == 0)
        system.erase(0, 4);
    if (reached != nullptr)
        *reached = system;
    return !system.empty() && typedLength > 0 && typedLength < MAX_PATH * 2 &&
           sameFolder(system, typed);
}

std::string readWholeFile(const std::wstring& path, bool& found, DWORD* openError) {
    const win32::Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    const DWORD error = file.valid() ? ERROR_SUCCESS : GetLastError();
    found = file.valid() || (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND);
    if (openError != nullptr)
        *openError = error;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (file.valid() && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0 &&
           text.size() < (1u << 24))
        text.append(buffer, got);
    return text;
}

std::string exactAnsi(const std::wstring& text) {
    const UINT codePage = GetACP();
    if (exact(text, codePage))
        return toCodePage(text, codePage);
    // Name the first character (a surrogate pair is one) that does not come back.
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t length =
            at + 1 < text.size() && IS_HIGH_SURROGATE(text[at]) && IS_LOW_SURROGATE(text[at + 1])
                ? 2
                : 1;
        const std::wstring character = text.substr(at, length);
        if (!exact(character, codePage)) {
            wchar_t code[16];
            std::swprintf(code, 16, L"U+%04X", static_cast<unsigned>(text[at]));
            throw InstallError(L"The path \"" + text +
                               L"\" cannot be written to the setup log: "
                               L"the character \"" +
                               character + L"\" (" + code +
                               L") has no form in the system's code page " +
                               std::to_wstring(codePage) + L". Choose another folder.");
        }
        at += length - 1;
    }
    throw InstallError(L"The path \"" + text + L"\" cannot be written in the system's code page " +
                       std::to_wstring(codePage) + L". Choose another folder.");
}

void checkDestinationText(const std::wstring& directory) {
    if (directory.size() <= 3)
        throw InstallError(L"\"" + directory +
                           L"\" is a drive's root folder; choose a folder on "
                           L"it, such as " +
                           directory + kProductName + L".");
    if (directory.find_first_of(L"[]") != std::wstring::npos)
        throw InstallError(L"The folder \"" + directory +
                           L"\" has \"[\" or \"]\" in its name, "
                           L"which the setup log cannot hold. "
                           L"Choose another folder.");
    exactAnsi(directory);
}

std::size_t checkDestinationRights(const std::wstring& directory,
                                   const win32::RunningAccount& administrator) {
    // From the drive's root down, each folder that exists. Anyone may create folders in a
    // drive's root: there only deleting, renaming and permissions count.
    for (std::size_t at = directory.find(L'\\');; at = directory.find(L'\\', at + 1)) {
        const std::wstring folder = directory.substr(0, at == 2 ? 3 : at);
        if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            return folder.size();
        checkNoLink(folder);
        std::vector<BYTE> descriptor = win32::securityOf(folder);
        const DWORD rights =
            at == 2 ? win32::kChangeRights & ~win32::kWriteRights : win32::kChangeRights;
        const win32::Exposure exposure = win32::nonAdministratorAccess(
            descriptor.empty() ? nullptr : descriptor.data(), rights, administrator);
        if (exposure)
            throw InstallError(L"The folder \"" + folder +
                               L"\" can be changed by users who are "
                               L"not administrators: " +
                               exposure.text() +
                               L"\nChoose a folder that only administrators can change.");
        if (at == std::wstring::npos)
            return std::wstring::npos;
    }
}

std::wstring registeredValue(const wchar_t* name) {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, key.receive()) !=
        ERROR_SUCCESS)
        return std::wstring();
    wchar_t value[MAX_PATH + 1] = {};
    DWORD type = 0, size = MAX_PATH * sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return value;
}

std::wstring registeredFolder() {
    return registeredValue(L"InstallLocation");
}

EarlierInstallation checkEarlierInstallation(const std::wstring& directory, bool allowDowngrade) {
    const std::wstring registered = registeredFolder();
    // An earlier setup registered the folder as it was typed, 8.3 names and all.
    if (!registered.empty() && !sameFolder(longNamesOf(registered), directory))
        throw InstallError(std::wstring(kProductName) + L" is installed in \"" + registered +
                           L"\". Install it again into that folder, or remove it first and "
                           L"then install it into \"" +
                           directory + L"\".");
    const std::wstring version = registeredValue(L"DisplayVersion");
    // A version that cannot be compared may be newer: it is kept as a newer one would be.
    if (!registered.empty() && !allowDowngrade && !isVersion(version))
        throw InstallError(L"The installed version of " + std::wstring(kProductName) + L" (\"" +
                           version + L"\" in \"" + registered +
                           L"\") cannot be compared with this setup's " + kProductVersion +
                           L", so it may be newer. Keep it, or start this setup with "
                           L"/ALLOWDOWNGRADE to replace it.");
    if (!registered.empty() && !allowDowngrade && compareVersions(version, kProductVersion) > 0)
        throw InstallError(L"A newer version of " + std::wstring(kProductName) + L" (" + version +
                           L") is installed in \"" + registered + L"\"; this setup carries " +
                           kProductVersion +
                           L". Keep the newer version, or start this setup with "
                           L"/ALLOWDOWNGRADE to replace it with the older one.");
    const std::wstring logPath = directory + L"\\Setup.log";
    bool found = false;
    DWORD error = ERROR_SUCCESS;
    const std::string log = readWholeFile(logPath, found, &error);
    if (!found)
        return {};
    if (error != ERROR_SUCCESS)
        throw InstallError(unreadableLog(logPath, error));
    const std::string name = applicationNameOf(log);
    std::wstring damaged =
        log.empty() ? L"it is empty" : wide(whyNotASetupLog(SetupLog::fromBytes(log)));
    if (name.empty() && damaged.empty())
        damaged = L"it names no product";
    if (!name.empty() && name != exactAnsi(kProductName))
        throw InstallError(L"The folder \"" + directory +
                           L"\" holds the setup log of another product (" +
                           std::wstring(name.begin(), name.end()) + L"). Choose another folder.");
    // Only this product's own registered installation tells which files it counted already,
    // and only there is a log that no one can read taken for its own and written anew.
    if (name.empty() && registered.empty())
        throw InstallError(
            L"The folder \"" + directory + L"\" holds a file \"Setup.log\" that is no setup log: " +
            damaged + L". " + kProductName +
            L" is not registered there, so setup does not take the file for its own. Move it "
            L"out of the folder, or choose another folder, and start setup again.");
    EarlierInstallation earlier;
    if (!registered.empty()) {
        earlier.countedShared = sharedFilesOf(log);
        earlier.damagedLog = damaged;
    }
    return earlier;
}

namespace {

// The folders an earlier setup made above the registered folder, as its registration names
// them.
std::vector<std::wstring> registeredParents() {
    std::vector<std::wstring> parents;
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, key.receive()) !=
        ERROR_SUCCESS)
        return parents;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), kFoldersMadeAbove, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size > 64 * 1024)
        return parents;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), kFoldersMadeAbove, nullptr, &type,
                         reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS)
        return parents;
    text.resize(size / sizeof(wchar_t));
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(L'\0', at), text.size());
        if (end > at)
            parents.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parents;
}

} // namespace

std::vector<std::wstring> parentsToRemove(const std::wstring& directory) {
    std::vector<std::wstring> parents;
    for (std::size_t at = directory.rfind(L'\\'); at != std::wstring::npos && at > 2;
         at = directory.rfind(L'\\', at - 1)) {
        const std::wstring parent = directory.substr(0, at);
        if (GetFileAttributesW(parent.c_str()) != INVALID_FILE_ATTRIBUTES)
            break;
        parents.push_back(parent);
    }
    if (!parents.empty() || registeredFolder().empty())
        return parents;
    bool found = false;
    std::vector<std::string> earlier =
        directoriesOf(readWholeFile(directory + L"\\Setup.log", found));
    // A removal stopped after its setup log went leaves the registration, which names them too.
    if (earlier.size() < 2) {
        earlier.assign(1, std::string());
        for (const std::wstring& parent : registeredParents())
            earlier.push_back(exactAnsi(parent));
    }
    const std::string ansiDirectory = exactAnsi(directory);
    for (std::size_t i = 1; i < earlier.size(); ++i) {
        const std::string& parent = earlier[i];
        // Only the folders above this one: a log names nothing else for removal.
        if (parent.size() < ansiDirectory.size() &&
            _strnicmp(parent.c_str(), ansiDirectory.c_str(), parent.size()) == 0 &&
            ansiDirectory[parent.size()] == '\\')
            parents.push_back(fromCodePage(parent, CP_ACP)); // letters, not byte by byte
    }
    return parents;
}
