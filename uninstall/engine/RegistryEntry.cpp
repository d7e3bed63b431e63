#include "RegistryEntry.h"

#include "RegistryRecord.h"
#include "RegistryRoot.h"
#include "win32/Handles.h"

#include <windows.h>

RegistryRemoval RegistryEntry::deleteKey(const std::string& text) {
    const RegistryRecord record = readRegistryRecord(text, false);
    if (!record.deletable())
        return {true, ERROR_SUCCESS};
    // One call: a key that still has subkeys stays where the system keeps it.
    return {false, RegDeleteKeyA(rootKey(record.root), record.keyPath.c_str())};
}

RegistryRemoval RegistryEntry::deleteValue(const std::string& text) {
    const RegistryRecord record = readRegistryRecord(text, true);
    if (!record.deletable())
        return {true, ERROR_SUCCESS};
    win32::Key key;
    const LONG opened =
        RegOpenKeyExA(rootKey(record.root), record.keyPath.c_str(), 0, KEY_WRITE, key.receive());
    if (opened != ERROR_SUCCESS)
        return {false, opened};
    return {false, RegDeleteValueA(key.get(), record.valueName.c_str())};
}
