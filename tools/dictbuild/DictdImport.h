#pragma once

#include "DictionarySource.h"
#include "ImportProgress.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace stardict {
struct Dictionary;
}

// One dictionary in the dictd format, read into memory: names for messages, and the bytes.
struct DictdInput {
    std::string indexName, index;
    std::string dataName, data;
    // A StarDict dictionary, read already, in place of the above; its pages are HTML.
    std::shared_ptr<stardict::Dictionary> stardict = nullptr;
};

// One dictionary's part of an import.
struct DictdSourceSummary {
    std::size_t entries = 0;   // that became part of a page
    std::size_t headwords = 0; // terms with an entry of it
    std::size_t repeated = 0;  // left out: the same headword and text as another of its entries
    std::size_t unnamed = 0;   // left out: neither the index nor the text names a headword
};

// What an import did, for its summary.
struct DictdSummary {
    std::size_t entries = 0;             // index lines that became part of a page
    std::size_t rows = 0;                // terms written
    std::size_t shortened = 0;           // headwords cut to the longest term
    std::size_t labelDictionaries = 0;   // dictionaries whose braces are labels, not references
    std::vector<std::u16string> sources; // short names, by source number
    std::vector<std::string> notes;      // what a dictionary left out, and why (UTF-8)
    std::vector<DictdSourceSummary> perSource;
};

// The glossary's rows from one or more dictd dictionaries: each entry's text as a page (see
// plainToHtml), cross-references to terms of any of them as links; entries of one term (written
// alike) as one row, separated by a rule, each part named by its dictionary's short name when
// they come from more than one; each dictionary's description and address as an entry named by
// its short name. A headword longer than a term may be is cut at a character boundary, and its
// page starts with the whole of it. Rows come in the order of text::collate. `each` gets the
// rows one by one; an entry that repeats another of its dictionary (the same headword and
// text) is left out. `progress` hears of the work as it goes. Throws dictd::FormatError naming the
// file (and line) of the first damage, before any row is given. The inputs' bytes are let go once
// read, before the rows are made: pass them with std::move where memory counts.
void importDictd(std::vector<DictdInput> dictionaries,
                 const std::function<void(DictionaryEntry&)>& each, DictdSummary* summary = nullptr,
                 ImportProgress* progress = nullptr);

// Every row at once.
std::vector<DictionaryEntry> importDictd(const std::vector<DictdInput>& dictionaries,
                                         DictdSummary* summary = nullptr,
                                         ImportProgress* progress = nullptr);
