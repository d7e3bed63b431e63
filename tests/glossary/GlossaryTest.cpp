#include "Glossary.h"
#include "jet/JetFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

using Definitions = std::vector<std::optional<std::u16string>>;

namespace {

Glossary sample() {
    return Glossary({u"Alpha", u"beta", u"Beta", u"Gamma", u"Alpha", u"Delta"},
                    Definitions{u"first alpha", u"lower beta", u"upper beta", std::nullopt,
                                u"second alpha", u"d"});
}

// The glossary as the program loads it from these database bytes.
Glossary loaded(const std::vector<std::uint8_t>& bytes, const char* name) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    Glossary glossary = Glossary::load(path);
    std::remove(path.c_str());
    return glossary;
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
    const Glossary glossary = loaded(bytes, "glossary-load.mdb");
    ASSERT_EQ(glossary.terms().size(), 2u);
    EXPECT_EQ(glossary.terms()[0], u"Zeta") << "table order, not sorted";
    EXPECT_FALSE(glossary.definitionOf(u"Alpha").has_value());
    EXPECT_EQ(*glossary.definitionOf(u"Zeta"), u"last letter");
}

TEST(GlossaryLoad, DamageOutsideTermAndDefinitionLosesNoRowAndRowsWithoutATermAreLeftOut) {
    using namespace fixtures;
    // Long values in the first and the last column, on pages of their own, then damaged.
    const std::u16string notes(6000, u'N'), extra(6000, u'X');
    Rows rows;
    for (int i = 0; i < 5; ++i)
        rows.push_back({text(notes), text(u"Term " + std::u16string(1, u'A' + i)),
                        text(u"Definition " + std::u16string(1, u'A' + i)), text(extra)});
    rows.push_back({text(notes), null(), text(u"of no term"), text(extra)});
    auto bytes = build({},
                       {{u"notes", jet::kMemo},
                        {u"term", jet::kText},
                        {u"definition", jet::kMemo},
                        {u"extra", jet::kMemo}},
                       rows, u"Dict");
    int damaged = 0;
    for (const char letter : {'N', 'X'}) {
        // As one byte a character when stored compressed, else as UTF-16.
        std::string marker(64, letter), wide;
        for (const char c : marker)
            wide += std::string{c, '\0'};
        auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
        if (at == bytes.end())
            at = std::search(bytes.begin(), bytes.end(), wide.begin(), wide.end());
        ASSERT_NE(at, bytes.end()) << "long value pages of the fixture not found";
        const std::size_t page = static_cast<std::size_t>(at - bytes.begin()) / 4096;
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(page * 4096),
                  bytes.begin() + static_cast<std::ptrdiff_t>(page * 4096 + 16), 0xEE);
        ++damaged;
    }
    ASSERT_EQ(damaged, 2);
    {
        // The damage is real: a reader of every column stops at it.
        const jet::Database database = jet::Database::fromBytes(bytes);
        EXPECT_THROW(readAll(database, u"Dict"), JetError);
    }
    const Glossary glossary = loaded(bytes, "glossary-damaged.mdb");
    ASSERT_EQ(glossary.terms().size(), 5u) << "every row with a term, none lost to the damage";
    EXPECT_EQ(glossary.terms()[4], u"Term E");
    EXPECT_EQ(*glossary.definitionOf(u"Term C"), u"Definition C");
}
