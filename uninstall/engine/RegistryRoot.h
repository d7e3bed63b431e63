#pragma once

#include "RegistryRecord.h"

#include <windows.h>

// The open key a record's root names; null for none.
inline HKEY rootKey(RegistryRecord::Root root) {
    switch (root) {
    case RegistryRecord::Root::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegistryRecord::Root::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegistryRecord::Root::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RegistryRecord::Root::Users:
        return HKEY_USERS;
    case RegistryRecord::Root::None:
        break;
    }
    return nullptr;
}
