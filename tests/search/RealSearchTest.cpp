// The search on real dictionaries: FOLDOC and the Jargon File imported as dictbuild imports
// them, searched through the index.
#include "SearchTestDatabase.h"

#include "dictbuild/DictdImport.h"

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
