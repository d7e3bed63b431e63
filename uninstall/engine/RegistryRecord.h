#pragma once

#include <string>

// What a REGENTRY or REGVALUES record of the setup log names, after the protection rule.
struct RegistryRecord {
    enum class Root { None, ClassesRoot, CurrentUser, LocalMachine, Users };

    Root root = Root::None;
    std::string keyPath;   // whole path below the root, as the registry calls get it
    std::string valueName; // REGVALUES only; empty names the default value
    bool refused = false;  // the protection rule keeps it

    bool deletable() const { return root != Root::None && !refused; }
};

// Root name, key path (and for values the value name) from the record. Leading, trailing and
// repeated backslashes of the key path are dropped first; then an empty path, a key directly
// under a root other than HKCR, a last component SOFTWARE in any case, or a parent path or last
// component longer than 259 characters is refused.
RegistryRecord readRegistryRecord(const std::string& record, bool withValueName);
