#pragma once
// What the message watcher (helpers/message_watcher.cpp), loaded into a program by a test's hook,
// shares with the test: the windows that were sent a watched message, in the order they were.
#include <windows.h>

#include <cstdint>

namespace sentmessages {

constexpr wchar_t kMappingName[] = L"Local\\GlossaryTestSentMessages";
constexpr LONG kCapacity = 4096;

struct Sent {
    std::uint32_t message;
    std::uint64_t window; // a window handle, as wide in every process
};

struct Record {
    volatile LONG count; // entries claimed; may run past kCapacity, which are then dropped
    Sent sent[kCapacity];
};

} // namespace sentmessages
