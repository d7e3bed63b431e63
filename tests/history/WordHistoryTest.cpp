// The words looked up: newest first, each once, at most 500, searched as the term search
// compares, and a word still being typed counted once.
#include "history/WordHistory.h"

#include <gtest/gtest.h>

using history::WordHistory;
using Words = std::vector<std::u16string>;

TEST(WordHistory, TheNewestWordComesFirstAndAWordLookedUpAgainMovesToTheTop) {
    WordHistory words;
    for (const char16_t* word : {u"cache", u"compiler", u"kernel", u"cache"})
        words.add(word);
    EXPECT_EQ(words.words(), (Words{u"cache", u"kernel", u"compiler"}));
}

TEST(WordHistory, KeepsTheLast500Words) {
    WordHistory words;
    for (int i = 0; i < 600; ++i) {
        const std::string n = std::to_string(i);
        words.add(std::u16string(n.begin(), n.end()));
    }
    ASSERT_EQ(words.words().size(), 500u);
    EXPECT_EQ(words.words().front(), u"599");
    EXPECT_EQ(words.words().back(), u"100");
}

TEST(WordHistory, AWordStillBeingTypedTakesThePlaceOfItsBeginning) {
    WordHistory words(Words{u"cat", u"dog"});
    words.add(u"ca");
    words.add(u"cab", true);
    EXPECT_EQ(words.words(), (Words{u"cab", u"cat", u"dog"}))
        << "cat, looked up before, keeps its place";
    words.add(u"do");
    words.add(u"dog", true);
    EXPECT_EQ(words.words(), (Words{u"dog", u"cab", u"cat"}));
}

TEST(WordHistory, AWordDeletedOrClearedStaysGoneWhileTheNextIsTyped) {
    WordHistory words(Words{u"cat", u"dog"});
    words.add(u"ca");
    words.remove(1);
    words.add(u"cab", true);
    EXPECT_EQ(words.words(), (Words{u"cab", u"ca", u"dog"}));
    words.clear();
    words.add(u"cabs", true);
    EXPECT_EQ(words.words(), (Words{u"cabs"}));
}

TEST(WordHistory, KeptWordsLoseBlanksRepeatsAndLineBreaks) {
    const WordHistory words(Words{u" cat ", u"", u"\uFEFFcat", u"two\nlines", u"\t", u"dog"});
    EXPECT_EQ(words.words(), (Words{u"cat", u"dog"}));
}

TEST(WordHistory, SearchIgnoresCaseAndAccents) {
    const WordHistory words(Words{u"\u00C9cole", u"cache", u"Stra\u00DFe", u"scholar"});
    EXPECT_EQ(words.matching(u"ECOL"), (std::vector<std::size_t>{0}));
    EXPECT_EQ(words.matching(u"strasse"), (std::vector<std::size_t>{2}));
    EXPECT_EQ(words.matching(u"ch"), (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(words.matching(u""), (std::vector<std::size_t>{0, 1, 2, 3}));
}
