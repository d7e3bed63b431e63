#include "Journal.h"

#include "InstallError.h"
#include "Installation.h"
#include "RestartOperations.h"
#include "SetupReport.h"
#include "engine/JournalRecords.h"
#include "win32/ErrorText.h"
#include "win32/Handles.h"

namespace {

const wchar_t kJournalKey[] = L"SOFTWARE\\Technical Glossary Setup";
const wchar_t kJournalValue[] = L"Journal";

// Where a replaced file waits until the run has succeeded.
std::wstring asideName(const std::wstring& path) {
    return path + L".previous";
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A text field as written, so that it reads back exactly (see exactField).
std::string field(const std::wstring& text) {
    return exactField(utf8(text));
}

bool readField(const std::string& written, std::wstring& text) {
    std::string bytes;
    if (!unescapedField(written, bytes))
        return false;
    text = wide(bytes);
    return true;
}

std::string hex(const std::vector<BYTE>& data) {
    std::string text;
    for (const BYTE b : data)
        text += "0123456789abcdef"[b >> 4], text += "0123456789abcdef"[b & 15];
    return text;
}

bool fromHex(const std::string& text, std::vector<BYTE>& data) {
    const auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    data.clear();
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        data.push_back(static_cast<BYTE>(high * 16 + low));
    }
    return text.size() % 2 == 0;
}

bool number(const std::string& text, DWORD& value) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != text.npos)
        return false;
    unsigned long long read = 0;
    for (const char c : text)
        read = read * 10 + static_cast<unsigned>(c - '0');
    value = static_cast<DWORD>(read);
    return read <= 0xFFFFFFFFull;
}

std::string header() {
    return "Setup journal of " + utf8(kProductName) + "\r\n";
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

} // namespace

void Journal::recover() {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kJournalKey, 0, KEY_QUERY_VALUE, key.receive()) !=
        ERROR_SUCCESS)
        return;
    DWORD type = 0, size = 0;
    LONG got = RegQueryValueExW(key.get(), kJournalValue, nullptr, &type, nullptr, &size);
    std::string text(size, '\0');
    if (got == ERROR_SUCCESS && size > 0)
        got = RegQueryValueExW(key.get(), kJournalValue, nullptr, &type,
                               reinterpret_cast<BYTE*>(&text[0]), &size);
    key.reset();
    text.resize(got == ERROR_SUCCESS ? size : 0);
    Journal stopped(true);
    std::vector<std::vector<std::string>> records;
    if (got == ERROR_FILE_NOT_FOUND) {
        records.clear(); // a key without its journal: nothing was done yet
    } else if (got != ERROR_SUCCESS || type != REG_BINARY ||
               !readJournalRecords(text, header(), records) || !stopped.read(records)) {
        throw InstallError(L"A stopped run of setup left its journal " + journalName() +
                           L", but it cannot be read or is not " + kProductName +
                           L"'s, so what that run did cannot be undone. Ask whoever installed "
                           L"it, or delete the value if it is not needed, and start setup "
                           L"again.");
    }
    // What this recovery writes (counts it gives back) follows the last whole line.
    const std::size_t whole = text.rfind("\r\n");
    stopped.text_ = whole == std::string::npos ? header() : text.substr(0, whole + 2);
    if (stopped.committed_)
        stopped.finish(nullptr);
    else
        stopped.undo();
}

Journal::Journal() {
    write(header());
}

Journal::~Journal() {
    if (!committed_ && !recovering_)
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
        throw InstallError(L"Setup cannot write its journal " + journalName() + L":\n" +
                           win32::systemMessage(error) +
                           L"\nFree some space on the system drive and start setup again.");
    }
}

