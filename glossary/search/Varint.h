#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Unsigned numbers in seven bits a byte, low bits first, as the full-text index stores them:
// most numbers there are small (gaps between entries), so most take one byte.
namespace search {

inline void appendVarint(std::string& out, std::uint64_t value) {
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

// Reads one number at `at`, moving past it; false when the bytes end first or it is too long.
inline bool readVarint(std::string_view bytes, std::size_t& at, std::uint64_t& value) {
    value = 0;
    for (unsigned shift = 0; shift < 64 && at < bytes.size(); shift += 7) {
        const auto byte = static_cast<std::uint8_t>(bytes[at++]);
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return true;
    }
    return false;
}

} // namespace search
