#include "Glossary.h"
#include "jet/JetFixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using Definitions = std::vector<std::optional<std::u16string>>;

namespace {

Glossary sample() {
    return Glossary({u"Alpha", u"beta", u"Beta", u"Gamma", u"Alpha", u"Delta"},
                    Definitions{u"first alpha", u"lower beta", u"upper beta", std::nullopt,
                                u"second alpha", u"d"});
}

} // namespace

TEST(GlossarySearch, EmptyTextSelectsTheFirstTerm) {
    EXPECT_EQ(sample().search(u""), 0);
}

TEST(GlossarySearch, PrefixesMatchIgnoringCase) {
    const Glossary glossary = sample();
    EXPECT_EQ(glossary.search(u"BE"), 1);
    EXPECT_EQ(glossary.search(u"gam"), 3);
    EXPECT_EQ(glossary.search(u"delta"), 5);
    EXPECT_EQ(glossary.search(u"x"), -1) << "no match";
    EXPECT_EQ(glossary.search(u"Deltas"), -1) << "longer than the term";
}

TEST(GlossarySearch, LatinAndOtherScriptsFoldToo) {
    const Glossary glossary({u"\u00c9t\u00e9", u"\u0416\u0443\u043a"}, Definitions{u"a", u"b"});
    EXPECT_EQ(glossary.search(u"\u00e9T"), 0);
    EXPECT_EQ(glossary.search(u"\u0436\u0423"), 1);
}

TEST(GlossaryLookup, ExactCaseAndTheFirstOfEqualTerms) {
    const Glossary glossary = sample();
    EXPECT_EQ(*glossary.definitionOf(u"Alpha"), u"first alpha")
        << "duplicates show the first record";
    EXPECT_EQ(*glossary.definitionOf(u"Beta"), u"upper beta");
    EXPECT_EQ(*glossary.definitionOf(u"beta"), u"lower beta");
    EXPECT_FALSE(glossary.definitionOf(u"ALPHA").has_value()) << "lookup is case-sensitive";
    EXPECT_FALSE(glossary.definitionOf(u"Gamma").has_value()) << "a null definition keeps the page";
}

TEST(GlossaryPage, IsTheSixPiecesUnescaped) {
    EXPECT_EQ(Glossary::page(u"A&B", u"<i>x</i>"),
              u"<B><font color=#336699 face= 'MS Sans Serif' Size=3>A&B:</B></font><BR><BR><font "
              u"face = 'MS "
              u"Sans Serif' color = 'black' size = 2><p class='MsoNormal' "
              u"style='text-align:justify'><i>x</i></font>");
}

TEST(GlossaryLoad, MissingOrDamagedDatabaseGivesAnEmptyList) {
    EXPECT_TRUE(Glossary::load("/nonexistent/Dict.mdb").terms().empty());
    const std::string path = ::testing::TempDir() + "not-a-database.mdb";
    std::ofstream(path, std::ios::binary) << std::string(10000, 'x');
    EXPECT_TRUE(Glossary::load(path).terms().empty());
    std::remove(path.c_str());
}

TEST(GlossaryLoad, ReadsTermsAndNullDefinitionsInTableOrder) {
    using namespace fixtures;
    const Rows rows = {{integer(1), text(u"Zeta"), text(u"last letter")},
                       {integer(2), text(u"Alpha"), null()}};
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    const std::string path = ::testing::TempDir() + "glossary-load.mdb";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const Glossary glossary = Glossary::load(path);
    std::remove(path.c_str());
    ASSERT_EQ(glossary.terms().size(), 2u);
    EXPECT_EQ(glossary.terms()[0], u"Zeta") << "table order, not sorted";
    EXPECT_FALSE(glossary.definitionOf(u"Alpha").has_value());
    EXPECT_EQ(*glossary.definitionOf(u"Zeta"), u"last letter");
}
