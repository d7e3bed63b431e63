#include "dictbuild/RowQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

DictionaryEntry entryOf(std::uint32_t row) {
    DictionaryEntry entry;
    entry.term = u"term " + std::u16string(1, static_cast<char16_t>(u'a' + row % 26));
    // Now and then a text longer than the queue holds at once.
    if (row % 3 != 0)
        entry.definition = std::u16string(row % 997 == 0 ? 5000 : row % 50, u'x');
    return entry;
}

TEST(RowQueueTest, EveryRowIsWorkedOnOnceInOrderWithItsTexts) {
    std::vector<std::uint32_t> seen;
    std::size_t wrong = 0;
    {
        RowQueue queue(
            [&](std::uint32_t row, DictionaryEntry& entry) {
                seen.push_back(row);
                const DictionaryEntry expected = entryOf(row);
                wrong += entry.term != expected.term || entry.definition != expected.definition;
            },
            1000);
        for (std::uint32_t row = 0; row < 20000; ++row)
            queue.push(row, entryOf(row));
        queue.finish();
        ASSERT_EQ(seen.size(), 20000u); // all done when finish() returns
    }
    for (std::uint32_t row = 0; row < seen.size(); ++row)
        ASSERT_EQ(seen[row], row);
    EXPECT_EQ(wrong, 0u);
}

TEST(RowQueueTest, TheImportWaitsRatherThanLetMoreThanTheLimitWait) {
    // The characters handed over and not yet worked on, as the work sees them: never more than
    // the limit, but for one batch (256 rows or 256 K characters) or one row larger than it.
    constexpr std::size_t kLimit = 300000;
    std::atomic<std::size_t> pushed{0};
    std::size_t done = 0, most = 0, sum = 0;
    RowQueue queue(
        [&](std::uint32_t, DictionaryEntry& entry) {
            most = std::max(most, pushed.load() - done);
            // Slower than the import's side, which would otherwise run far ahead.
            for (int pass = 0; pass < 50; ++pass) {
                for (const char16_t c : *entry.definition)
                    sum = sum * 31 + c;
            }
            done += entry.term.size() + entry.definition->size();
        },
        kLimit);
    for (std::uint32_t row = 0; row < 4000; ++row) {
        DictionaryEntry entry;
        entry.term = u"t";
        entry.definition = std::u16string(999, u'x');
        pushed += 1000;
        queue.push(row, std::move(entry));
    }
    queue.finish();
    EXPECT_EQ(done, 4000u * 1000u);
    EXPECT_LE(most, kLimit + 2 * 256 * 1000);
    EXPECT_NE(sum, 1u); // the work is not optimised away
}

TEST(RowQueueTest, AFailureOfTheWorkIsThrownToTheImportAndStopsTheRest) {
    std::uint32_t last = 0;
    RowQueue queue(
        [&](std::uint32_t row, DictionaryEntry&) {
            last = row;
            if (row == 700)
                throw std::length_error("too many words");
        },
        100000);
    bool thrown = false;
    try {
        for (std::uint32_t row = 0; row < 5000; ++row)
            queue.push(row, entryOf(row));
        queue.finish();
    } catch (const std::length_error& error) {
        thrown = std::string(error.what()) == "too many words";
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(last, 700u);
}

TEST(RowQueueTest, AnImportThatStopsEndsTheThreadWithoutWorkingOnWhatWaits) {
    std::vector<std::uint32_t> seen;
    {
        RowQueue queue([&](std::uint32_t row, DictionaryEntry&) { seen.push_back(row); }, 1u << 30);
        for (std::uint32_t row = 0; row < 100000; ++row)
            queue.push(row, entryOf(row));
        // Destroyed without finish(), as when the import fails: no wait for the rest.
    }
    // What was worked on is the rows' beginning; the last batch, never handed over, is not.
    EXPECT_LE(seen.size(), 100000u - 100000u % 256);
    for (std::uint32_t row = 0; row < seen.size(); ++row)
        ASSERT_EQ(seen[row], row);
}

} // namespace
