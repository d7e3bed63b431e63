#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The full-text index as it stands in the database (the README describes the layout): three
// tables beside Dict, plain rows that any Jet reader sees as tables.
//   FullText (word Text, block OLE): the words in byte order of their UTF-8, in blocks; each
//     row holds the first word of its block and the block.
//   FullTextEntries (first Long, block OLE): the entries, numbered from 0, in blocks of
//     kEntriesPerBlock; an entry is one dictionary's part of one row of Dict.
//   Sources (number Long, name Text, entries Long): the source dictionaries.
namespace search {

inline constexpr char16_t kWordsTable[] = u"FullText";
inline constexpr char16_t kEntriesTable[] = u"FullTextEntries";
inline constexpr char16_t kSourcesTable[] = u"Sources";
inline constexpr std::size_t kEntriesPerBlock = 4096;
inline constexpr std::size_t kWordBlockBytes = 16384; // a block ends after the word passing this

// Where an entry's word stands, best first: in the row's term, in the entry's first words, or
// further on. A word's posting keeps its best place in the entry.
enum class Place : std::uint8_t { Term = 0, FirstLines = 1, Elsewhere = 2 };
inline constexpr std::size_t kFirstLinesWords = 30; // words that count as the first lines

struct Posting {
    std::uint32_t entry;
    Place place;
};

struct Entry {
    std::uint32_t row;    // of Dict, in table order from 0
    std::uint32_t source; // number in Sources
    std::uint32_t start;  // where the entry's part begins in the row's definition
};

// Thrown for a block that cannot be read: the index is damaged.
struct IndexError : std::exception {
    const char* what() const noexcept override { return "the full-text index is damaged"; }
};

// A word block: for each word, the length it shares with the word before (varint), the length
// of the rest (varint), the rest (UTF-8), the number of its entries (varint), the length of
// its postings (varint) and the postings: for each entry, varint((gap << 2) | place), the gap
// from the entry before (from 0 for the first).
void appendWord(std::string& block, std::string_view previous, std::string_view word,
                std::size_t count, std::string_view postings);
inline std::uint64_t postingValue(std::uint32_t gap, Place place) {
    return (static_cast<std::uint64_t>(gap) << 2) | static_cast<unsigned>(place);
}
// The postings of `word` in `block`; false when the block does not hold it. Throws IndexError.
bool findWord(std::string_view block, std::string_view word, std::vector<Posting>& postings);
// Every word of `block` in order. Throws IndexError.
std::vector<std::string> wordsOf(std::string_view block);

// An entry block: for each entry, varint(row gap from the entry before, from 0 for the first
// of the block), varint(source), varint(start). Appends to `entries`; throws IndexError.
void appendEntry(std::string& block, std::uint32_t rowGap, const Entry& entry);
void readEntries(std::string_view block, std::vector<Entry>& entries);

} // namespace search
