// Finding text in a page: case and accents ignored as the term search ignores them, whole
// letters marked, next and previous from where the last one was found.
#include "text/TextFind.h"

#include <gtest/gtest.h>

#include <string>

using text::findText;
using text::findTextAround;
using text::Span;

TEST(TextFind, IgnoresCaseAndAccentsUnlessCaseIsToMatch) {
    const std::u16string page = u"Die \u00C9cole, the ECOLE and an ecole.";
    EXPECT_EQ(findText(page, u"ecole", 0, true), (Span{4, 9})) << "accented capital first";
    EXPECT_EQ(findText(page, u"\u00E9COLE", 5, true), (Span{15, 20}));
    EXPECT_EQ(findText(page, u"ecole", 0, true, true), (Span{28, 33})) << "as written only";
    EXPECT_EQ(findText(page, u"Ecole", 0, true, true), std::nullopt);
    EXPECT_EQ(findText(page, u"", 0, true), std::nullopt) << "nothing to find";
    EXPECT_EQ(findText(u"", u"x", 0, true), std::nullopt);
    EXPECT_EQ(findText(page, u"school", 0, true), std::nullopt);
}

TEST(TextFind, AMatchCoversWholeLetters) {
    // "ß" folds to "ss": any part of it found marks all of it.
    const std::u16string street = u"Stra\u00DFe";
    EXPECT_EQ(findText(street, u"STRASSE", 0, true), (Span{0, 6}));
    EXPECT_EQ(findText(street, u"se", 0, true), (Span{4, 6}));
    EXPECT_EQ(findText(street, u"as", 0, true), (Span{3, 5}));
    // A letter outside the first plane is two units, found and marked as one.
    const std::u16string deseret = u"a\U00010400b";
    EXPECT_EQ(findText(deseret, u"\U00010428", 0, true), (Span{1, 3}));
    EXPECT_EQ(findText(deseret, u"b", 2, true), (Span{3, 4})) << "from inside the pair";
    const std::u16string lone = {u'x', 0xD801, u'y'};
    EXPECT_EQ(findText(lone, u"y", 0, true), (Span{2, 3})) << "a lone surrogate is a letter";
}

TEST(TextFind, NextAndPreviousFromWhereTheLastWasFound) {
    const std::u16string page = u"run, Run, RUN";
    EXPECT_EQ(findText(page, u"run", 0, true), (Span{0, 3}));
    EXPECT_EQ(findText(page, u"run", 3, true), (Span{5, 8})) << "after the last one found";
    EXPECT_EQ(findText(page, u"run", 10, true), (Span{10, 13}));
    EXPECT_EQ(findText(page, u"run", 11, true), std::nullopt) << "none after the last";
    EXPECT_EQ(findText(page, u"run", 10, false), (Span{5, 8})) << "before the one found";
    EXPECT_EQ(findText(page, u"run", 5, false), (Span{0, 3}));
    EXPECT_EQ(findText(page, u"run", 0, false), std::nullopt) << "none before the first";
    EXPECT_EQ(findText(page, u"run", page.size(), false), (Span{10, 13}));
    EXPECT_EQ(findText(page, u"run", 1000, true), std::nullopt) << "from beyond the end";

    // Around the page: past the last, the first again, and back.
    EXPECT_EQ(findTextAround(page, u"run", 11, true), (Span{0, 3}));
    EXPECT_EQ(findTextAround(page, u"run", 0, false), (Span{10, 13}));
    EXPECT_EQ(findTextAround(u"one run", u"run", 4, true), (Span{4, 7})) << "the only one";
    EXPECT_EQ(findTextAround(page, u"walk", 0, true), std::nullopt);
}
