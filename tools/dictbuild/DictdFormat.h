#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The pieces of a dictionary in the dictd format: the index (headword, TAB, offset, TAB,
// length, the numbers in the format's base-64 digits) and the data (plain or dictzip, which is
// gzip with an index of its own that a whole read does not need).
namespace dictd {

class FormatError : public std::runtime_error {
public:
    // `where` is "file:line" or "file".
    FormatError(const std::string& where, const std::string& what)
        : std::runtime_error(where + ": " + what) {}
};

struct IndexEntry {
    std::string headword; // UTF-8 or Latin-1, as the dictionary is written; may be empty
    std::uint64_t offset;
    std::uint64_t length;
    std::size_t line;
};

// A number in the index's digits (A-Z a-z 0-9 + /); nothing when it is not one.
std::optional<std::uint64_t> decodeNumber(std::string_view digits);

// Every line of the index, in order. Throws FormatError naming the file and line of the first
// line that does not parse.
std::vector<IndexEntry> parseIndex(const std::string& text, const std::string& file);

// The data as text: inflated when it is gzip (a .dict.dz), else as it is. Throws FormatError
// when the compression is damaged.
std::string readData(const std::string& bytes, const std::string& file);

} // namespace dictd
