#include "FullTextIndex.h"

#include "jet/JetError.h"
#include "jet/TextCodec.h"

#include <algorithm>

namespace search {

namespace {

constexpr std::size_t kKeyColumn = 0, kBlockColumn = 1;

const std::string& blockOf(const jet::Recordset& rows) {
    const jet::Value& block = rows.value(kBlockColumn);
    if (block.kind != jet::Value::Kind::Binary)
        throw IndexError();
    return block.bytes;
}

} // namespace

bool hasTable(const jet::Database& database, std::u16string_view name) {
    return std::any_of(database.tables().begin(), database.tables().end(),
                       [name](const jet::TableInfo& table) { return table.name == name; });
}

std::unique_ptr<FullTextIndex> FullTextIndex::open(const jet::Database& database) {
    if (!hasTable(database, kWordsTable) || !hasTable(database, kEntriesTable))
        return nullptr;
    std::unique_ptr<FullTextIndex> index(new FullTextIndex(
        database.openTable(kWordsTable, {kBlockColumn}), EntryBlocks::open(database)));
    for (jet::Recordset rows = database.openTable(kWordsTable, {kKeyColumn}); !rows.eof();
         rows.moveNext()) {
        const jet::Value& first = rows.value(kKeyColumn);
        if (first.kind != jet::Value::Kind::Text)
            throw IndexError();
        index->firstWords_.push_back(jet::toUtf8(first.text));
        index->wordRows_.push_back(rows.position());
    }
    if (!std::is_sorted(index->firstWords_.begin(), index->firstWords_.end()))
        throw IndexError();
    return index;
}

FullTextIndex::FullTextIndex(jet::Recordset words, std::unique_ptr<EntryBlocks> entries)
    : words_(std::move(words)), entries_(std::move(entries)) {}

std::vector<Posting> FullTextIndex::postings(const std::string& word) const {
    std::vector<Posting> found;
    // The block is the last whose first word is not after the word.
    const auto after = std::upper_bound(firstWords_.begin(), firstWords_.end(), word);
    if (after == firstWords_.begin())
        return found;
    const std::lock_guard<std::mutex> lock(mutex_);
    words_.moveTo(wordRows_[static_cast<std::size_t>(after - firstWords_.begin()) - 1]);
    findWord(blockOf(words_), word, found);
    return found;
}

std::vector<Source> readSources(const jet::Database& database) {
    std::vector<Source> sources;
    if (!hasTable(database, kSourcesTable))
        return sources;
    for (jet::Recordset rows = database.openTable(kSourcesTable); !rows.eof(); rows.moveNext()) {
        const jet::Value &number = rows.value(0), &name = rows.value(1), &count = rows.value(2);
        if (number.kind != jet::Value::Kind::Integer || number.integer < 0 ||
            number.integer > 65535)
            throw IndexError();
        const auto at = static_cast<std::size_t>(number.integer);
        if (sources.size() <= at)
            sources.resize(at + 1);
        sources[at].name = name.text;
        sources[at].entries = count.kind == jet::Value::Kind::Integer && count.integer > 0
                                  ? static_cast<std::uint32_t>(count.integer)
                                  : 0;
    }
    return sources;
}

} // namespace search
