#pragma once

#include "Bytes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace jet {

// Jet 4 text: UCS-2 little-endian, or the compressed form that starts with FF FE.
std::u16string decodeJet4Text(Bytes bytes);
void decodeJet4Text(Bytes bytes, std::u16string& text); // reuses text's buffer
// Jet 3 text: single bytes in the database's code page.
std::u16string decodeCodePageText(Bytes bytes, std::uint16_t codePage);

// Encodings for writers. Access compresses only texts of 3 to 1024 characters; a larger limit
// exists for tests of long compressed values.
inline constexpr std::size_t kMaxCompressedLength = 1024;
std::string encodeJet4Text(const std::u16string& text, bool compressible,
                           std::size_t maxCompressed = kMaxCompressedLength);
std::string encodeCodePageText(const std::u16string& text, std::uint16_t codePage);

// UTF-8 conversion; invalid input is reported through `valid` (and replaced by U+FFFD).
std::string toUtf8(const std::u16string& text);
// The same appended to `out`: no string of its own for each of many words.
void appendUtf8(std::string& out, std::u16string_view text);
std::u16string fromUtf8(const std::string& text, bool* valid = nullptr);

} // namespace jet
