#pragma once

#include "DictionarySource.h"
#include "jetwriter/JetWriter.h"
#include "search/IndexBuilder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the import adds beside table Dict for the glossary's searches: the source dictionaries
// with their entry counts (table Sources) and, unless left out, the full-text index of the
// definitions (search/IndexFormat.h).
class SearchTables {
public:
    explicit SearchTables(bool withIndex);

    // Row `row` of Dict (rows in order), before its texts are moved into the database.
    void add(std::uint32_t row, const DictionaryEntry& entry);
    // The tables, with the sources' names by number.
    void write(jet::JetWriter& writer, const std::vector<std::u16string>& sourceNames);

private:
    std::optional<search::IndexBuilder> index_;
    std::vector<std::uint32_t> entries_; // by source
};

// Prints the sources of a database with their entry counts; the exit code of `dictbuild --list`.
int listSources(const char* path);
