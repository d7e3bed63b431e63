#pragma once

#include "dictbuild/DictionarySource.h"
#include "dictbuild/SpellingDictionary.h"
#include "jet/Database.h"
#include "search/FullTextSearch.h"

#include <optional>
#include <string>
#include <vector>

// A glossary database written as dictbuild writes it (table Dict, the sources and, when asked,
// the full-text index, and the word forms when given spelling dictionaries), read back as the
// searches read it.
struct SearchTestDatabase {
    SearchTestDatabase(std::vector<DictionaryEntry> entries, std::vector<std::u16string> sources,
                       bool withIndex, std::vector<SpellingFiles> languages = {});

    // The rows as a search reads them: terms and definitions by row.
    search::RowSource rows() const;
    // The rows found by the index (when built) or by a scan, each once, best first.
    std::vector<std::uint32_t> foundRows(const std::u16string& query) const;
    std::vector<search::Hit> indexHits(const std::u16string& query) const;
    std::vector<search::Hit> scanHits(const std::u16string& query) const;

    std::vector<std::uint8_t> bytes; // the file
    jet::Database database;
    std::vector<std::u16string> terms;
    std::vector<std::optional<std::u16string>> definitions;
};
