#pragma once

#include "IndexFormat.h"

#include "jet/Database.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The full-text index of a database, read where it is needed: at opening only the first word
// of each block (a few thousand rows), a block when a word is looked up, and the entries when
// a search first needs them.
namespace search {

class FullTextIndex {
public:
    // The index of `database`; null when it has none. Throws JetError when it cannot be read.
    static std::unique_ptr<FullTextIndex> open(const jet::Database& database);

    // The entries that hold `word` (folded, Words.h), in entry order. Throws JetError or
    // IndexError when the index is damaged.
    std::vector<Posting> postings(const std::string& word) const;
    // Every entry, numbered from 0; read at the first call.
    const std::vector<Entry>& entries() const;

private:
    FullTextIndex(jet::Recordset words, jet::Recordset entries);

    mutable std::mutex mutex_; // the recordsets move as they read
    mutable jet::Recordset words_, entryRows_;
    std::vector<std::string> firstWords_;
    std::vector<jet::Recordset::Position> wordRows_;
    mutable std::vector<Entry> entries_;
    mutable bool entriesRead_ = false;
};

// The source dictionaries of a database, in the order of their numbers: name and entry count.
struct Source {
    std::u16string name;
    std::uint32_t entries = 0;
};
// Empty when the database was built before sources were recorded. Throws JetError.
std::vector<Source> readSources(const jet::Database& database);

} // namespace search
