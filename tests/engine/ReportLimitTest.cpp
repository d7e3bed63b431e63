#include "engine/ReportLimit.h"

#include <gtest/gtest.h>

TEST(ReportLimit, ALongItemIsCutAtACharacterWithTheCountOfWhatWasLeftOut) {
    ReportLimit limit;
    EXPECT_EQ(limit.line("Files", "C:\\a.txt", "removed"), "Files\tC:\\a.txt\tremoved");
    // "é" is two bytes: the cut does not split it.
    const std::string item = std::string(ReportLimit::kMaxItem - 1, 'x') + "\xC3\xA9" + "yz";
    EXPECT_EQ(limit.line("Files", item, "kept"),
              "Files\t" + std::string(ReportLimit::kMaxItem - 1, 'x') + "... (4 more bytes)\tkept");
    EXPECT_EQ(limit.line("Files", std::string(1 << 20, '\0'), "kept").size(),
              std::string("Files\t\tkept... (1,047,552 more bytes)").size() +
                  ReportLimit::kMaxItem);
}

TEST(ReportLimit, LinesOfOneKindPastTheFirstHundredAreCountedOnce) {
    ReportLimit limit;
    int written = 0;
    for (int i = 0; i < 12445; ++i) {
        written += !limit.line("Files", "item " + std::to_string(i), "kept: not a path").empty();
        if (i % 1000 == 0) {
            EXPECT_FALSE(limit.line("Folders", "f", "removed").empty()) << "another kind goes on";
        }
    }
    EXPECT_EQ(written, ReportLimit::kMaxAlike);
    const std::vector<std::string> counted = limit.countedLines();
    ASSERT_EQ(counted.size(), 1u);
    EXPECT_EQ(counted[0], "Files\t... and 12,345 more lines like this\tkept: not a path");
}

TEST(ReportLimit, NumbersAreGroupedByThousands) {
    EXPECT_EQ(groupedNumber(0), "0");
    EXPECT_EQ(groupedNumber(999), "999");
    EXPECT_EQ(groupedNumber(1000), "1,000");
    EXPECT_EQ(groupedNumber(12345678), "12,345,678");
}
