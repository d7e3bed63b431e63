#include "SearchCommand.h"

#include "search/FullTextIndex.h"
#include "search/FullTextSearch.h"
#include "search/Wildcard.h"
#include "search/WordForms.h"

#include "SearchIndex.h"
#include "TermList.h"
#include "jet/JetError.h"
#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kTermColumn = 1, kDefinitionColumn = 2;

// The terms of table Dict in table order, and where each row stands for its definition.
struct DictRows {
    TermList terms;
    std::vector<jet::Recordset::Position> positions;
};

DictRows readTerms(const jet::Database& database) {
    DictRows rows;
    for (jet::Recordset dict = database.openTable(u"Dict", {kTermColumn}); !dict.eof();
         dict.moveNext()) {
        rows.terms.add(dict.value(kTermColumn).text);
        rows.positions.push_back(dict.position());
    }
    return rows;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int searchCommand(const std::string& path, const std::u16string& words, bool timing) {
    try {
        const jet::Database database = jet::Database::open(path);
        const DictRows dict = readTerms(database);
        jet::Recordset definitions = database.openTable(u"Dict", {kDefinitionColumn});
        search::RowSource rows;
        rows.count = dict.terms.size();
        rows.term = [&dict](std::uint32_t row) { return std::u16string(dict.terms[row]); };
        rows.definition = [&](std::uint32_t row) -> std::optional<std::u16string> {
            definitions.moveTo(dict.positions[row]);
            const jet::Value& value = definitions.value(kDefinitionColumn);
            if (value.isNull())
                return std::nullopt;
            return value.text;
        };
        const std::vector<search::Source> sources = search::readSources(database);
        const Clock::time_point opening = Clock::now();
        const std::unique_ptr<search::FullTextIndex> index = search::FullTextIndex::open(database);
        const double opened = millisecondsSince(opening);
        const Clock::time_point start = Clock::now();
        const search::Query query = search::parseQuery(words);
        const std::vector<search::Hit> hits =
            index ? search::searchIndex(*index, query, rows) : search::searchByScan(query, rows);
        const double elapsed = millisecondsSince(start);
        for (const search::Hit& hit : hits) {
            if (hit.row >= dict.terms.size())
                throw search::IndexError();
            const std::u16string source =
                hit.source < sources.size() ? sources[hit.source].name : std::u16string();
            std::printf("%s\t%s\n", jet::toUtf8(std::u16string(dict.terms[hit.row])).c_str(),
                        jet::toUtf8(source).c_str());
        }
        if (timing)
            std::fprintf(stderr, "%zu found in %.1f ms (%s, opened in %.1f ms)\n", hits.size(),
                         elapsed, index ? "index" : "scan", opened);
        return hits.empty() ? 1 : 0;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "mdbview: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
}

int wildcardCommand(const std::string& path, const std::u16string& pattern, bool timing) {
    try {
        const jet::Database database = jet::Database::open(path);
        auto terms = std::make_shared<TermList>(readTerms(database).terms);
        auto folded = std::make_shared<TermList>(terms->withText(text::foldCase(terms->text())));
        if (folded->text().size() != terms->text().size()) {
            // Folding changed lengths (ß to ss): one term at a time.
            auto each = std::make_shared<TermList>();
            for (std::size_t i = 0; i < terms->size(); ++i)
                each->add(text::foldCase((*terms)[i]));
            folded = each;
        }
        const SearchIndex index(folded);
        const Clock::time_point start = Clock::now();
        std::vector<std::uint32_t> found =
            search::wildcardMatches(text::foldCase(pattern), index, *folded);
        std::sort(found.begin(), found.end());
        const double elapsed = millisecondsSince(start);
        for (const std::uint32_t entry : found)
            std::printf("%s\n", jet::toUtf8(std::u16string((*terms)[entry])).c_str());
        if (timing)
            std::fprintf(stderr, "%zu found in %.1f ms\n", found.size(), elapsed);
        return found.empty() ? 1 : 0;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "mdbview: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
}

int formsCommand(const std::string& path, const std::u16string& word, bool timing) {
    try {
        const jet::Database database = jet::Database::open(path);
        const Clock::time_point start = Clock::now();
        const std::unique_ptr<search::WordForms> forms = search::WordForms::read(database);
        if (!forms) {
            std::fprintf(stderr,
                         "mdbview: %s has no word forms: build it with dictbuild --forms to add "
                         "them\n",
                         path.c_str());
            return 1;
        }
        const double read = millisecondsSince(start);
        if (word.empty()) {
            for (const search::WordForm& form : forms->all())
                std::printf("%s\t%s\n", form.form.c_str(), jet::toUtf8(form.base).c_str());
            return forms->size() != 0 ? 0 : 1;
        }
        const Clock::time_point lookup = Clock::now();
        const std::vector<std::u16string> bases = forms->basesOf(word);
        if (timing)
            std::fprintf(stderr, "%zu forms read in %.1f ms, looked up in %.3f ms\n", forms->size(),
                         read, millisecondsSince(lookup));
        for (const std::u16string& base : bases)
            std::printf("%s\n", jet::toUtf8(base).c_str());
        return bases.empty() ? 1 : 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mdbview: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
}
