#pragma once

#include "StardictEntries.h"
#include "StardictFiles.h"
#include "StardictInfo.h"

#include <cstdint>
#include <string>
#include <vector>

// A StarDict dictionary read whole: its entries' pages and headwords, synonyms as headwords of
// the entries they name, and what was left out.
namespace stardict {

struct Dictionary {
    std::u16string title;       // the bookname
    std::u16string shortName;   // the information file's name without its folder and ".ifo"
    std::u16string description; // description and website, for the dictionary's own entry
    std::string pages;          // every entry's page (HTML, UTF-8), one after another
    struct Entry {
        std::string headword;                 // UTF-8
        std::uint32_t offset = 0, length = 0; // the page in `pages`
    };
    std::vector<Entry> entries; // the index's entries, then the synonyms
    std::size_t synonyms = 0;
    Skipped skipped;
};

// Throws FormatError (or dictd::FormatError for damaged compression) naming the file and the
// place: counts that disagree with the information file, entries past the data's end, fields
// past their entry's end, files cut short.
Dictionary readDictionary(const Input& input);

} // namespace stardict
