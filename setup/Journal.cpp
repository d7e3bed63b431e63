#include "Journal.h"

#include "Installation.h"
#include "win32/ErrorText.h"
#include "win32/Handles.h"

namespace {

// Where a replaced file waits until the run has succeeded.
std::wstring asideName(const std::wstring& path) {
    return path + L".previous";
}

} // namespace

Journal::~Journal() {
    if (!committed_)
        undo();
}

void Journal::commit() {
    committed_ = true;
    // A replaced program that still runs cannot be deleted yet: it goes at the next restart.
    for (const std::wstring& path : setAside_) {
        const std::wstring aside = asideName(path);
        if (!DeleteFileW(aside.c_str()))
            MoveFileExW(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

void Journal::setAside(const std::wstring& path) {
    const std::wstring aside = asideName(path);
    SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(aside.c_str()); // left by a run that was killed
    if (!MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
        throw InstallError(L"The file \"" + path + L"\" cannot be replaced:\n" +
                           win32::systemMessage(GetLastError()));
    setAside_.push_back(path);
}

void Journal::beforeRegistration(const wchar_t* key) {
    key_ = key;
    win32::Key existing;
    keyExisted_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, existing.receive()) ==
                  ERROR_SUCCESS;
    if (!keyExisted_)
        return;
    for (DWORD i = 0;; ++i) {
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
        for (const Count& count : counts_) {
            if (count.had)
                RegSetValueExW(shared.get(), count.file.c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&count.before), sizeof count.before);
            else
                RegDeleteValueW(shared.get(), count.file.c_str());
        }
    }
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
        SetFileAttributesW(file->c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file->c_str());
    }
    for (auto path = setAside_.rbegin(); path != setAside_.rend(); ++path) {
        SetFileAttributesW(path->c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path->c_str());
        MoveFileExW(asideName(*path).c_str(), path->c_str(), MOVEFILE_WRITE_THROUGH);
    }
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
        RemoveDirectoryW(folder->c_str());
}
