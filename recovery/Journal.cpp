#include "Journal.h"

#include "JournalError.h"
#include "JournalReport.h"
#include "RestartOperations.h"
#include "SetAside.h"
#include "Utf8.h"
#include "journal/LineForm.h"
#include "win32/AccessRights.h"
#include "win32/ErrorText.h"
#include "win32/Handles.h"

#include <aclapi.h>

const wchar_t kSharedDllsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

namespace {

const wchar_t kJournalKey[] = L"SOFTWARE\\Technical Glossary Setup";
const wchar_t kJournalValue[] = L"Journal";

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string header(const std::wstring& product) {
    return setuprecord::header(utf8(product));
}

std::wstring journalName() {
    return std::wstring(L"HKLM\\") + kJournalKey + L"\\" + kJournalValue;
}

// A folder opened as itself (never through a link at its end), for its identity or removal.
win32::Handle openFolder(const std::wstring& path, DWORD access) {
    return win32::Handle(
        CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool identityOf(HANDLE folder, BY_HANDLE_FILE_INFORMATION& identity) {
    return GetFileInformationByHandle(folder, &identity) &&
           (identity.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (identity.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// The very folder the run made, and not one that holds the system's: only such a folder is
// adopted as the product's by a recovery.
bool provenMade(const SetupJournal::Folder& made) {
    const std::wstring path = wide(made.path);
    const win32::Handle folder = openFolder(path, 0);
    BY_HANDLE_FILE_INFORMATION identity = {};
    if (!folder.valid() || !identityOf(folder.get(), identity) ||
        identity.dwVolumeSerialNumber != made.volume || identity.nFileIndexHigh != made.indexHigh ||
        identity.nFileIndexLow != made.indexLow)
        return false;
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    JournalScope system;
    system.folders.push_back(made.path);
    return length > 0 && length < MAX_PATH && !fileInScope(system, utf8(windows));
}

} // namespace

std::wstring Journal::whyKeyIsUntrusted(HKEY key, const win32::RunningAccount& account) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD read = GetSecurityInfo(key, SE_REGISTRY_KEY,
                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, nullptr, nullptr, &descriptor);
    if (read != ERROR_SUCCESS)
        return L"its permissions cannot be read (" + win32::systemMessage(read) + L")";
    // Key rights share their bits with the file rights judged: KEY_SET_VALUE is FILE_WRITE_DATA,
    // KEY_CREATE_SUB_KEY FILE_APPEND_DATA.
    const win32::Exposure exposure = win32::nonAdministratorAccess(
        descriptor, win32::kWriteRights | win32::kPermissionRights | DELETE, account);
    LocalFree(descriptor);
    return exposure ? exposure.who + L" may change it, not only the administrators"
                    : std::wstring();
}

std::wstring Journal::name() {
    return journalName();
}

bool Journal::recover(const std::wstring& product, const JournalScope& scope,
                      const win32::RunningAccount& account, JournalReport* report,
                      const RecoveryOptions& options) {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kJournalKey, 0, KEY_QUERY_VALUE | READ_CONTROL,
                      key.receive()) != ERROR_SUCCESS)
        return false;
    // Its records name what is deleted and rewritten with administrator rights.
    const std::wstring untrusted = whyKeyIsUntrusted(key.get(), account);
    if (!untrusted.empty())
        throw JournalError(L"A stopped run of setup left its journal " + journalName() + L", but " +
                           untrusted +
                           L", so what it names is not acted on. Let "
                           L"only administrators change that key, or delete it if no run of "
                           L"setup was stopped, and start again.");
    DWORD type = 0, size = 0;
    LONG got = RegQueryValueExW(key.get(), kJournalValue, nullptr, &type, nullptr, &size);
    std::string text(size, '\0');
    if (got == ERROR_SUCCESS && size > 0)
        got = RegQueryValueExW(key.get(), kJournalValue, nullptr, &type,
                               reinterpret_cast<BYTE*>(&text[0]), &size);
    key.reset();
    text.resize(got == ERROR_SUCCESS ? size : 0);
    // Setup's journal of another product, its first line whole: that product's business.
    const std::string any = setuprecord::header("");
    const std::size_t firstLine = text.find("\r\n");
    if (options.othersLeftAlone && got == ERROR_SUCCESS && firstLine != std::string::npos &&
        text.compare(0, any.size() - 2, any, 0, any.size() - 2) == 0 &&
        text.compare(0, firstLine + 2, header(product)) != 0) {
        if (report != nullptr)
            report->note("Recovery", journalName(), "another product's: left alone");
        return false;
    }
    Journal stopped(product, true, report);
    // A key without its journal: nothing was done yet.
    if (got != ERROR_FILE_NOT_FOUND && (got != ERROR_SUCCESS || type != REG_BINARY ||
                                        !readSetupJournal(text, utf8(product), stopped.done_))) {
        throw JournalError(L"A stopped run of setup left its journal " + journalName() +
                           L", but it cannot be read or is not " + product +
                           L"'s, so what that run did cannot be undone. Ask whoever installed "
                           L"it, or delete the value if it is not needed, and start again.");
    }
    // What this recovery writes (counts it gives back) follows the last whole line.
    const std::size_t whole = wholeLines(text);
    stopped.text_ = whole == 0 ? header(product) : text.substr(0, whole);
    stopped.scope_ = scope;
    stopped.inUseGoesTo_ = options.inUseGoesTo;
    if (report != nullptr)
        report->note("Recovery", journalName(),
                     stopped.done_.committed ? "a stopped run had succeeded: finished"
                                             : "a stopped run: undone");
    JournalScope within = scope;
    for (const SetupJournal::Folder& folder : stopped.done_.folders) {
        if (scope.madeFolders && provenMade(folder))
            within.folders.push_back(folder.path);
    }
    for (const std::string& outside : limitToScope(stopped.done_, within)) {
        if (report != nullptr)
            report->kept("Recovery", wide(outside),
                         L"not the product's: outside its folders, files and keys");
    }
    if (stopped.done_.committed)
        stopped.finish(report);
    else
        stopped.undo();
    return true;
}

Journal::Journal(const std::wstring& product, JournalReport* report)
    : product_(product), report_(report) {
    write(header(product_));
}
Journal::~Journal() {
    if (!done_.committed && !recovering_)
        undo();
}

bool Journal::tryWrite(const std::string& records) {
    const std::string text = text_ + records;
    win32::Key key;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kJournalKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, key.receive(), nullptr);
    if (result == ERROR_SUCCESS)
        result = RegSetValueExW(key.get(), kJournalValue, 0, REG_BINARY,
                                reinterpret_cast<const BYTE*>(text.data()),
                                static_cast<DWORD>(text.size()));
    // On the disk before the step it announces is taken.
    if (result == ERROR_SUCCESS)
        result = RegFlushKey(key.get());
    if (result == ERROR_SUCCESS)
        text_ = text;
    SetLastError(static_cast<DWORD>(result));
    return result == ERROR_SUCCESS;
}

void Journal::write(const std::string& records) {
    if (!tryWrite(records)) {
        const DWORD error = GetLastError();
        throw JournalError(L"Setup cannot write its journal " + journalName() + L":\n" +
                           win32::systemMessage(error) +
                           L"\nFree some space on the system drive and start setup again.");
    }
}

bool Journal::commit(const std::vector<std::wstring>& installed, JournalReport* report) {
    // What the restart operations are checked against goes in with the commit itself, so that
    // a run stopped after it is finished alike by the next one.
    std::string records;
    for (const std::wstring& path : installed)
        records += setuprecord::installed(utf8(path));
    write(records + setuprecord::commit());
    done_.installed.clear();
    for (const std::wstring& path : installed)
        done_.installed.push_back(utf8(path));
    done_.committed = true;
    return finish(report);
}

// The sources of the operations this run left for the restart: a file in use, replaced then.
std::vector<std::wstring> Journal::ownRestartOperations() const {
    std::vector<std::wstring> own;
    for (const std::string& path : done_.atRestart)
        own.push_back(wide(path) + L".new");
    return own;
}

bool Journal::finish(JournalReport* report) {
    // Before this run's own operations for the restart are added, and without those it made.
    std::vector<std::wstring> installed;
    for (const std::string& path : done_.installed)
        installed.push_back(wide(path));
    const bool cleared = takeOutRestartOperations(installed, ownRestartOperations(), report);
    for (const std::string& path : done_.setAside) {
        const std::wstring aside = asideName(wide(path));
        if (exists(aside))
            deleteAside(aside);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJournalKey);
    return cleared;
}

void Journal::createdFolder(const std::wstring& path) {
    const win32::Handle folder = openFolder(path, 0);
    BY_HANDLE_FILE_INFORMATION identity = {};
    if (!folder.valid() || !identityOf(folder.get(), identity)) {
        const DWORD error = folder.valid() ? ERROR_DIRECTORY : GetLastError();
        throw JournalError(L"The folder \"" + path + L"\" that setup made cannot be opened:\n" +
                           win32::systemMessage(error) +
                           L"\nDelete it if it is empty, and start setup again.");
    }
    done_.folders.push_back({utf8(path), identity.dwVolumeSerialNumber, identity.nFileIndexHigh,
                             identity.nFileIndexLow});
    write(setuprecord::made(done_.folders.back()));
}

void Journal::replacedAtRestart(const std::wstring& path) {
    done_.atRestart.push_back(utf8(path));
    write(setuprecord::restart(utf8(path)));
}

void Journal::creatingFile(const std::wstring& path) {
    write(setuprecord::file(utf8(path)));
    done_.files.push_back(utf8(path));
}

DWORD Journal::setAside(const std::wstring& path, bool copy) {
    const std::wstring aside = asideName(path);
    // One left by an earlier run (killed, or kept by a running program) goes before the record:
    // undoing this run must never bring that older copy back.
    // A program still running from it (a mapped image answers "access denied") keeps it: then
    // the file is replaced at the next restart, as one in use is.
    SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(aside.c_str())) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            return ERROR_SHARING_VIOLATION;
        if (error != ERROR_FILE_NOT_FOUND)
            return error;
    }
    write(setuprecord::aside(utf8(path)));
    if (copy ? !CopyFileW(path.c_str(), aside.c_str(), FALSE)
             : !MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
        return GetLastError();
    done_.setAside.push_back(utf8(path));
    return ERROR_SUCCESS;
}

