#pragma once

#include "IndexFormat.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds the full-text index while the rows are written: each entry's words go into postings
// kept compressed from the start (a few bytes an entry a word), so the nine dictionaries' index
// costs memory in proportion to its size on disk.
namespace search {

class IndexBuilder {
public:
    // Adds the next entry: the part of row `row` (rows in order) from source `source` that
    // begins at `start` of the row's definition, with the row's term and the part's text
    // (HTML). Entries are numbered in the order added.
    void addEntry(std::uint32_t row, std::uint32_t source, std::uint32_t start,
                  std::u16string_view term, std::u16string_view html);

    std::size_t entryCount() const { return entryCount_; }

    struct WordBlock {
        std::u16string first;
        std::string bytes;
    };
    struct EntryBlock {
        std::uint32_t first;
        std::string bytes;
    };
    // The finished blocks (IndexFormat.h); the builder is left empty.
    std::vector<WordBlock> takeWordBlocks();
    std::vector<EntryBlock> takeEntryBlocks();

private:
    struct Postings {
        std::uint64_t hash = 0;
        std::uint32_t wordAt = 0; // in words_
        std::uint32_t wordLength = 0;
        std::uint32_t last = 0;
        std::uint32_t count = 0;
        std::string bytes;
    };
    // The number of `word`, given a new one when it is new.
    std::uint32_t idOf(std::string_view word);
    void place(std::uint64_t hash, std::uint32_t id);
    std::string_view wordOf(const Postings& postings) const {
        return std::string_view(words_).substr(postings.wordAt, postings.wordLength);
    }

    // Open addressing: a slot holds the word's number + 1 (0: free) under the hash's high half,
    // so most probes are told apart without reading the word; a few million words at the cost
    // of their characters, without a node each.
    std::vector<std::uint64_t> slots_ = std::vector<std::uint64_t>(1 << 16);
    std::string words_;
    std::vector<Postings> postings_;
    std::vector<EntryBlock> entryBlocks_;
    std::uint32_t lastRow_ = 0;
    std::size_t entryCount_ = 0;
    std::vector<std::pair<std::uint32_t, Place>> seen_; // the current entry's words
};

} // namespace search
