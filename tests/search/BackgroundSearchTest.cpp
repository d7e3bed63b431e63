// The search in definitions on its own thread: the answers of the search in the foreground,
// the newest text's alone, and a clear failure for a database that cannot be read.
#include "SearchTestDatabase.h"

#include "jet/JetError.h"
#include "search/BackgroundSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

using search::BackgroundSearch;

namespace {

using Clock = std::chrono::steady_clock;

// The finished answer to search `id`, waiting at most ten seconds; every news taken on the way
// goes to `seen`.
std::optional<BackgroundSearch::Progress>
answerTo(BackgroundSearch& search, std::uint64_t id,
         std::vector<BackgroundSearch::Progress>* seen = nullptr) {
    for (const auto deadline = Clock::now() + std::chrono::seconds(10); Clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
        std::optional<BackgroundSearch::Progress> news = search.take();
        if (!news)
            continue;
        if (seen != nullptr)
            seen->push_back(*news);
        if (news->finished && news->search == id)
            return news;
    }
    return std::nullopt;
}

std::vector<DictionaryEntry> haystack(std::size_t rows) {
    std::vector<DictionaryEntry> entries;
    for (std::size_t row = 0; row < rows; ++row)
        entries.push_back({u"term " + std::u16string(1, static_cast<char16_t>(u'a' + row % 26)),
                           row % 97 == 5 ? u"a needle in the hay" : u"hay and more hay",
                           {}});
    return entries;
}

} // namespace

TEST(BackgroundSearch, AnswersAsTheSearchInTheForegroundWithTheIndexAndWithout) {
    for (const bool withIndex : {true, false}) {
        const SearchTestDatabase db(haystack(500), {u"test"}, withIndex);
        std::atomic<int> told{0};
        BackgroundSearch search([&db] { return db.database; }, db.terms.size(),
                                [&told] { ++told; });
        // Reading ahead meanwhile changes no answer.
        search.readAhead();
        for (const char16_t* query : {u"needle", u"HAY needle", u"\"the hay\"", u"nothing"}) {
            const std::uint64_t id = search.start(query);
            const auto answer = answerTo(search, id);
            ASSERT_TRUE(answer) << "no answer in time";
            EXPECT_EQ(answer->indexed, withIndex);
            EXPECT_FALSE(answer->failed);
            EXPECT_EQ(answer->rows, db.foundRows(query));
        }
        EXPECT_GE(told.load(), 4) << "each answer is told";
    }
}

TEST(BackgroundSearch, ANewTextCancelsTheOneBeforeAndOnlyTheNewestAnswers) {
    const SearchTestDatabase db(haystack(20000), {u"test"}, false);
    BackgroundSearch search([&db] { return db.database; }, db.terms.size(), [] {});
    const std::uint64_t first = search.start(u"hay");
    const std::uint64_t second = search.start(u"needle");
    std::vector<BackgroundSearch::Progress> seen;
    const auto answer = answerTo(search, second, &seen);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->rows, db.foundRows(u"needle"));
    for (const BackgroundSearch::Progress& news : seen) {
        EXPECT_NE(news.search, first) << "the first search's news is never taken";
        EXPECT_LE(news.rowsRead, news.rowCount);
    }

    // Cancelled, a search tells nothing more.
    search.start(u"hay");
    search.cancel();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(search.take());
}

TEST(BackgroundSearch, ADatabaseThatCannotBeReadIsAFailedSearch) {
    BackgroundSearch search([]() -> jet::Database { throw JetError("not a database"); }, 10, [] {});
    const auto answer = answerTo(search, search.start(u"anything"));
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->failed);
    EXPECT_TRUE(answer->rows.empty());
}

