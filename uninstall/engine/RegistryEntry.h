#pragma once

#include <string>

// Deletes the registry key or value that one REGENTRY or REGVALUES record names, unless the
// protection rule keeps it. Every failure is silent: the next entry simply follows.
class RegistryEntry {
public:
    void deleteKey(const std::string& record);
    void deleteValue(const std::string& record);
};
