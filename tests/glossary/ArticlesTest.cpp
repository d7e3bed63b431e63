// One page per word whatever its case: the rows of a term written in other cases are joined,
// each dictionary once under its heading.
#include "Articles.h"
#include "Glossary.h"

#include <gtest/gtest.h>

using articles::Part;

namespace {

std::u16string named(const std::u16string& source) {
    return articles::heading(source);
}

} // namespace

TEST(Articles, ARowNamesEachDictionaryOnceAndSplitsBackIntoItsParts) {
    const std::vector<Part> parts = {{u"gcide", false, u"<p>Dog, n.</p><hr><p>Dog, v.</p>"},
                                     {u"gcide", true, u"<p>Sundog</p>"},
                                     {u"wn", false, u"<p>dog n 1</p>"}};
    const std::u16string row = articles::write(parts);
    EXPECT_EQ(row,
              u"<!--from gcide-->" + named(u"gcide") +
                  u"<p>Dog, n.</p><hr><p>Dog, v.</p><hr><!--from gcide, mention--><p>Sundog</p>"
                  u"<br><!--from wn-->" +
                  named(u"wn") + u"<p>dog n 1</p>");
    const std::vector<Part> back = articles::split(row);
    ASSERT_EQ(back.size(), 3u);
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].source, parts[i].source);
        EXPECT_EQ(back[i].mention, parts[i].mention);
        EXPECT_EQ(back[i].html, parts[i].html);
    }
    EXPECT_EQ(articles::write(parts, false).find(u"<!--"), std::u16string::npos)
        << "a row no other joins needs no marks";
    EXPECT_EQ(articles::write({{u"foldoc", false, u"<p>x</p>"}}, false), u"<p>x</p>")
        << "one dictionary: no heading";
    const std::vector<Part> odd = articles::split(articles::write({{u"a--b<c>", false, u"x"}}));
    EXPECT_EQ(odd.front().source, u"a--b<c>") << "a name cannot end the comment";
    EXPECT_EQ(articles::split(u"<p>written by hand</p>").front().html, u"<p>written by hand</p>");
}

TEST(Articles, JoinedPageTakesTheTermsOwnCaseFirstAndMentionsLast) {
    // GCIDE files Sundog under "dog"; its own article is under "Dog".
    const std::u16string lower =
        articles::write({{u"gcide", true, u"<p>Sundog</p>"}, {u"wn", false, u"<p>dog n 1</p>"}});
    const std::u16string upper = articles::write({{u"gcide", false, u"<p>Dog, n.</p>"}});
    EXPECT_EQ(articles::join({lower, upper}), named(u"wn") + u"<p>dog n 1</p><br>" +
                                                  named(u"gcide") +
                                                  u"<p>Dog, n.</p><hr><p>Sundog</p>")
        << "WordNet's dog leads; GCIDE's Dog, then the article that only mentions dog";
    EXPECT_EQ(articles::join({upper, lower}), named(u"gcide") +
                                                  u"<p>Dog, n.</p><hr><p>Sundog</p><br>" +
                                                  named(u"wn") + u"<p>dog n 1</p>");
    EXPECT_EQ(articles::join({u"<p>mine</p>", u"<p>other</p>"}), u"<p>mine</p><hr><p>other</p>")
        << "definitions without marks follow one another";
    EXPECT_EQ(articles::join({lower}), lower) << "a term alone is shown as stored";
}

TEST(Articles, APageFollowsTheDictionariesOrderTheExactCaseFirstAndNamesEvenOne) {
    const std::vector<std::u16string> order = {u"foldoc", u"gcide", u"wn", u"english-german"};
    // GCIDE's row is "Dog"; Ding has both.
    const std::u16string lower = articles::write({{u"foldoc", false, u"<p>foldoc dog</p>"},
                                                  {u"gcide", true, u"<p>Sundog</p>"},
                                                  {u"wn", false, u"<p>dog n 1</p>"},
                                                  {u"english-german", false, u"<p>dog Hund</p>"}});
    const std::u16string upper = articles::write(
        {{u"gcide", false, u"<p>Dog, n.</p>"}, {u"english-german", false, u"<p>Dog Hund</p>"}});
    EXPECT_EQ(articles::join({lower, upper}, order),
              named(u"foldoc") + u"<p>foldoc dog</p><br>" + named(u"gcide") +
                  u"<p>Dog, n.</p><hr><p>Sundog</p><br>" + named(u"wn") + u"<p>dog n 1</p><br>" +
                  named(u"english-german") + u"<p>dog Hund</p><hr><p>Dog Hund</p>");
    EXPECT_EQ(articles::join({upper, lower}, order),
              named(u"foldoc") + u"<p>foldoc dog</p><br>" + named(u"gcide") +
                  u"<p>Dog, n.</p><hr><p>Sundog</p><br>" + named(u"wn") + u"<p>dog n 1</p><br>" +
                  named(u"english-german") + u"<p>Dog Hund</p><hr><p>dog Hund</p>")
        << "the same order on the page of Dog, Ding's Dog first there";

    const std::u16string hydrogen = articles::write({{u"gcide", false, u"<p>Hydrogen, n.</p>"}});
    EXPECT_EQ(articles::join({hydrogen}, order), named(u"gcide") + u"<p>Hydrogen, n.</p>")
        << "a word of one dictionary names it";
    EXPECT_EQ(articles::join({hydrogen}, {u"gcide"}), hydrogen) << "no other to tell it from";
    EXPECT_EQ(articles::join({u"<p>by hand</p>"}, order), u"<p>by hand</p>")
        << "a definition of no known dictionary stays as written";
}

TEST(Articles, TheGlossaryShowsEveryCaseOfATermOnOnePage) {
    const Glossary glossary(
        {u"dog", u"Dog", u"DOG", u"dogma", u"Stra\u00DFe", u"stra\u00DFe", u"Gamma", u"gamma"},
        std::vector<std::optional<std::u16string>>{u"d1", u"D2", u"D3", u"m", u"S", u"s",
                                                   std::nullopt, u"g"});
    EXPECT_EQ(*glossary.definitionShownFor(1), u"D2<hr>d1<hr>D3");
    EXPECT_EQ(*glossary.definitionShownFor(0), u"d1<hr>D2<hr>D3");
    EXPECT_EQ(*glossary.definitionShownFor(3), u"m");
    EXPECT_EQ(*glossary.definitionShownFor(5), u"s<hr>S") << "\u00DF and ss fold alike";
    EXPECT_EQ(*glossary.definitionShownFor(6), u"g") << "a null definition is left out";
}
