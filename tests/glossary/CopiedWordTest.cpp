// The word a look-up from another program takes from what was copied, and Ctrl+C twice.
#include "CopiedWord.h"

#include <gtest/gtest.h>

#include <string>

TEST(CopiedWord, BlanksAndPunctuationAroundTheWordAreTrimmed) {
    EXPECT_EQ(copiedWord(u"  dog\r\n"), u"dog");
    EXPECT_EQ(copiedWord(u"\u201Cdog,\u201D"), u"dog");
    EXPECT_EQ(copiedWord(u"(compression)."), u"compression");
    EXPECT_EQ(copiedWord(u"\u00ABHaus\u00BB\u00A0"), u"Haus");
    EXPECT_EQ(copiedWord(u"\u3000\u300C\u6f22\u5b57\u300D\u3002"), u"\u6f22\u5b57");
}

TEST(CopiedWord, PunctuationInsideAndTheMarksOfNamesStay) {
    EXPECT_EQ(copiedWord(u"ice cream"), u"ice cream");
    EXPECT_EQ(copiedWord(u"C++"), u"C++");
    EXPECT_EQ(copiedWord(u" C#,"), u"C#");
    EXPECT_EQ(copiedWord(u"don't"), u"don't");
}

TEST(CopiedWord, APassageOrNothingAsksForNoLookUp) {
    EXPECT_EQ(copiedWord(u""), u"");
    EXPECT_EQ(copiedWord(u" \t\r\n.,;"), u"");
    EXPECT_EQ(copiedWord(u"one line\r\nand another"), u"") << "a line break inside";
    EXPECT_EQ(copiedWord(u"a\u0001b"), u"");
    EXPECT_EQ(copiedWord(std::u16string(kMostCopiedCharacters, u'a')),
              std::u16string(kMostCopiedCharacters, u'a'));
    EXPECT_EQ(copiedWord(std::u16string(kMostCopiedCharacters + 1, u'a')), u"");
    EXPECT_EQ(copiedWord(std::u16string(1 << 20, u'a')), u"");
}

TEST(CopiedTwice, TheSameTextCopiedTwiceWithinTheIntervalIsAPair) {
    CopiedTwice copies(500);
    EXPECT_FALSE(copies.copied(u"dog", 1000));
    EXPECT_TRUE(copies.copied(u"dog", 1400));
    EXPECT_FALSE(copies.copied(u"dog", 1500)) << "a third copy starts a new pair";
    EXPECT_TRUE(copies.copied(u"dog", 1600));
}

TEST(CopiedTwice, AnotherTextALateCopyOrNothingBetweenIsNoPair) {
    CopiedTwice copies(500);
    EXPECT_FALSE(copies.copied(u"dog", 1000));
    EXPECT_FALSE(copies.copied(u"cat", 1100));
    EXPECT_FALSE(copies.copied(u"cat", 1700)) << "601 ms after the first cat";
    EXPECT_FALSE(copies.copied(u"", 1750));
    EXPECT_FALSE(copies.copied(u"", 1800)) << "nothing twice is nothing";
    EXPECT_FALSE(copies.copied(u"cat", 1850));
    EXPECT_FALSE(copies.copied(u"", 1900));
    EXPECT_FALSE(copies.copied(u"cat", 1950)) << "an image between the copies";
}

TEST(CopiedTwice, TheTickCountMayWrapBetweenTheCopies) {
    CopiedTwice copies(500);
    EXPECT_FALSE(copies.copied(u"dog", 0xFFFFFF00u));
    EXPECT_TRUE(copies.copied(u"dog", 0x00000010u));
}
