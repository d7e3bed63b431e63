// The favourites' plain text file: written as any editor reads it, read as editors write it,
// and anything that is not such text refused with its reason.
#include "history/WordListFile.h"

#include <gtest/gtest.h>

using namespace history;
using Words = std::vector<std::u16string>;

TEST(WordListFile, WordsWrittenAreReadBackInOrder) {
    const Words words{u"cache", u"\u00E9cole", u"\u6F22\u5B57", u"\U0001F600 smile"};
    const std::string bytes = writeWordList(words);
    EXPECT_EQ(bytes.substr(0, 7), "cache\r\n") << "UTF-8, a line a word, no byte order mark";
    const WordListReading reading = readWordList(bytes);
    EXPECT_EQ(reading.refusal, "");
    EXPECT_EQ(reading.lines, words);
}

TEST(WordListFile, AWordWithALineBreakIsNotWritten) {
    EXPECT_EQ(writeWordList(Words{u"one", u"two\r\nlines", u"three"}), "one\r\nthree\r\n");
}

TEST(WordListFile, EditorsFormsAreRead) {
    EXPECT_EQ(readWordList("\xEF\xBB\xBF"
                           "cache\nkernel\r\n\r\nlisp")
                  .lines,
              (Words{u"cache", u"kernel", u"", u"lisp"}))
        << "a byte order mark, LF and CR LF, no line end at the end";
    EXPECT_TRUE(readWordList("").lines.empty());
    EXPECT_EQ(readWordList("").refusal, "");
}

TEST(WordListFile, WhatIsNotUtf8TextIsRefusedWithItsReason) {
    const std::string utf16("\xFF\xFE"
                            "c\0a\0",
                            6);
    EXPECT_NE(readWordList(utf16).refusal.find("UTF-16"), std::string::npos);
    const std::string binary("GIF89a\0\0\x01", 9);
    const WordListReading picture = readWordList(binary);
    EXPECT_NE(picture.refusal.find("not text"), std::string::npos) << picture.refusal;
    EXPECT_TRUE(picture.lines.empty()) << "nothing of it taken";
    const WordListReading latin1 = readWordList("cache\n\xE9"
                                                "cole\n");
    EXPECT_NE(latin1.refusal.find("not UTF-8"), std::string::npos);
    EXPECT_NE(latin1.refusal.find("line 2"), std::string::npos) << latin1.refusal;
    EXPECT_TRUE(latin1.lines.empty());
    EXPECT_NE(readWordList(std::string(2000, 'a')).refusal.find("too long"), std::string::npos);
}