void Journal::countedUse(const std::wstring& file, bool had, DWORD added) {
    // Recorded only once made: a run stopped before this line leaves the count one too high,
    // so that the file stays, where one given back that was never taken would take another
    // product's use away.
    done_.counts.push_back({utf8(file), had, added, false});
    write(setuprecord::counted(done_.counts.back()));
}

void Journal::beforeRegistration(const wchar_t* key) {
    done_.key = utf8(key);
    win32::Key existing;
    done_.keyExisted = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE,
                                     existing.receive()) == ERROR_SUCCESS;
    for (DWORD i = 0; done_.keyExisted; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(existing.get(), i, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size);
        nameLength = 16384;
        if (RegEnumValueW(existing.get(), i, name, &nameLength, nullptr, &type, data.data(),
                          &size) == ERROR_SUCCESS) {
            data.resize(size);
            done_.values.push_back({utf8(std::wstring(name, nameLength)), type, data});
        }
    }
    // The key and all its values in one write: a journal cut off holds all or none of them.
    write(setuprecord::registration(done_.key, done_.keyExisted, done_.values));
}

void Journal::restoreRegistration() {
    if (done_.key.empty())
        return;
    const std::wstring keyPath = wide(done_.key);
    const std::wstring named = L"HKLM\\" + keyPath;
    if (!done_.keyExisted) {
        if (RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath.c_str()) == ERROR_SUCCESS && report_)
            report_->note("Undo", named, "removed");
        return;
    }
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      key.receive()) != ERROR_SUCCESS)
        return;
    // The values written by this run go, those that were there come back.
    for (;;) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        if (RegEnumValueW(key.get(), 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS ||
            RegDeleteValueW(key.get(), name) != ERROR_SUCCESS)
            break;
    }
    for (const SetupJournal::Value& value : done_.values)
        RegSetValueExW(key.get(), wide(value.name).c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    if (report_)
        report_->note("Undo", named, "brought back as it was");
}

