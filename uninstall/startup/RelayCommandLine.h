#pragma once

#include <cstdint>
#include <string>

// The command line with which the relay stage starts the temporary copy:
//   "<copy path>" <relay process handle> "<program path>" "<program directory> "
// The blank before the last quote keeps the directory's trailing backslash from escaping it.
// The copy's path is quoted too, because temporary directories often contain blanks.
std::string relayCommandLine(const std::string& copyPath, std::uintptr_t relayProcessHandle,
                             const std::string& programPath, const std::string& programDirectory);
