#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Where a DICT server is, as a reader types it: "host", "host:port", "[::1]:2628".
namespace dict {

inline constexpr std::uint16_t kDefaultPort = 2628;

struct ServerAddress {
    std::string host; // a name or an address, without brackets
    std::uint16_t port = kDefaultPort;

    // As a note names the server: the host, with its port when not the default.
    std::string text() const;
};

// Nothing when `typed` names no server: no host, blanks or other characters no host name
// holds, a port that is not a number from 1 to 65535. Blanks around it are no part of it.
std::optional<ServerAddress> parseServerAddress(std::string_view typed);

} // namespace dict
