#pragma once

#include "IndexFormat.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Builds the full-text index while the rows are written. The import holds the whole database
// at its peak, so the index in the making costs little beside it: each word 24 bytes, its
// characters and its postings, compressed from the start, in chained chunks of one arena.
namespace search {

class WordFormsBuilder;

class IndexBuilder {
public:
    // Without `words`, only the entries are kept: where each dictionary's part of a row is,
    // which choosing dictionaries needs with or without the words.
    explicit IndexBuilder(bool words = true);

    // Adds the next entry: the part of row `row` (rows in order) from source `source` that
    // begins at `start` of the row's definition, with the row's term and the part's text
    // (HTML). Entries are numbered in the order added. With `forms` (and the words kept), the
    // words read are handed on to it as written, so that the text is read once for both.
    void addEntry(std::uint32_t row, std::uint32_t source, std::uint32_t start,
                  std::u16string_view term, std::u16string_view html,
                  WordFormsBuilder* forms = nullptr);

    std::size_t entryCount() const { return entryCount_; }

    struct WordBlock {
        std::u16string first;
        std::string bytes;
    };
    struct EntryBlock {
        std::uint32_t first;
        std::string bytes;
    };
    // The finished blocks (IndexFormat.h), one at a time, so that the caller can store each
    // before the next is made; the builder is left empty.
    void takeWordBlocks(const std::function<void(WordBlock&)>& each);
    std::vector<WordBlock> takeWordBlocks();
    std::vector<EntryBlock> takeEntryBlocks();

private:
    struct Word {
        std::uint32_t wordAt = 0; // in words_
        std::uint32_t last = 0;   // the entry of the last posting
        std::uint32_t count = 0;
        std::uint32_t head = 0; // first chunk of the postings in the arena; 0: none yet
        std::uint32_t tail = 0;
        std::uint8_t tailUsed = 0;
        std::uint8_t length = 0;   // of the word in bytes
        std::uint8_t level = 0;    // of the tail chunk: its size is kChunk << level
        std::uint8_t handedOn = 0; // the spellings (Written) given to the forms already
    };
    // How a word is written beside its folded form: most are written as folded or capitalised,
    // and those need handing on to the word forms only the first time.
    enum Written : std::uint8_t { kOtherwise = 0, kAsFolded = 1, kCapitalised = 2 };
    static std::uint8_t writtenAs(std::string_view folded, std::u16string_view written);
    void handOn(Word& word, std::string_view folded, std::uint8_t written,
                std::u16string_view otherwise, WordFormsBuilder& forms);

    // The number of `word` (of hash `hash`), given a new one when it is new.
    std::uint32_t idOf(std::string_view word, std::uint64_t hash);
    void place(std::uint64_t hash, std::uint32_t id);
    std::string_view wordOf(const Word& word) const {
        return std::string_view(words_).substr(word.wordAt, word.length);
    }
    void append(Word& word, std::uint64_t value);
    std::uint32_t allocate(std::size_t size);
    char* at(std::uint32_t offset) {
        return pages_[offset >> kPageBits].get() + (offset & kPageMask);
    }
    std::string postingsOf(const Word& word);

    static constexpr unsigned kPageBits = 24;
    static constexpr std::uint32_t kPageMask = (1u << kPageBits) - 1;
    static constexpr std::size_t kChunk = 8, kMaxLevel = 5;
    static_assert((kChunk << kMaxLevel) - 4 <= 0xFF, "a chunk's use fits Word::tailUsed");

    // Open addressing: a slot holds the word's number + 1 (0: free) under the hash's high half,
    // so most probes are told apart without reading the word.
    std::vector<std::uint64_t> slots_;
    std::string words_;
    std::deque<Word> postings_;
    std::vector<std::unique_ptr<char[]>> pages_; // the arena of postings chunks
    std::uint32_t arenaUsed_ = 0;
    std::vector<EntryBlock> entryBlocks_;
    // The words of the entry being added, gathered before they are looked up.
    struct Pending {
        std::uint64_t hash;
        std::uint32_t at, length; // in pendingText_
        Place place;
        std::uint8_t written = kOtherwise;
        std::uint32_t writtenAt = 0, writtenLength = 0; // in pendingWritten_, when kOtherwise
    };
    std::vector<Pending> pending_;
    std::string pendingText_;
    std::u16string pendingWritten_;
    std::uint32_t lastRow_ = 0;
    std::size_t entryCount_ = 0;
    bool withWords_ = true;
};

} // namespace search
