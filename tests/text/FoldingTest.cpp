// The one rule for comparing text: full case folding, letters without accents, and the order
// of terms.
#include "text/Folding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using text::collate;
using text::foldAccents;
using text::foldCase;

TEST(Folding, FullCaseFoldingOfEveryScript) {
    EXPECT_EQ(foldCase(u"STRASSE"), foldCase(u"Stra\u00DFe"));
    EXPECT_EQ(foldCase(u"\u1E9E"), u"ss") << "capital sharp s";
    EXPECT_EQ(foldCase(u"\u0141\u00F3d\u017A"), u"\u0142\u00F3d\u017A") << "L with stroke";
    EXPECT_EQ(foldCase(u"\u039F\u0394\u039F\u03A3"), foldCase(u"\u03BF\u03B4\u03BF\u03C2"))
        << "capital and final sigma";
    EXPECT_EQ(foldCase(u"\u0416\u0401"), u"\u0436\u0451");
    EXPECT_EQ(foldCase(u"\U00010400"), u"\U00010428") << "outside the first plane";
    const std::u16string lone = {0xD801, u'x'};
    EXPECT_EQ(foldCase(lone), lone) << "a lone surrogate stays";
    EXPECT_EQ(foldCase(u"\u4E2D\u6587 Abc"), u"\u4E2D\u6587 abc");
}

TEST(Folding, LettersWithoutTheirAccents) {
    EXPECT_EQ(foldAccents(u"\u00C9cole"), u"ecole");
    EXPECT_EQ(foldAccents(u"\u0141\u00F3d\u017A"), u"lodz") << "the stroke goes as well";
    EXPECT_EQ(foldAccents(u"Stra\u00DFe"), u"strasse");
    EXPECT_EQ(foldAccents(u"\u1EC7 \u01D6 \u00F8"), u"e u o") << "two marks on one letter";
    EXPECT_EQ(foldAccents(u"\u1F0F\u0419"), u"\u03B1\u0438") << "Greek and Cyrillic";
    EXPECT_TRUE(text::beginsWithLetters(u"Stra\u00DFe", u"strass"));
    EXPECT_TRUE(text::beginsWithLetters(u"\u00C9cole", u""));
    EXPECT_FALSE(text::beginsWithLetters(u"\u00C9cole", u"ecoles"));
    EXPECT_FALSE(text::beginsWithLetters(u"\u00C9cole", u"ea"));
}

TEST(Folding, ATextBeginsWithTheLettersOfItsFoldingWhateverItsFirstCharacter) {
    // Every first character, plain or not, before letters of either kind.
    for (char32_t first = 1; first < 0x250; ++first) {
        const std::u16string text = std::u16string(1, static_cast<char16_t>(first)) + u"b\u00E9";
        const std::u16string folded = foldAccents(text);
        for (std::size_t length = 1; length <= folded.size(); ++length)
            EXPECT_TRUE(text::beginsWithLetters(text, folded.substr(0, length)))
                << static_cast<unsigned>(first) << " " << length;
        EXPECT_FALSE(text::beginsWithLetters(text, u"\u00E9")) << static_cast<unsigned>(first);
        if (folded[0] != u'q') {
            EXPECT_FALSE(text::beginsWithLetters(text, u"q")) << static_cast<unsigned>(first);
        }
    }
}

TEST(Folding, OrderLettersThenAccentsThenCaseThenCodeUnits) {
    std::vector<std::u16string> terms = {u"\u00E9coles",
                                         u"\u00C9cole",
                                         u"Ecole",
                                         u"\u00E9cole",
                                         u"ecole",
                                         u"zoulou",
                                         u"\u0430\u0431\u0432",
                                         u"\u03B1\u03B2",
                                         u"\u4E2D",
                                         u"10",
                                         u"9",
                                         u"-x",
                                         u"ecolf",
                                         u"\uFF21",
                                         u"Stra\u00DFe",
                                         u"strasse",
                                         u"Strasse"};
    std::sort(terms.begin(), terms.end(),
              [](const std::u16string& a, const std::u16string& b) { return collate(a, b) < 0; });
    EXPECT_EQ(terms, (std::vector<std::u16string>{
                         u"-x", u"10", u"9", u"ecole", u"Ecole", u"\u00E9cole", u"\u00C9cole",
                         u"\u00E9coles", u"ecolf", u"strasse", u"Strasse", u"Stra\u00DFe",
                         u"zoulou", u"\u03B1\u03B2", u"\u0430\u0431\u0432", u"\u4E2D", u"\uFF21"}));
    EXPECT_EQ(collate(u"abc", u"abc"), 0);
    EXPECT_LT(collate(u"ss", u"\u00DF"), 0) << "unequal texts never compare equal";
    EXPECT_GT(collate(u"\u00DF", u"ss"), 0);
}
