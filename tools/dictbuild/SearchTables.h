#pragma once

#include "DictionarySource.h"
#include "SpellingDictionary.h"
#include "jetwriter/JetWriter.h"
#include "search/IndexBuilder.h"
#include "search/WordFormsBuilder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the import adds beside table Dict for the glossary's searches: the source dictionaries
// with their entry counts (table Sources), the entries that say whose each part of a row is,
// unless left out the words of the full-text index of the definitions (search/IndexFormat.h)
// and, given spelling dictionaries, the word forms that lead to the terms (search/WordForms.h).
class SearchTables {
public:
    // The spelling dictionaries are read when the forms are looked for, as the index is written;
    // only the letters they use are read now. Throws std::runtime_error when a file cannot be read.
    explicit SearchTables(bool withIndex, std::vector<SpellingFiles> languages = {});

    // Row `row` of Dict (rows in order).
    void add(std::uint32_t row, const DictionaryEntry& entry);
    // The tables, with the sources' names by number.
    void write(jet::JetWriter& writer, const std::vector<std::u16string>& sourceNames);

    // What the word forms came to: the words asked about and the rows of table WordForms.
    struct FormsSummary {
        std::size_t asked = 0, forms = 0;
    };
    const FormsSummary& formsSummary() const { return formsSummary_; }

private:
    void writeIndex(jet::JetWriter& writer);
    // On a thread of its own, while the index is written: the spelling dictionaries' answers.
    std::vector<search::WordForm> findWordForms();
    void writeWordForms(jet::JetWriter& writer, const std::vector<search::WordForm>& forms);

    std::optional<search::IndexBuilder> index_; // until written
    bool withWords_;
    std::vector<SpellingFiles> languages_;
    std::vector<SpellingAlphabet> alphabets_; // each language's letters, read once
    std::optional<search::WordFormsBuilder> forms_;
    FormsSummary formsSummary_;
    std::vector<std::uint32_t> entries_; // by source
};

// Prints the sources of a database with their entry counts; the exit code of `dictbuild --list`.
int listSources(const char* path);
