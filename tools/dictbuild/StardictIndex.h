#pragma once

#include "StardictInfo.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The index (.idx) and synonyms (.syn) of a StarDict dictionary: UTF-8 words ended by a NUL,
// each followed by big-endian numbers.
namespace stardict {

struct IndexEntry {
    std::string_view headword; // into the index's bytes
    std::uint64_t offset = 0;  // in the data
    std::uint32_t size = 0;
};

struct Synonym {
    std::string_view word;   // into the synonyms' bytes
    std::uint32_t entry = 0; // the number of an index entry
};

// Every entry of `bytes` (the index, decompressed): offsets of info.idxoffsetbits, as many
// entries as info.wordcount, and info.idxfilesize bytes. Throws FormatError naming `file`, the
// entry and its byte where the index is cut short or disagrees with the information file.
std::vector<IndexEntry> parseIndex(const std::string& bytes, const std::string& file,
                                   const Info& info);

// Every synonym, each naming an entry below info.wordcount; as many as info.synwordcount.
std::vector<Synonym> parseSynonyms(const std::string& bytes, const std::string& file,
                                   const Info& info);

} // namespace stardict
