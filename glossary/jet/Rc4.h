#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

// XORs bytes with the RC4 keystream of key; applying it twice restores the bytes.
void rc4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* bytes, std::size_t length);

// The fixed key of the header block on page 0.
inline constexpr std::uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};

} // namespace jet
