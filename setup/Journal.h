#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Everything one run has created or changed, undone when a later step fails: what it created
// goes, and what it replaced comes back as it was (files and shortcuts from the copies it set
// aside, the registration's values, the use counts).
class Journal {
public:
    Journal() = default;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    ~Journal();

    // Success: the copies set aside are deleted and nothing is undone any more.
    void commit();

    void createdFolder(const std::wstring& path) { folders_.push_back(path); }
    void createdFile(const std::wstring& path) { files_.push_back(path); }
    // Moves the existing file at `path` aside, so that a new one can take its place; throws
    // InstallError when it cannot.
    void setAside(const std::wstring& path);
    void changedCount(const std::wstring& file, bool had, DWORD before) {
        counts_.push_back({file, had, before});
    }
    // Before the registration under HKLM\`key` is written: a new key is deleted again, the
    // values of one that was there are put back.
    void beforeRegistration(const wchar_t* key);

private:
    struct Count {
        std::wstring file;
        bool had;
        DWORD before;
    };
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    void undo();
    void restoreRegistration();

    std::vector<std::wstring> folders_, files_, setAside_;
    std::vector<Count> counts_;
    std::wstring key_;
    bool keyExisted_ = false;
    std::vector<Value> values_;
    bool committed_ = false;
};
