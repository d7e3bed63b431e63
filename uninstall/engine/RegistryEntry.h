#pragma once

#include <string>

// What became of one registry record: refused by the protection rule (or naming no root),
// or the registry's own result (0 when deleted).
struct RegistryRemoval {
    bool refused = false;
    long error = 0;
};

// Deletes the registry key or value that one REGENTRY or REGVALUES record names, unless the
// protection rule keeps it. Nothing is shown: the result only goes to the run's report.
class RegistryEntry {
public:
    RegistryRemoval deleteKey(const std::string& record);
    RegistryRemoval deleteValue(const std::string& record);
};
