// The search on real dictionaries: FOLDOC and the Jargon File imported as dictbuild imports
// them, searched through the index.
#include "SearchTestDatabase.h"

#include "Articles.h"
#include "dictbuild/DictdImport.h"
#include "search/SourceView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct RealSearch {
    std::unique_ptr<SearchTestDatabase> db;

    RealSearch() {
        const char* directory = std::getenv("DICTIONARY_DIR");
        if (directory == nullptr)
            return;
        std::vector<DictdInput> inputs;
        for (const char* name : {"foldoc", "jargon"}) {
            const std::string base = std::string(directory) + "/" + name;
            inputs.push_back({base + ".index", slurp(base + ".index"), base + ".dict.dz",
                              slurp(base + ".dict.dz")});
            if (inputs.back().index.empty())
                return;
        }
        DictdSummary summary;
        std::vector<DictionaryEntry> rows = importDictd(inputs, &summary);
        db = std::make_unique<SearchTestDatabase>(std::move(rows), summary.sources, true);
    }

    std::vector<std::u16string> terms(const std::u16string& query) const {
        std::vector<std::u16string> found;
        for (const std::uint32_t row : db->foundRows(query))
            found.push_back(db->terms[row]);
        return found;
    }
};

const RealSearch& real() {
    static const RealSearch loaded;
    return loaded;
}

bool has(const std::vector<std::u16string>& terms, const std::u16string& term) {
    return std::find(terms.begin(), terms.end(), term) != terms.end();
}

} // namespace

TEST(RealDictionarySearch, APhraseFindsTheEntriesThatUseItTheTermFirst) {
    if (!real().db)
        FAIL()
            << "DICTIONARY_DIR names no dictionaries (scripts/fetch-dictionaries.sh fetches them)";
    const std::vector<std::u16string> found = real().terms(u"\"mutual exclusion\"");
    ASSERT_GE(found.size(), 5u);
    EXPECT_EQ(found[0], u"mutual exclusion");
    EXPECT_TRUE(has(found, u"mutex"));
    EXPECT_TRUE(has(found, u"thread-safe"));
    const std::vector<std::u16string> words = real().terms(u"MUTUAL Exclusion");
    for (const std::u16string& term : found)
        EXPECT_TRUE(has(words, term)) << "the words alone find it too";
}

TEST(RealDictionarySearch, EachEntryNamesItsDictionary) {
    if (!real().db)
        FAIL() << "DICTIONARY_DIR names no dictionaries";
    const std::vector<search::Source> sources = search::readSources(real().db->database);
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_GT(sources[0].entries, 10000u);
    EXPECT_GT(sources[1].entries, 2000u);
    // "hacker" is a term of both: each dictionary's part is an entry of its own.
    std::set<std::uint32_t> sourcesOfHacker;
    for (const search::Hit& hit : real().db->indexHits(u"hacker")) {
        if (real().db->terms[hit.row] == u"hacker")
            sourcesOfHacker.insert(hit.source);
    }
    EXPECT_EQ(sourcesOfHacker, (std::set<std::uint32_t>{0, 1}));
    EXPECT_TRUE(real().terms(u"zzqqxx").empty());
}

TEST(RealDictionarySearch, DictionariesChosenByTheUserKeepTheirTermsPartsAndOrder) {
    if (!real().db)
        FAIL() << "DICTIONARY_DIR names no dictionaries";
    const SearchTestDatabase& db = *real().db;
    const std::vector<search::Source> sources = search::readSources(db.database);
    const auto hackerAt = std::find(db.terms.begin(), db.terms.end(), u"hacker");
    ASSERT_NE(hackerAt, db.terms.end());
    const auto hacker = static_cast<std::uint32_t>(hackerAt - db.terms.begin());
    const std::u16string& written = *db.definitions[hacker];
    ASSERT_LT(written.find(articles::heading(u"foldoc")),
              written.find(articles::heading(u"jargon")));

    const auto jargonOnly =
        search::SourceView::open(db.database, search::applyRemembered(sources, {u"-foldoc"}));
    ASSERT_NE(jargonOnly, nullptr);
    std::size_t listed = 0;
    for (std::uint32_t row = 0; row < db.terms.size(); ++row)
        listed += jargonOnly->listed(row) ? 1 : 0;
    EXPECT_GT(listed, 2000u);
    EXPECT_LT(listed, sources[1].entries + 1) << "no term of FOLDOC's alone";
    const std::u16string jargon = *jargonOnly->shown(hacker, written);
    EXPECT_EQ(jargon.find(articles::heading(u"foldoc")), std::u16string::npos);
    const std::vector<articles::Part> parts = articles::split(jargon);
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts.front().source, u"jargon");
    EXPECT_NE(written.find(parts.front().html), std::u16string::npos) << "its text as written";
    std::vector<search::Hit> hits = db.indexHits(u"\"mutual exclusion\"");
    jargonOnly->filter(hits);
    for (const search::Hit& hit : hits)
        EXPECT_EQ(hit.source, 1u);

    const auto jargonFirst =
        search::SourceView::open(db.database, search::applyRemembered(sources, {u"+jargon"}));
    ASSERT_NE(jargonFirst, nullptr);
    const std::u16string both = *jargonFirst->shown(hacker, written);
    EXPECT_LT(both.find(articles::heading(u"jargon")), both.find(articles::heading(u"foldoc")));
    EXPECT_LT(both.size(), written.size() + 100) << "nothing but marks added";
}
