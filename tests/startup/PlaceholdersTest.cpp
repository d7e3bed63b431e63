#include "base/Placeholders.h"

#include <gtest/gtest.h>

TEST(Placeholders, OnlyTheFirstOccurrenceIsFilled) {
    std::string text = "Remove %1? %1 stays.";
    fillPlaceholder(text, "Product");
    EXPECT_EQ(text, "Remove Product? %1 stays.");
    std::string none = "no placeholder";
    fillPlaceholder(none, "x");
    EXPECT_EQ(none, "no placeholder");
}

TEST(Placeholders, SecondIsFilledInTheTextAsTheFirstLeftIt) {
    std::string text = "%1 in %2";
    fillPlaceholders(text, "a.dll", "C:\\App");
    EXPECT_EQ(text, "a.dll in C:\\App");
    std::string brought = "%1 then %2";
    fillPlaceholders(brought, "[%2]", "X");
    EXPECT_EQ(brought, "[X] then %2") << "a %2 that the first value brought in comes first";
    std::string onlySecond = "only %2";
    fillPlaceholders(onlySecond, "a", "b");
    EXPECT_EQ(onlySecond, "only b");
}
