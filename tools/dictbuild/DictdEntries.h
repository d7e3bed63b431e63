#pragma once

#include "DictdImport.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The entries of dictd dictionaries as the import sorts them: the term, and where its text
// lies in its dictionary's data (the text itself is read when its page is made).
namespace dictd {

struct Source {
    std::string data; // the whole entry text, decompressed
    bool latin1 = false;
    bool html = false;          // the entries are pages already (StarDict's)
    std::u16string shortName;   // the index's file name without its folder and ".index"
    std::u16string title;       // from 00-database-short, else the short name
    std::u16string description; // 00-database-info and -url, for the dictionary's own entry
    std::u16string decode(std::uint64_t offset, std::uint64_t length) const;
};

// An entry's term, key and whole headword lie in Entries' one block of characters.
struct Entry {
    std::uint32_t offset = 0; // the text in the source's data (4 GB at most)
    std::uint32_t length = 0;
    std::uint32_t source = 0;
    std::uint32_t termAt = 0;      // the headword as written, then its key unless the same
    std::uint32_t wholeLength = 0; // of the headword; longer than the term when it was cut
    std::uint16_t termLength = 0;  // kMaxTermLength at most
    std::uint16_t keyLength = 0;   // folding makes a character three at most; 0: the term's
    bool description = false;      // the text is the source's description
    bool mention = false;          // filed under a word its first line does not begin with
    bool heading = false; // the text starts with its headword phrase, wrapped (layout::heading)
};

// Every entry of an import. Two million entries with strings of their own (term, key, whole
// headword) took more than twice the memory of one block of characters they all point into.
class Entries {
public:
    // Adds `entry` under `headword`, cut to a term's length when it is longer; its key is
    // text::foldAccents(term). Throws std::length_error past 4 G characters.
    void add(Entry entry, std::u16string_view headword);
    // Room for `more` entries: sources are read one by one, each knowing its size.
    void reserve(std::size_t more) { list_.reserve(list_.size() + more); }
    // Gives back what the reading left unused, before the rows are made.
    void shrink();

    std::size_t size() const { return list_.size(); }
    const Entry& operator[](std::size_t index) const { return list_[index]; }
    std::u16string_view term(const Entry& entry) const {
        return std::u16string_view(text_).substr(entry.termAt, entry.termLength);
    }
    std::u16string_view key(const Entry& entry) const {
        return entry.keyLength == 0 ? term(entry)
                                    : std::u16string_view(text_).substr(
                                          entry.termAt + entry.wholeLength, entry.keyLength);
    }
    // The block every term and key lies in.
    std::u16string_view characters() const { return text_; }
    // The headword whole when its term is cut; else empty.
    std::u16string_view wholeTerm(const Entry& entry) const {
        return entry.wholeLength > entry.termLength
                   ? std::u16string_view(text_).substr(entry.termAt, entry.wholeLength)
                   : std::u16string_view();
    }

private:
    std::vector<Entry> list_;
    std::u16string text_;
};

// Reads `input` as source number `number`, adding its entries and telling `progress` how far
// it is. Throws FormatError, also for data past 4 GB.
Source readSource(const DictdInput& input, std::uint32_t number, Entries& entries,
                  DictdSummary& summary, ImportProgress* progress = nullptr);

// A headword line without the frame Ding puts around a fragment, a leading ellipsis ("… and
// Bob's your uncle!", "…stellig"), or around a title, quotes ("„Romeo und Julia“", "'The
// Razor's Edge'"): its term starts at its first word, so that it stands and is found among the
// words it begins with, as the index's key did. Quotes that open and close more than the whole
// line stay.
std::u16string_view unframed(std::u16string_view line);

// "/usr/share/dictd/gcide.index" names the dictionary "gcide", as dictd does.
std::u16string nameOfIndex(const std::string& path);

} // namespace dictd
