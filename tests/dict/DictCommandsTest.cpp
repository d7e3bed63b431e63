// The commands the glossary sends: a word goes as one argument whatever it holds, and a line
// the server could not read is never sent.
#include "dict/Commands.h"
#include "dict/Tokens.h"

#include <gtest/gtest.h>

#include <string>

TEST(DictCommands, AWordGoesAsOneArgumentQuotedOnlyWhenItMustBe) {
    EXPECT_EQ(dict::defineCommand("*", "iron"), "DEFINE * iron\r\n");
    EXPECT_EQ(dict::defineCommand("devil", "free will"), "DEFINE devil \"free will\"\r\n");
    EXPECT_EQ(dict::matchCommand("*", "lev", "say \"hi\\\""),
              "MATCH * lev \"say \\\"hi\\\\\\\"\"\r\n");
    EXPECT_EQ(dict::defineCommand("*", ""), "DEFINE * \"\"\r\n");
}

TEST(DictCommands, EveryWordReadsBackAsItself) {
    for (const std::string word : {"iron", "free will", "it's", "a\"b", "back\\slash", "", " lead",
                                   "\xC3\xA9t\xC3\xA9", "'\"\\'"}) {
        const std::string sent = dict::argument(word);
        std::string_view rest = sent;
        const auto back = dict::takeToken(rest);
        ASSERT_TRUE(back.has_value()) << word;
        EXPECT_EQ(*back, word);
        EXPECT_TRUE(rest.empty()) << word;
    }
}

TEST(DictCommands, ALineBreakOrTooLongAWordIsNeverSent) {
    EXPECT_FALSE(dict::defineCommand("*", "two\r\nQUIT"));
    EXPECT_FALSE(dict::matchCommand("*", "lev", "a\nb"));
    EXPECT_FALSE(dict::defineCommand("*", std::string("nul\0x", 5)));
    EXPECT_FALSE(dict::defineCommand("*", std::string(1100, 'w')));
    EXPECT_TRUE(dict::defineCommand("*", std::string(1000, 'w')));
}