bool Journal::read(const std::vector<std::vector<std::string>>& records) {
    for (const std::vector<std::string>& record : records) {
        const std::string& kind = record[0];
        std::wstring text;
        DWORD number1 = 0, number2 = 0, number3 = 0;
        if (record.size() >= 2 && kind != "value" && kind != "returned" &&
            !readField(record[1], text))
            return false;
        if (kind == "made" && record.size() == 5 && number(record[2], number1) &&
            number(record[3], number2) && number(record[4], number3)) {
            folders_.push_back({text, number1, number2, number3});
        } else if (kind == "file" && record.size() == 2) {
            files_.push_back(text);
        } else if (kind == "aside" && record.size() == 2) {
            setAside_.push_back(text);
        } else if (kind == "counted" && record.size() == 4 && number(record[2], number1) &&
                   number1 <= 1 && number(record[3], number2)) {
            counts_.push_back({text, number1 == 1, number2, false});
        } else if (kind == "returned" && record.size() == 2 && number(record[1], number1) &&
                   number1 < counts_.size()) {
            counts_[number1].returned = true;
        } else if (kind == "registration" && record.size() == 3 && number(record[2], number1) &&
                   number1 <= 1 && key_.empty()) {
            key_ = text;
            keyExisted_ = number1 == 1;
        } else if (kind == "value" && record.size() == 4 && !key_.empty() &&
                   readField(record[1], text) && number(record[2], number1)) {
            Value value{text, number1, {}};
            if (!fromHex(record[3], value.data))
                return false;
            values_.push_back(value);
        } else if (kind == "restart" && record.size() == 2) {
            atRestart_.push_back(text);
        } else if (kind == "installed" && record.size() == 2) {
            installed_.push_back(text);
        } else if (kind == "commit" && record.size() == 1) {
            committed_ = true;
        } else {
            return false;
        }
    }
    return true;
}

bool Journal::commit(const std::vector<std::wstring>& installed, SetupReport* report) {
    // What the restart operations are checked against goes in with the commit itself, so that
    // a run stopped after it is finished alike by the next one.
    std::string records;
    for (const std::wstring& path : installed)
        records += journalRecord({"installed", field(path)});
    write(records + journalRecord({"commit"}));
    installed_ = installed;
    committed_ = true;
    return finish(report);
}

// The sources of the operations this run left for the restart: a file in use, replaced then.
std::vector<std::wstring> Journal::ownRestartOperations() const {
    std::vector<std::wstring> own;
    for (const std::wstring& path : atRestart_)
        own.push_back(path + L".new");
    return own;
}

