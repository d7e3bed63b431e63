#include "RegistryEntry.h"

#include "RegistryRecord.h"
#include "RegistryRoot.h"
#include "win32/Handles.h"

#include <windows.h>

namespace {

using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE);
using StatusToErrorFunction = ULONG(NTAPI*)(LONG);

// Opens the key that `path` names, not the key a link there leads to.
LONG openKeyItself(const RegistryRecord& record, REGSAM access, win32::Key& key) {
    return RegOpenKeyExA(rootKey(record.root), record.keyPath.c_str(), REG_OPTION_OPEN_LINK,
                         access | KEY_QUERY_VALUE, key.receive());
}

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

// The record's key, opened itself for `access`; false, with the result to give, when it
// cannot be opened or is a link.
bool openUnlessLink(const RegistryRecord& record, REGSAM access, win32::Key& key,
                    RegistryRemoval& result) {
    const LONG opened = openKeyItself(record, access, key);
    if (opened != ERROR_SUCCESS)
        result = {false, opened};
    else if (isLink(key.get()))
        result = {false, ERROR_SUCCESS, true};
    return opened == ERROR_SUCCESS && !result.link;
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
