#pragma once

#include "DictdImport.h"

#include <cstdint>
#include <string>
#include <vector>

// The entries of dictd dictionaries as the import sorts them: the term, and where its text
// lies in its dictionary's data (the text itself is read when its page is made).
namespace dictd {

struct Source {
    std::string data; // the whole entry text, decompressed
    bool latin1 = false;
    std::u16string shortName;   // the index's file name without its folder and ".index"
    std::u16string title;       // from 00-database-short, else the short name
    std::u16string description; // 00-database-info and -url, for the dictionary's own entry
    std::u16string decode(std::uint64_t offset, std::uint64_t length) const;
};

struct Entry {
    std::u16string term;
    std::u16string key; // text::foldAccents(term)
    std::uint32_t source;
    std::uint32_t order;      // in reading order, to keep equal terms as they came
    std::uint64_t offset = 0; // the text in the source's data
    std::uint64_t length = 0;
    std::u16string wholeTerm; // a cut headword, whole; else empty
    bool description = false; // the text is the source's description
    bool mention = false;     // filed under a word its first line does not begin with
};

// Reads `input` as source number `number`, adding its entries. Throws FormatError.
Source readSource(const DictdInput& input, std::uint32_t number, std::vector<Entry>& entries,
                  DictdSummary& summary);

} // namespace dictd
