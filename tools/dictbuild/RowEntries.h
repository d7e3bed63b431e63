#pragma once

#include "DictdWriter.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A row of the glossary's database taken apart into the entries the import put together
// (Articles.h): each entry's HTML with its dictionary and kind, when the marks and headings
// name them.
namespace rowentries {

struct Entry {
    std::u16string source; // the dictionary's short name; empty when the row does not say
    bool mention = false;  // filed under a word it only mentions
    std::u16string html;
    std::size_t at = 0; // where the entry's part of the definition begins
};

// The entries of a definition, in order: split at the rules between entries and the blank
// lines between dictionaries, without their marks and headings.
std::vector<Entry> split(std::u16string_view definition);

// The entry as a dictd entry under `term`: the headword on a line of its own (the whole of it,
// when the import shortened the term and began the page with it), a blank line, the text. An
// entry that only mentions a term in lower case starts with its text, as its dictionary wrote it.
dictd::WrittenEntry written(const std::u16string& term, const Entry& entry);

} // namespace rowentries
