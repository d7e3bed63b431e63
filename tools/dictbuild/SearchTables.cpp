#include "SearchTables.h"

#include "jet/Database.h"
#include "jet/TextCodec.h"
#include "search/FullTextIndex.h"

#include <cstdio>
#include <future>
#include <memory>

namespace {

jet::Value integer(std::int64_t number) {
    jet::Value value;
    value.kind = jet::Value::Kind::Integer;
    value.integer = number;
    return value;
}

jet::Value text(std::u16string content) {
    jet::Value value;
    value.kind = jet::Value::Kind::Text;
    value.text = std::move(content);
    return value;
}

jet::Value binary(std::string bytes) {
    jet::Value value;
    value.kind = jet::Value::Kind::Binary;
    value.bytes = std::move(bytes);
    return value;
}

} // namespace

SearchTables::SearchTables(bool withIndex, std::vector<SpellingFiles> languages)
    : index_(std::in_place, withIndex), withWords_(withIndex), languages_(std::move(languages)) {
    if (languages_.empty())
        return;
    // The letters of every language: a word in others is none of theirs, and is not kept.
    auto letters = std::make_shared<SpellingAlphabet>();
    for (const SpellingFiles& files : languages_) {
        alphabets_.emplace_back(files);
        letters->add(alphabets_.back());
    }
    forms_.emplace([letters](std::u16string_view word) { return letters->spells(word); });
}

namespace {

// Whether the parts cover the whole definition, each after the first starting at a tag: then
// reading each part's words reads the definition's, as one text.
bool partsTile(const std::vector<DictionaryEntry::Part>& parts, std::u16string_view definition) {
    if (parts.front().start != 0)
        return false;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::uint32_t start = parts[i].start;
        if (start < parts[i - 1].start || (start < definition.size() && definition[start] != u'<'))
            return false;
    }
    return true;
}

} // namespace

void SearchTables::add(std::uint32_t row, const DictionaryEntry& entry) {
    std::vector<DictionaryEntry::Part> parts = entry.parts;
    if (parts.empty())
        parts.push_back({0, 0});
    const std::u16string_view definition =
        entry.definition ? std::u16string_view(*entry.definition) : std::u16string_view();
    // The word forms take their words from the index's reading of the text, when it reads
    // every word of it.
    search::WordFormsBuilder* shared = nullptr;
    if (forms_ && withWords_ && partsTile(parts, definition)) {
        forms_->noteTerm(entry.term);
        shared = &*forms_;
    } else if (forms_) {
        forms_->addTerm(entry.term);
        forms_->addText(definition);
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const DictionaryEntry::Part& part = parts[i];
        if (entries_.size() <= part.source)
            entries_.resize(part.source + 1);
        ++entries_[part.source];
        const std::size_t start = std::min<std::size_t>(part.start, definition.size());
        const std::size_t end = i + 1 < parts.size()
                                    ? std::min<std::size_t>(parts[i + 1].start, definition.size())
                                    : definition.size();
        index_->addEntry(row, part.source, static_cast<std::uint32_t>(start), entry.term,
                         definition.substr(start, end > start ? end - start : 0), shared);
    }
}

void SearchTables::write(jet::JetWriter& writer, const std::vector<std::u16string>& sourceNames) {
    const std::size_t sources = writer.addTable(
        search::kSourcesTable,
        {{u"number", jet::kLong}, {u"name", jet::kText, 255}, {u"entries", jet::kLong}});
    for (std::size_t i = 0; i < std::max(entries_.size(), sourceNames.size()); ++i) {
        std::u16string name = i < sourceNames.size() ? sourceNames[i] : std::u16string();
        if (name.size() > kMaxTermLength)
            name.resize(kMaxTermLength);
        writer.addRow(sources, {integer(static_cast<std::int64_t>(i)), text(std::move(name)),
                                integer(i < entries_.size() ? entries_[i] : 0)});
    }
    // The words to ask about are picked before the index is written, the import's peak; the
    // spelling dictionaries are asked about them while it is written.
    std::future<std::vector<search::WordForm>> forms;
    if (forms_) {
        forms_->select();
        forms = std::async(std::launch::async, [this] { return findWordForms(); });
    }
    writeIndex(writer);
    if (forms_)
        writeWordForms(writer, forms.get());
}

void SearchTables::writeIndex(jet::JetWriter& writer) {
    if (withWords_) {
        const std::size_t words = writer.addTable(
            search::kWordsTable, {{u"word", jet::kText, 255}, {u"block", jet::kOle}});
        // Each block goes into the database as it is made: never the whole index twice in
        // memory.
        index_->takeWordBlocks([&](search::IndexBuilder::WordBlock& block) {
            writer.addRow(words, {text(std::move(block.first)), binary(std::move(block.bytes))});
        });
    }
    // Written without the words too: choosing dictionaries needs to know whose each part is.
    const std::size_t entries =
        writer.addTable(search::kEntriesTable, {{u"first", jet::kLong}, {u"block", jet::kOle}});
    for (search::IndexBuilder::EntryBlock& block : index_->takeEntryBlocks())
        writer.addRow(entries, {integer(block.first), binary(std::move(block.bytes))});
    index_.reset();
}

std::vector<search::WordForm> SearchTables::findWordForms() {
    std::vector<SpellingDictionary> dictionaries;
    std::vector<search::WordFormsBuilder::Stems> stems;
    for (std::size_t i = 0; i < languages_.size(); ++i)
        dictionaries.emplace_back(languages_[i], std::move(alphabets_[i]));
    for (const SpellingDictionary& language : dictionaries)
        stems.push_back([&language](const std::string& word) { return language.stems(word); });
    return forms_->resolve(stems, &formsSummary_.asked);
}

void SearchTables::writeWordForms(jet::JetWriter& writer,
                                  const std::vector<search::WordForm>& forms) {
    forms_.reset();
    const std::size_t table = writer.addTable(
        search::kWordFormsTable, {{u"form", jet::kText, 255}, {u"base", jet::kText, 255}});
    for (const search::WordForm& form : forms)
        writer.addRow(table, {text(jet::fromUtf8(form.form)), text(form.base)});
    formsSummary_.forms = forms.size();
}

int listSources(const char* path) {
    try {
        const jet::Database database = jet::Database::open(path);
        const std::vector<search::Source> sources = search::readSources(database);
        if (sources.empty()) {
            std::fprintf(stderr,
                         "dictbuild: %s names no sources: it was built before sources were "
                         "recorded; build it again with this dictbuild to list them\n",
                         path);
            return 1;
        }
        for (const search::Source& source : sources)
            std::printf("%s\t%u\n", jet::toUtf8(source.name).c_str(), source.entries);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dictbuild: %s: %s\n", path, error.what());
        return 1;
    }
}
