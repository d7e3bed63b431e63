#include "ServerAddress.h"

namespace dict {

namespace {

// Letters, digits, '-', '.', '_' (some local names have it), ':' inside brackets; UTF-8 bytes
// of a name in its own script.
bool isHostCharacter(char c, bool bracketed) {
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || byte >= 0x80 || (bracketed && c == ':');
}

std::optional<std::uint16_t> parsePort(std::string_view digits) {
    if (digits.empty() || digits.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::string ServerAddress::text() const {
    const std::string shownHost = host.find(':') == std::string::npos ? host : "[" + host + "]";
    return port == kDefaultPort ? shownHost : shownHost + ":" + std::to_string(port);
}

std::optional<ServerAddress> parseServerAddress(std::string_view typed) {
    while (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t'))
        typed.remove_prefix(1);
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t'))
        typed.remove_suffix(1);
    ServerAddress address;
    std::string_view rest;
    const bool bracketed = !typed.empty() && typed.front() == '[';
    if (bracketed) {
        const std::size_t close = typed.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        address.host.assign(typed.substr(1, close - 1));
        rest = typed.substr(close + 1);
    } else {
        const std::size_t colon = typed.find(':');
        address.host.assign(typed.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : typed.substr(colon);
    }
    if (address.host.empty())
        return std::nullopt;
    for (const char c : address.host) {
        if (!isHostCharacter(c, bracketed))
            return std::nullopt;
    }
    if (!rest.empty()) {
        if (rest.front() != ':')
            return std::nullopt;
        const auto port = parsePort(rest.substr(1));
        if (!port)
            return std::nullopt;
        address.port = *port;
    }
    return address;
}

} // namespace dict
