#pragma once

#include <string>
#include <string_view>
#include <vector>

// What is typed into a search, read once: the words a definition must hold (any order) and
// the phrases it must hold as written ("mutual exclusion"), each word folded (Words.h).
namespace search {

struct Query {
    // Every group must occur; a group of one word is a word, of more a phrase. A typed token
    // that folds to more words than one ("e-mail") is a phrase too.
    std::vector<std::vector<std::string>> groups;

    bool empty() const { return groups.empty(); }
    // Every word of every group once, in the order typed.
    std::vector<std::string> words() const;
};

// Reads `text`: blank-separated words and double-quoted phrases (an unclosed quote runs to
// the end). Wildcard characters separate words here; they belong to the term filter.
Query parseQuery(std::u16string_view text);

// Whether `text` asks for the wildcard filter of the terms: it holds `*` or `?`.
bool hasWildcards(std::u16string_view text);

} // namespace search
