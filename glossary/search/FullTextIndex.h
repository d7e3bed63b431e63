#pragma once

#include "EntryBlocks.h"
#include "IndexFormat.h"

#include "jet/Database.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The full-text index of a database, read where it is needed: at opening only the first word
// of each block (a few thousand rows) and where the entries' blocks stand; a block of words
// when a word is looked up, and a block of entries when an entry of it is first needed.
namespace search {

class FullTextIndex {
public:
    // The index of `database`; null when it has none. Throws JetError when it cannot be read.
    static std::unique_ptr<FullTextIndex> open(const jet::Database& database);

    // The entries that hold `word` (folded, Words.h), in entry order. Throws JetError or
    // IndexError when the index is damaged.
    std::vector<Posting> postings(const std::string& word) const;
    // How many entries there are, and entry `number` (< entryCount()): its block is read when
    // first needed, so a search of rare words reads little of the index. Throws JetError or
    // IndexError when the index is damaged.
    std::size_t entryCount() const { return entries_->size(); }
    Entry entry(std::uint32_t number) const { return entries_->entry(number); }

private:
    FullTextIndex(jet::Recordset words, std::unique_ptr<EntryBlocks> entries);

    mutable std::mutex mutex_; // the recordset moves as it reads
    mutable jet::Recordset words_;
    std::unique_ptr<EntryBlocks> entries_;
    std::vector<std::string> firstWords_;
    std::vector<jet::Recordset::Position> wordRows_;
};

// The source dictionaries of a database, in the order of their numbers: name and entry count.
struct Source {
    std::u16string name;
    std::uint32_t entries = 0;
};
// Empty when the database was built before sources were recorded. Throws JetError.
std::vector<Source> readSources(const jet::Database& database);

// Whether `database` has a table of that name.
bool hasTable(const jet::Database& database, std::u16string_view name);

} // namespace search
