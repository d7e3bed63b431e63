#include "RegistryEntry.h"

#include "RegistryRecord.h"
#include "RegistryRoot.h"
#include "win32/Handles.h"

#include <windows.h>

namespace {

using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE);
using StatusToErrorFunction = ULONG(NTAPI*)(LONG);

// A link key holds its target in this value; one that cannot be asked about counts as a link.
bool isLink(HKEY key) {
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, nullptr, nullptr, nullptr) !=
           ERROR_FILE_NOT_FOUND;
}

LONG deleteOpenKey(HKEY key) {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto deleteKey = reinterpret_cast<NtDeleteKeyFunction>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteKey")));
    const auto toError = reinterpret_cast<StatusToErrorFunction>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    if (deleteKey == nullptr || toError == nullptr)
        return ERROR_CALL_NOT_IMPLEMENTED;
    // Like RegDeleteKey, the system refuses a key that still has subkeys.
    return static_cast<LONG>(toError(deleteKey(key)));
}

// The record's key, opened one part of its path at a time, each part itself and never the
// key a link there leads to; false, with the result to give, when a part cannot be opened or
// is a link (or cannot be told from one).
bool openUnlessLink(const RegistryRecord& record, REGSAM access, win32::Key& key,
                    RegistryRemoval& result) {
    win32::Key current;
    const std::string& path = record.keyPath;
    for (std::size_t start = 0; start < path.size();) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start) {
            const bool last = path.find_first_not_of('\\', end) == std::string::npos;
            win32::Key next;
            const LONG opened =
                RegOpenKeyExA(current ? current.get() : rootKey(record.root),
                              path.substr(start, end - start).c_str(), REG_OPTION_OPEN_LINK,
                              (last ? access : 0) | KEY_QUERY_VALUE, next.receive());
            if (opened != ERROR_SUCCESS) {
                result = {false, opened};
                return false;
            }
            if (isLink(next.get())) {
                result = {false, ERROR_SUCCESS, true};
                return false;
            }
            current = std::move(next);
        }
        start = end + 1;
    }
    key = std::move(current);
    return key.valid();
}

} // namespace

RegistryRemoval RegistryEntry::deleteKey(const std::string& text) {
    const RegistryRecord record = readRegistryRecord(text, false);
    if (!record.deletable())
        return {true, ERROR_SUCCESS};
    win32::Key key;
    RegistryRemoval result;
    if (!openUnlessLink(record, DELETE, key, result))
        return result;
    return {false, deleteOpenKey(key.get())};
}

RegistryRemoval RegistryEntry::deleteValue(const std::string& text) {
    const RegistryRecord record = readRegistryRecord(text, true);
    if (!record.deletable())
        return {true, ERROR_SUCCESS};
    win32::Key key;
    RegistryRemoval result;
    if (!openUnlessLink(record, KEY_SET_VALUE, key, result))
        return result;
    return {false, RegDeleteValueA(key.get(), record.valueName.c_str())};
}