bool Journal::finish(SetupReport* report) {
    // Before this run's own operations for the restart are added, and without those it made.
    const bool cleared = takeOutRestartOperations(installed_, ownRestartOperations(), report);
    // A replaced program that still runs cannot be deleted yet: it goes at the next restart.
    for (const std::wstring& path : setAside_) {
        const std::wstring aside = asideName(path);
        if (exists(aside) && !DeleteFileW(aside.c_str()))
            MoveFileExW(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJournalKey);
    return cleared;
}

void Journal::createdFolder(const std::wstring& path) {
    const win32::Handle folder = openFolder(path, 0);
    BY_HANDLE_FILE_INFORMATION identity = {};
    if (!folder.valid() || !identityOf(folder.get(), identity)) {
        const DWORD error = folder.valid() ? ERROR_DIRECTORY : GetLastError();
        throw InstallError(L"The folder \"" + path + L"\" that setup made cannot be opened:\n" +
                           win32::systemMessage(error) +
                           L"\nDelete it if it is empty, and start setup again.");
    }
    folders_.push_back(
        {path, identity.dwVolumeSerialNumber, identity.nFileIndexHigh, identity.nFileIndexLow});
    const Folder& made = folders_.back();
    write(journalRecord({"made", field(path), std::to_string(made.volume),
                         std::to_string(made.indexHigh), std::to_string(made.indexLow)}));
}

void Journal::replacedAtRestart(const std::wstring& path) {
    atRestart_.push_back(path);
    write(journalRecord({"restart", field(path)}));
}

void Journal::creatingFile(const std::wstring& path) {
    write(journalRecord({"file", field(path)}));
    files_.push_back(path);
}

DWORD Journal::setAside(const std::wstring& path) {
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
    write(journalRecord({"aside", field(path)}));
    if (!MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
        return GetLastError();
    setAside_.push_back(path);
    return ERROR_SUCCESS;
}

void Journal::countedUse(const std::wstring& file, bool had, DWORD added) {
    // Recorded only once made: a run stopped before this line leaves the count one too high,
    // so that the file stays, where one given back that was never taken would take another
    // product's use away.
    counts_.push_back({file, had, added, false});
    write(journalRecord({"counted", field(file), had ? "1" : "0", std::to_string(added)}));
}

void Journal::beforeRegistration(const wchar_t* key) {
    key_ = key;
    win32::Key existing;
    keyExisted_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, existing.receive()) ==
                  ERROR_SUCCESS;
    for (DWORD i = 0; keyExisted_; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(existing.get(), i, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        Value value{std::wstring(name, nameLength), type, std::vector<BYTE>(size)};
        nameLength = 16384;
        if (RegEnumValueW(existing.get(), i, name, &nameLength, nullptr, &type, value.data.data(),
                          &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            values_.push_back(value);
        }
    }
    // The key and all its values in one write: a journal cut off holds all or none of them.
    std::string records = journalRecord({"registration", field(key_), keyExisted_ ? "1" : "0"});
    for (const Value& value : values_)
        records += journalRecord(
            {"value", field(value.name), std::to_string(value.type), hex(value.data)});
    write(records);
}

void Journal::restoreRegistration() {
    if (key_.empty())
        return;
    if (!keyExisted_) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
        return;
    }
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
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
    for (const Value& value : values_)
        RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
}

// Only the uses this run added are given back: another product may have counted the file, or
// given its use back, in between, and that stays as it is.
void Journal::giveBackCounts() {
    win32::Key shared;
    if (counts_.empty() ||
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      shared.receive()) != ERROR_SUCCESS)
        return;
    for (std::size_t i = counts_.size(); i-- > 0;) {
        const Count& count = counts_[i];
        DWORD type = 0, now = 0, size = sizeof now;
        // Gone, or of another form now: someone else's, left alone.
        if (count.returned ||
            RegQueryValueExW(shared.get(), count.file.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&now), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof now)
            continue;
        // Told before it is done: a stop in between leaves the count too high, never too low.
        if (!tryWrite(journalRecord({"returned", std::to_string(i)})))
            continue;
        const DWORD left = now > count.added ? now - count.added : 0;
        if (left == 0 && !count.had)
            RegDeleteValueW(shared.get(), count.file.c_str());
        else
            RegSetValueExW(shared.get(), count.file.c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&left), sizeof left);
    }
}

void Journal::undo() {
    takeOutOwnRestartOperations(ownRestartOperations());
    restoreRegistration();
    giveBackCounts();
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
        SetFileAttributesW(file->c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file->c_str());
    }
    // Only what was really set aside comes back: a run stopped before the move left the file.
    for (auto path = setAside_.rbegin(); path != setAside_.rend(); ++path) {
        if (!exists(asideName(*path)))
            continue;
        SetFileAttributesW(path->c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path->c_str());
        MoveFileExW(asideName(*path).c_str(), path->c_str(), MOVEFILE_WRITE_THROUGH);
    }
    // Only the very folders this run made, and only when empty: a folder of the same name made
    // by someone else since is theirs, and so is anything put into ours.
    for (auto made = folders_.rbegin(); made != folders_.rend(); ++made) {
        const win32::Handle folder = openFolder(made->path, DELETE);
        BY_HANDLE_FILE_INFORMATION identity = {};
        if (!folder.valid() || !identityOf(folder.get(), identity) ||
            identity.dwVolumeSerialNumber != made->volume ||
            identity.nFileIndexHigh != made->indexHigh || identity.nFileIndexLow != made->indexLow)
            continue;
        FILE_DISPOSITION_INFO disposition = {TRUE};
        SetFileInformationByHandle(folder.get(), FileDispositionInfo, &disposition,
                                   sizeof disposition);
    }
    // Last: a run stopped while undoing is undone again by the next one.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJournalKey);
}
