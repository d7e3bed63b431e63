#pragma once

#include <string>

// What became of one registry record: refused by the protection rule (or naming no root), kept
// because its key is a registry link, or the registry's own result (0 when deleted).
struct RegistryRemoval {
    bool refused = false;
    long error = 0;
    bool link = false;
};

// Deletes the registry key or value that one REGENTRY or REGVALUES record names, unless the
// protection rule keeps it. The named key is opened itself, never followed as a link: a key
// that is a link, or that cannot be told from one, is kept with whatever it leads to, and a
// key is deleted through the handle that was checked. Nothing is shown: the result only goes
// to the run's report.
class RegistryEntry {
public:
    RegistryRemoval deleteKey(const std::string& record);
    RegistryRemoval deleteValue(const std::string& record);
};