TEST(BackgroundSearch, ALongAnswerTellsFirstTheTermsThatHoldTheWordsInTheAnswersOrder) {
    std::vector<DictionaryEntry> entries = haystack(20000);
    for (std::size_t row = 0; row < entries.size(); row += 100)
        entries[row].term = u"hay " + entries[row].term;
    const SearchTestDatabase db(entries, {u"test"}, true);
    // Every news taken as it is told, so that none is overtaken by the next.
    std::mutex mutex;
    std::vector<BackgroundSearch::Progress> seen;
    std::unique_ptr<BackgroundSearch> search;
    search = std::make_unique<BackgroundSearch>([&db] { return db.database; }, db.terms.size(),
                                                [&] {
                                                    const std::lock_guard<std::mutex> lock(mutex);
                                                    if (auto news = search->take())
                                                        seen.push_back(std::move(*news));
                                                });
    search->start(u"hay");
    const auto finished = [&] {
        const std::lock_guard<std::mutex> lock(mutex);
        return !seen.empty() && seen.back().finished;
    };
    for (int waited = 0; waited < 10000 && !finished(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(finished());
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_FALSE(seen[0].finished);
        EXPECT_FALSE(seen[1].finished);
        EXPECT_EQ(seen[0].rows.size(), 100u) << "a screenful first, before the rest is read";
        EXPECT_EQ(seen[1].rows.size(), 200u) << "the terms that hold the word";
        const std::vector<std::uint32_t>& all = seen[2].rows;
        EXPECT_EQ(all, db.foundRows(u"hay"));
        ASSERT_GE(all.size(), seen[1].rows.size());
        for (const std::vector<std::uint32_t>* told : {&seen[0].rows, &seen[1].rows})
            EXPECT_TRUE(std::equal(told->begin(), told->end(), all.begin()))
                << "the answer begins with them";
        seen.clear();
    }

    // A short answer is told once.
    search->start(u"needle");
    for (int waited = 0; waited < 10000 && !finished(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(seen.size(), 1u);
}

TEST(BackgroundSearch, ASearchOfACommonWordOrAPhraseOnALargeDatabaseStopsWithinATenthOfASecond) {
    // Every entry holds the words in its term and its text: the longest loops there are, over
    // every entry of the index and every row of the table.
    const SearchTestDatabase db(haystack(200000), {u"test"}, true);
    for (const char16_t* query : {u"term hay", u"\"more hay\""}) {
        std::atomic<bool> opened{false};
        auto search = std::make_unique<BackgroundSearch>(
            [&] {
                opened = true;
                return db.database;
            },
            db.terms.size(), [] {});
        search->start(query);
        for (int waited = 0; waited < 10000 && !opened; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(opened);
        // Well into the search's loops (the whole search takes some hundred milliseconds).
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const auto before = Clock::now();
        search.reset(); // as the window does when it closes or opens another database
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before);
        EXPECT_LT(waited.count(), 100) << (query[0] == u'"' ? "a phrase" : "common words");
    }
}

TEST(BackgroundSearch, ClosingWhileTheDatabaseStillOpensWaitsATenthOfASecondAtMost) {
    // What the search's thread uses, it holds: the thread may end after the test's body.
    const auto db = std::make_shared<const SearchTestDatabase>(
        haystack(100), std::vector<std::u16string>{u"test"}, true);
    // Opening a large database cannot be cancelled: this one opens once it is let, a second
    // after the close at the latest.
    const auto let = std::make_shared<std::promise<void>>();
    const std::shared_future<void> opens = let->get_future().share();
    const auto opening = std::make_shared<std::atomic<bool>>(false);
    auto held = std::make_shared<int>(0); // the search's alone, once it has it
    const std::weak_ptr<int> worker = held;
    auto search = std::make_unique<BackgroundSearch>(
        [db, opens, opening, held] {
            *opening = true;
            opens.wait();
            return db->database;
        },
        db->terms.size(), [] {});
    held.reset();
    search->start(u"hay");
    for (int waited = 0; waited < 10000 && !*opening; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(*opening);
    std::thread letter([let] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        let->set_value();
    });
    const auto before = Clock::now();
    search.reset(); // as the window does when it closes or opens another database
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before);
    EXPECT_LT(waited.count(), 100);
    letter.join();
    // The thread then ends by itself, and lets go of what it held.
    for (int looked = 0; looked < 10000 && !worker.expired(); ++looked)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(worker.expired());
}