// Only the uses this run added are given back: another product may have counted the file, or
// given its use back, in between, and that stays as it is.
void Journal::giveBackCounts() {
    win32::Key shared;
    if (done_.counts.empty() ||
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      shared.receive()) != ERROR_SUCCESS)
        return;
    for (std::size_t i = done_.counts.size(); i-- > 0;) {
        const SetupJournal::Count& count = done_.counts[i];
        const std::wstring file = wide(count.file);
        DWORD type = 0, now = 0, size = sizeof now;
        // Gone, or of another form now: someone else's, left alone.
        if (count.returned ||
            RegQueryValueExW(shared.get(), file.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&now), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof now)
            continue;
        // Told before it is done: a stop in between leaves the count too high, never too low.
        if (!tryWrite(setuprecord::returned(i)))
            continue;
        const DWORD left = now > count.added ? now - count.added : 0;
        if (left == 0 && !count.had)
            RegDeleteValueW(shared.get(), file.c_str());
        else
            RegSetValueExW(shared.get(), file.c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&left), sizeof left);
        if (report_)
            report_->note("Undo", file, "use given back (" + std::to_string(left) + " left)");
    }
}

// A file that a product still counts is its file too, whoever made it: it stays. So does one
// whose count cannot be read, rather than take another product's file.
void Journal::removeFiles() {
    win32::Key shared;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_QUERY_VALUE, shared.receive());
    for (auto made = done_.files.rbegin(); made != done_.files.rend(); ++made) {
        const std::wstring file = wide(*made);
        DWORD type = 0, uses = 0, size = sizeof uses;
        const LONG counted = shared.valid()
                                 ? RegQueryValueExW(shared.get(), file.c_str(), nullptr, &type,
                                                    reinterpret_cast<BYTE*>(&uses), &size)
                                 : ERROR_FILE_NOT_FOUND;
        const bool readable = counted == ERROR_SUCCESS && type == REG_DWORD && size == sizeof uses;
        if (counted != ERROR_FILE_NOT_FOUND && (!readable || uses > 0)) {
            if (report_ && exists(file))
                report_->kept("Undo", file,
                              readable ? L"a product still counts it (use count " +
                                             std::to_wstring(uses) + L")"
                                       : std::wstring(L"its use count cannot be read"));
            continue;
        }
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileW(file.c_str())) {
            if (report_)
                report_->note("Undo", file, "removed");
        } else if (!inUseGoesTo_.empty() && exists(file)) {
            moveOutOfTheWay(file, inUseGoesTo_);
            if (report_ && !exists(file))
                report_->note("Undo", file, "in use: moved away, deleted at the next restart");
        }
    }
}

