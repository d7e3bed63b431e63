#pragma once

#include "DictionarySource.h"

#include <string>
#include <vector>

// One dictionary in the dictd format, read into memory: names for messages, and the bytes.
struct DictdInput {
    std::string indexName, index;
    std::string dataName, data;
};

// The glossary's rows from one or more dictd dictionaries: each entry's text as a page (see
// plainToHtml), cross-references to terms of any of them as links; entries of one term (written
// alike) as one row, separated by a rule; each dictionary's description and address as an entry
// named by its short name. Sorted by term, ignoring case, keeping the order of equal terms.
// Throws dictd::FormatError naming the file (and line) of the first damage.
std::vector<DictionaryEntry> importDictd(const std::vector<DictdInput>& dictionaries);
