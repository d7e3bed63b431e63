#pragma once

#include <cstdint>
#include <string>

// The handles the relay hands down to the copy by inheritance: its own process, for the copy
// to wait on; the verified copy itself, held against writing, renaming and deleting since it
// was checked; and the private folder that holds it, held against renaming. The copy never
// opens its own file by name, so nothing swapped in between can pass for it. Last, an event
// the copy sets once it holds the run lock: until then the relay keeps the entry lock.
struct RelayHandles {
    std::uintptr_t relay = 0;
    std::uintptr_t copy = 0;
    std::uintptr_t folder = 0;
    std::uintptr_t ready = 0;
};

// The command line with which the relay stage starts the temporary copy:
//   "<copy path>" <relay>:<copy>:<folder>:<ready> "<program path>" "<program directory> "
// The handles in decimal; the relay's comes first, so that the field still reads as its number.
// The blank before the last quote keeps the directory's trailing backslash from escaping it.
// The copy's path is quoted too, because temporary directories often contain blanks.
std::string relayCommandLine(const std::string& copyPath, const RelayHandles& handles,
                             const std::string& programPath, const std::string& programDirectory);

// The handles read back from that field; a missing or malformed part is 0.
RelayHandles readRelayHandles(const char* field);
