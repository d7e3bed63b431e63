#include "RelayCommandLine.h"

std::string relayCommandLine(const std::string& copyPath, std::uintptr_t relayProcessHandle,
                             const std::string& programPath, const std::string& programDirectory) {
    return "\"" + copyPath + "\" " + std::to_string(relayProcessHandle) + " \"" + programPath +
           "\" \"" + programDirectory + " \"";
}
