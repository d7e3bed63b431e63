// Several databases shown as one glossary: their terms in one list, pages joined across them
// in the order of the dictionaries chosen, a database all off left unopened, and one damaged
// while it is open left out with its reason.
#include "SearchTestDatabase.h"

#include "Articles.h"
#include "Glossary.h"
#include "search/DatabaseSet.h"
#include "search/SetSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>

namespace {

DictionaryEntry entry(std::u16string term, std::u16string html) {
    return DictionaryEntry{std::move(term), std::move(html), {}};
}

// A database as `dictbuild --each` writes it for one dictionary: definitions without marks.
std::string written(const SearchTestDatabase& db, const std::string& name) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(db.bytes.data()),
               static_cast<std::streamsize>(db.bytes.size()));
    return path;
}

std::string foldocDatabase() {
    return written(SearchTestDatabase({entry(u"cache", u"<p>foldoc cache</p>"),
                                       entry(u"kernel", u"<p>foldoc kernel, see lisp</p>"),
                                       entry(u"lisp", u"<p>foldoc lisp</p>")},
                                      {u"foldoc"}, true),
                   "set-foldoc.mdb");
}

std::string jargonDatabase(std::size_t filler = 0) {
    std::vector<DictionaryEntry> entries{entry(u"bogus", u"<p>jargon bogus</p>"),
                                         entry(u"cache", u"<p>jargon cache</p>"),
                                         entry(u"daemon", u"<p>jargon daemon</p>")};
    // Enough after them that their pages are no longer held when the terms are in: what is
    // shown later is read from the file again.
    for (std::size_t i = 0; i < filler; ++i)
        entries.push_back(entry(u"zz" + std::u16string(1, char16_t(u'a' + i % 26)) +
                                    std::u16string(i / 26 + 1, u'z'),
                                u"<p>" + std::u16string(8000, char16_t(u'a' + i % 26)) + u"</p>"));
    return written(SearchTestDatabase(std::move(entries), {u"jargon"}, false), "set-jargon.mdb");
}

std::vector<std::u16string> termsOf(const Glossary& glossary) {
    std::vector<std::u16string> terms;
    for (std::size_t i = 0; i < glossary.size(); ++i)
        terms.emplace_back(glossary.term(i));
    return terms;
}

std::u16string pageOf(const Glossary& glossary, const std::u16string& term) {
    const int index = glossary.find(term);
    return index < 0 ? u"" : glossary.definitionShownFor(static_cast<std::size_t>(index)).value();
}

} // namespace

