#include "RelayCommandLine.h"

namespace {

// Decimal digits at `text`, up to the first other character; 0 when there are none or too many.
std::uintptr_t number(const char*& text) {
    std::uintptr_t value = 0;
    int digits = 0;
    for (; *text >= '0' && *text <= '9'; ++text, ++digits) {
        if (digits < 19)
            value = value * 10 + static_cast<std::uintptr_t>(*text - '0');
    }
    return digits > 0 && digits < 19 ? value : 0;
}

} // namespace

std::string relayCommandLine(const std::string& copyPath, const RelayHandles& handles,
                             const std::string& programPath, const std::string& programDirectory) {
    return "\"" + copyPath + "\" " + std::to_string(handles.relay) + ":" +
           std::to_string(handles.copy) + ":" + std::to_string(handles.folder) + ":" +
           std::to_string(handles.ready) + " \"" + programPath + "\" \"" + programDirectory + " \"";
}

RelayHandles readRelayHandles(const char* field) {
    RelayHandles handles;
    if (field == nullptr)
        return handles;
    handles.relay = number(field);
    if (*field++ != ':')
        return handles;
    handles.copy = number(field);
    if (*field++ != ':')
        return handles;
    handles.folder = number(field);
    if (*field++ != ':')
        return handles;
    handles.ready = number(field);
    return handles;
}
