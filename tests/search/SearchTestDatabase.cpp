#include "SearchTestDatabase.h"

#include "dictbuild/SearchTables.h"
#include "jetwriter/JetWriter.h"

#include <algorithm>

namespace {

std::vector<std::uint8_t> write(std::vector<DictionaryEntry>& entries,
                                const std::vector<std::u16string>& sources, bool withIndex,
                                std::vector<SpellingFiles> languages) {
    jet::JetWriter writer;
    const std::size_t dict = writer.addTable(
        u"Dict",
        {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}, {u"definition", jet::kMemo}});
    SearchTables tables(withIndex, std::move(languages));
    for (std::size_t row = 0; row < entries.size(); ++row) {
        tables.add(static_cast<std::uint32_t>(row), entries[row]);
        std::vector<jet::Value> values(3);
        values[1].kind = jet::Value::Kind::Text;
        values[1].text = entries[row].term;
        if (entries[row].definition) {
            values[2].kind = jet::Value::Kind::Text;
            values[2].text = *entries[row].definition;
        }
        writer.addRow(dict, values);
    }
    tables.write(writer, sources);
    return writer.finish();
}

} // namespace

SearchTestDatabase::SearchTestDatabase(std::vector<DictionaryEntry> entries,
                                       std::vector<std::u16string> sources, bool withIndex,
                                       std::vector<SpellingFiles> languages)
    : bytes(write(entries, sources, withIndex, std::move(languages))),
      database(jet::Database::fromBytes(bytes)) {
    for (const DictionaryEntry& entry : entries) {
        terms.push_back(entry.term);
        definitions.push_back(entry.definition);
    }
}

search::RowSource SearchTestDatabase::rows() const {
    search::RowSource rows;
    rows.count = terms.size();
    rows.term = [this](std::uint32_t row) { return terms.at(row); };
    rows.definition = [this](std::uint32_t row) { return definitions.at(row); };
    return rows;
}

std::vector<search::Hit> SearchTestDatabase::indexHits(const std::u16string& query) const {
    const auto index = search::FullTextIndex::open(database);
    if (!index)
        return {};
    return search::searchIndex(*index, search::parseQuery(query), rows());
}

std::vector<search::Hit> SearchTestDatabase::scanHits(const std::u16string& query) const {
    return search::searchByScan(search::parseQuery(query), rows());
}

std::vector<std::uint32_t> SearchTestDatabase::foundRows(const std::u16string& query) const {
    const auto index = search::FullTextIndex::open(database);
    const std::vector<search::Hit> hits = index ? indexHits(query) : scanHits(query);
    std::vector<std::uint32_t> rows;
    for (const search::Hit& hit : hits) {
        if (std::find(rows.begin(), rows.end(), hit.row) == rows.end())
            rows.push_back(hit.row);
    }
    return rows;
}