TEST(DatabaseSet, TwoDatabasesListTheirTermsAsOneInTheOrderOfTerms) {
    const std::string foldoc = foldocDatabase(), jargon = jargonDatabase();
    const search::SetRead read = search::readSet({{foldoc, {}}, {jargon, {}}}, {});
    EXPECT_EQ(termsOf(read.glossary),
              (std::vector<std::u16string>{u"bogus", u"cache", u"daemon", u"kernel", u"lisp"}))
        << "a term of both is listed once";
    EXPECT_EQ(read.members, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(read.glossary.search(u"dae"), 2) << "the search spans both";
    EXPECT_EQ(read.glossary.find(u"lisp"), 4) << "a link of one finds the term of the other";
    EXPECT_EQ(read.glossary.entryOfPartRow(1, 2), 2) << "jargon's daemon";
    EXPECT_EQ(read.glossary.entryOfPartRow(0, 0), 1) << "foldoc's cache, jargon's too";
    EXPECT_EQ(read.glossary.entryOfPartRow(0, 2), 4);
    const std::u16string cache = pageOf(read.glossary, u"cache");
    EXPECT_LT(cache.find(articles::heading(u"foldoc")), cache.find(u"foldoc cache"));
    EXPECT_LT(cache.find(u"foldoc cache"), cache.find(articles::heading(u"jargon")));
    EXPECT_LT(cache.find(articles::heading(u"jargon")), cache.find(u"jargon cache"));
    EXPECT_EQ(pageOf(read.glossary, u"bogus"),
              articles::heading(u"jargon") + u"<p>jargon bogus</p>")
        << "among several dictionaries a page names its own";
    std::remove(foldoc.c_str());
    std::remove(jargon.c_str());
}

TEST(DatabaseSet, PagesFollowTheOrderChosenAcrossDatabases) {
    const std::string foldoc = foldocDatabase(), jargon = jargonDatabase();
    const search::SetRead read =
        search::readSet({{foldoc, {u"+foldoc"}}, {jargon, {u"+jargon"}}}, {u"jargon", u"foldoc"});
    const std::u16string cache = pageOf(read.glossary, u"cache");
    EXPECT_LT(cache.find(u"jargon cache"), cache.find(u"foldoc cache"));
    EXPECT_NE(cache.find(u"foldoc cache"), std::u16string::npos);
    std::remove(foldoc.c_str());
    std::remove(jargon.c_str());
}

TEST(DatabaseSet, ADatabaseWithEveryDictionaryOffIsNotOpened) {
    const std::string foldoc = foldocDatabase();
    // Not a database at all: had it been opened, its part would say that it cannot be read.
    const std::string notOne = testing::TempDir() + "set-not-a-database.mdb";
    std::ofstream(notOne, std::ios::binary) << "not a database";
    const search::SetRead read = search::readSet({{notOne, {u"-jargon"}}, {foldoc, {}}}, {});
    EXPECT_EQ(read.members, (std::vector<std::size_t>{1}));
    ASSERT_EQ(read.reads.size(), 1u);
    EXPECT_EQ(read.reads[0].failure, "");
    EXPECT_EQ(read.glossary.size(), 3u);
    EXPECT_FALSE(search::allOff({u"-jargon", u"+foldoc"}));
    EXPECT_FALSE(search::allOff({})) << "a database never chosen in has every dictionary on";
    std::remove(foldoc.c_str());
    std::remove(notOne.c_str());
}

TEST(DatabaseSet, ADatabaseThatCannotBeReadAddsNothingAndSaysWhy) {
    const std::string foldoc = foldocDatabase();
    const std::string gone = testing::TempDir() + "set-gone.mdb";
    std::remove(gone.c_str());
    const search::SetRead read = search::readSet({{gone, {}}, {foldoc, {}}}, {});
    ASSERT_EQ(read.reads.size(), 2u);
    EXPECT_NE(read.reads[0].failure, "");
    EXPECT_EQ(read.reads[1].failure, "");
    EXPECT_EQ(termsOf(read.glossary), (std::vector<std::u16string>{u"cache", u"kernel", u"lisp"}));
    std::remove(foldoc.c_str());
}

TEST(DatabaseSet, ADatabaseDamagedWhileOpenIsLeftOutAndNamedTheRestStays) {
    const std::string foldoc = foldocDatabase(), jargon = jargonDatabase(2400);
    const search::SetRead read = search::readSet({{foldoc, {}}, {jargon, {}}}, {});
    ASSERT_EQ(read.glossary.size(), 2405u);
    EXPECT_TRUE(read.glossary.lostParts().empty());
    {
        // Every page after the first overwritten, as a copy over the open file would.
        std::fstream file(jargon, std::ios::in | std::ios::out | std::ios::binary);
        if (!file.is_open()) {
            // Windows lets no one write a database the glossary holds open: it stays whole.
            EXPECT_NE(pageOf(read.glossary, u"cache").find(u"jargon cache"), std::u16string::npos);
            EXPECT_TRUE(read.glossary.lostParts().empty());
            return;
        }
        file.seekg(0, std::ios::end);
        const std::streamoff size = file.tellg();
        file.seekp(4096);
        const std::string garbage(static_cast<std::size_t>(size - 4096), '\xA5');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    const std::u16string cache = pageOf(read.glossary, u"cache");
    EXPECT_NE(cache.find(u"foldoc cache"), std::u16string::npos) << "the other database stays";
    EXPECT_EQ(cache.find(u"jargon cache"), std::u16string::npos);
    const auto lost = read.glossary.lostParts();
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].first, jargon);
    EXPECT_FALSE(lost[0].second.empty());
    EXPECT_NE(pageOf(read.glossary, u"lisp").find(u"foldoc lisp"), std::u16string::npos);
    std::remove(foldoc.c_str());
    std::remove(jargon.c_str());
}

TEST(DatabaseSet, ASearchInDefinitionsFindsTheTermsOfEveryDatabase) {
    const std::string foldoc = foldocDatabase(), jargon = jargonDatabase();
    const search::SetRead read = search::readSet({{foldoc, {}}, {jargon, {}}}, {});
    std::vector<search::SetSearch::Database> databases;
    for (const auto& [path, terms] : read.glossary.parts())
        databases.push_back({[path = path] { return jet::Database::open(path); }, terms});
    ASSERT_EQ(databases.size(), 2u);
    std::mutex mutex;
    std::condition_variable changed;
    bool news = false;
    search::SetSearch search(databases, [&] {
        const std::lock_guard<std::mutex> lock(mutex);
        news = true;
        changed.notify_all();
    });
    const auto found = [&](const std::u16string& words) {
        const std::uint64_t id = search.start(words);
        std::vector<std::u16string> terms;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                if (!changed.wait_for(lock, std::chrono::seconds(20), [&] { return news; }))
                    return std::vector<std::u16string>{u"(no answer)"};
                news = false;
            }
            const auto progress = search.take();
            if (!progress || progress->search != id || !progress->finished)
                continue;
            for (const std::uint32_t row : progress->rows) {
                const int entry = read.glossary.entryOfRow(row);
                if (entry >= 0)
                    terms.emplace_back(read.glossary.term(static_cast<std::size_t>(entry)));
            }
            std::sort(terms.begin(), terms.end());
            return terms;
        }
    };
    EXPECT_EQ(found(u"daemon"), (std::vector<std::u16string>{u"daemon"})) << "jargon's";
    EXPECT_EQ(found(u"lisp"), (std::vector<std::u16string>{u"kernel", u"lisp"})) << "foldoc's";
    EXPECT_EQ(found(u"cache"), (std::vector<std::u16string>{u"cache", u"cache"}))
        << "a term found in both, once a database";
    std::remove(foldoc.c_str());
    std::remove(jargon.c_str());
}