// A run's own undo always brings back what it set aside; a recovery only while a setup log
// of the product stands (itself, or set aside by the stopped run and about to come back).
bool Journal::logStands() const {
    if (!recovering_)
        return true;
    for (const std::string& log : scope_.logs) {
        if (exists(wide(log)) || exists(asideName(wide(log))))
            return true;
    }
    return false;
}

void Journal::undo() {
    takeOutOwnRestartOperations(ownRestartOperations());
    restoreRegistration();
    giveBackCounts();
    removeFiles();
    // Only what was really set aside comes back: a run stopped before the move left the file.
    for (auto made = done_.setAside.rbegin(); made != done_.setAside.rend(); ++made) {
        const std::wstring path = wide(*made);
        if (!exists(asideName(path)))
            continue;
        if (!logStands()) {
            // Its installation is gone (removed since the stop): brought back, it would be a
            // file that no log names, which no uninstaller would ever remove.
            SetFileAttributesW(asideName(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (DeleteFileW(asideName(path).c_str()) && report_)
                report_->note("Undo", asideName(path), "removed: no setup log names it any more");
            continue;
        }
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(path.c_str()) && exists(path)) {
            // A program runs from it, and it is what was set aside (a copy of the uninstaller
            // that was never replaced): it stays, rather than move into a name no log holds.
            if (sameContent(path, asideName(path))) {
                deleteAside(asideName(path));
                if (report_)
                    report_->note("Undo", path, "kept as it was: in use, and never replaced");
                continue;
            }
            moveOutOfTheWay(path, inUseGoesTo_);
        }
        if (MoveFileExW(asideName(path).c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) && report_)
            report_->note("Undo", path, "brought back as it was");
    }
    // Only the very folders this run made, and only when empty: a folder of the same name made
    // by someone else since is theirs, and so is anything put into ours.
    for (auto made = done_.folders.rbegin(); made != done_.folders.rend(); ++made) {
        const std::wstring path = wide(made->path);
        const win32::Handle folder = openFolder(path, DELETE);
        BY_HANDLE_FILE_INFORMATION identity = {};
        if (!folder.valid() || !identityOf(folder.get(), identity) ||
            identity.dwVolumeSerialNumber != made->volume ||
            identity.nFileIndexHigh != made->indexHigh || identity.nFileIndexLow != made->indexLow)
            continue;
        FILE_DISPOSITION_INFO disposition = {TRUE};
        if (SetFileInformationByHandle(folder.get(), FileDispositionInfo, &disposition,
                                       sizeof disposition) &&
            report_)
            report_->note("Undo", path, "removed");
    }
    // Last: a run stopped while undoing is undone again by the next one.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJournalKey);
}
