#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A dictionary in the dictd format, written: its index and its data in dictzip's form, both
// UTF-8, with the entries a server reads about the dictionary itself (00-database-...).
namespace dictd {

struct WrittenEntry {
    std::u16string headword; // as the text writes it; the index holds it in lower case
    std::u16string text;     // the whole entry, its headword line included when it has one
};

struct Description {
    std::u16string shortName; // 00-database-short: what a client names the dictionary by
    std::u16string info;      // 00-database-info (written also when empty)
    std::u16string url;       // 00-database-url
};

struct Files {
    std::string index;
    std::string data; // dictzip
};

// The files of `entries`. Entries of one text share it; the index is sorted as the server's
// binary search expects when every character counts (00-database-allchars): by the bytes of
// the headwords in lower case. Throws std::length_error when the data is too large for
// dictzip's chunk table.
Files writeDictionary(const std::vector<WrittenEntry>& entries, const Description& description);

// A headword as the server compares it: each character in lower case, as the C library's
// towlower() of a UTF-8 locale makes it (not Unicode's case folding: "ß" stays).
std::u16string indexKey(const std::u16string& headword);

// A number in the index's digits (A-Z a-z 0-9 + /).
std::string encodeNumber(std::uint64_t value);

// `text` as dictzip writes it: gzip with a table of chunks (the RA extra field), each chunk
// compressed on its own so that a server inflates only those an entry lies in.
std::string dictzip(const std::string& text);

} // namespace dictd
