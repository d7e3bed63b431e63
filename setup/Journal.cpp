#include "Journal.h"

#include "InstallError.h"
#include "Installation.h"
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

std::wstring wide(const std::string& bytes) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                            length);
    return text;
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
    Journal stopped(true);
    std::vector<std::vector<std::string>> records;
    if (got == ERROR_FILE_NOT_FOUND) {
        records.clear(); // a key without its journal: nothing was done yet
    } else if (got != ERROR_SUCCESS || type != REG_BINARY ||
               !readJournalRecords(text.substr(0, size), header(), records) ||
               !stopped.read(records)) {
        throw InstallError(L"A stopped run of setup left its journal " + journalName() +
                           L", but it cannot be read or is not " + kProductName +
                           L"'s, so what that run did cannot be undone. Ask whoever installed "
                           L"it, or delete the value if it is not needed, and start setup "
                           L"again.");
    }
    if (stopped.committed_)
        stopped.finish();
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

void Journal::write(const std::string& records) {
    text_ += records;
    win32::Key key;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kJournalKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, key.receive(), nullptr);
    if (result == ERROR_SUCCESS)
        result = RegSetValueExW(key.get(), kJournalValue, 0, REG_BINARY,
                                reinterpret_cast<const BYTE*>(text_.data()),
                                static_cast<DWORD>(text_.size()));
    // On the disk before the step it announces is taken.
    if (result == ERROR_SUCCESS)
        result = RegFlushKey(key.get());
    if (result != ERROR_SUCCESS)
        throw InstallError(L"Setup cannot write its journal " + journalName() + L":\n" +
                           win32::systemMessage(static_cast<DWORD>(result)));
}

bool Journal::read(const std::vector<std::vector<std::string>>& records) {
    for (const std::vector<std::string>& record : records) {
        const std::string& kind = record[0];
        DWORD number1 = 0, number2 = 0;
        if (kind == "folder" && record.size() == 2) {
            folders_.push_back(wide(record[1]));
        } else if (kind == "file" && record.size() == 2) {
            files_.push_back(wide(record[1]));
        } else if (kind == "aside" && record.size() == 2) {
            setAside_.push_back(wide(record[1]));
        } else if (kind == "count" && record.size() == 4 && number(record[2], number1) &&
                   number1 <= 1 && number(record[3], number2)) {
            counts_.push_back({wide(record[1]), number1 == 1, number2});
        } else if (kind == "registration" && record.size() == 3 && number(record[2], number1) &&
                   number1 <= 1 && key_.empty()) {
            key_ = wide(record[1]);
            keyExisted_ = number1 == 1;
        } else if (kind == "value" && record.size() == 4 && !key_.empty() &&
                   number(record[2], number1)) {
            Value value{wide(record[1]), number1, {}};
            if (!fromHex(record[3], value.data))
                return false;
            values_.push_back(value);
        } else if (kind == "commit" && record.size() == 1) {
            committed_ = true;
        } else {
            return false;
        }
    }
    return true;
}

void Journal::commit() {
    write(journalRecord({"commit"}));
    committed_ = true;
    finish();
}

void Journal::finish() {
    // A replaced program that still runs cannot be deleted yet: it goes at the next restart.
    for (const std::wstring& path : setAside_) {
        const std::wstring aside = asideName(path);
        if (exists(aside) && !DeleteFileW(aside.c_str()))
            MoveFileExW(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJournalKey);
}

void Journal::creatingFolder(const std::wstring& path) {
    write(journalRecord({"folder", utf8(path)}));
}

void Journal::creatingFile(const std::wstring& path) {
    write(journalRecord({"file", utf8(path)}));
    files_.push_back(path);
}

DWORD Journal::setAside(const std::wstring& path) {
    const std::wstring aside = asideName(path);
    write(journalRecord({"aside", utf8(path)}));
    SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(aside.c_str()); // left by a run that was killed
    if (!MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
        return GetLastError();
    setAside_.push_back(path);
    return ERROR_SUCCESS;
}

void Journal::changingCount(const std::wstring& file, bool had, DWORD before) {
    write(journalRecord({"count", utf8(file), had ? "1" : "0", std::to_string(before)}));
    counts_.push_back({file, had, before});
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
    std::string records = journalRecord({"registration", utf8(key_), keyExisted_ ? "1" : "0"});
    for (const Value& value : values_)
        records +=
            journalRecord({"value", utf8(value.name), std::to_string(value.type), hex(value.data)});
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

void Journal::undo() {
    restoreRegistration();
    win32::Key shared;
    if (!counts_.empty() && RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_SET_VALUE,
                                          shared.receive()) == ERROR_SUCCESS) {
        for (auto count = counts_.rbegin(); count != counts_.rend(); ++count) {
            if (count->had)
                RegSetValueExW(shared.get(), count->file.c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&count->before), sizeof count->before);
            else
                RegDeleteValueW(shared.get(), count->file.c_str());
        }
    }
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
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
        RemoveDirectoryW(folder->c_str());
    // Last: a run stopped while undoing is undone again by the next one.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJournalKey);
}
