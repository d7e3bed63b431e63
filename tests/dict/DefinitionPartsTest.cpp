// A server's definitions read as the dictd import reads the same dictionary's local text.
#include "dict/DefinitionParts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const auto kAllTerms = [](const std::u16string&) { return true; };
dict::LayoutSamples samples;

} // namespace

TEST(DictDefinitionParts, OnePartADatabaseInTheServersOrderEntriesSeparated) {
    const std::vector<dict::Definition> definitions = {
        {"iron", "elements", "The Elements", "iron\nSymbol: Fe"},
        {"iron", "devil", "Devil", "IRON, n.  A metal."},
        {"Iron", "elements", "The Elements", "Iron\nAtomic number: 26"},
    };
    const auto parts = dict::definitionParts(definitions, kAllTerms, samples);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].source, u"elements");
    EXPECT_EQ(parts[1].source, u"devil");
    EXPECT_FALSE(parts[0].mention);
    EXPECT_EQ(parts[0].html.find(u"iron"), std::u16string::npos)
        << "the headword line goes, as in the import: "
        << std::string(parts[0].html.begin(), parts[0].html.end());
    EXPECT_NE(parts[0].html.find(u"Symbol: Fe"), std::u16string::npos);
    EXPECT_NE(parts[0].html.find(articles::kEntrySeparator), std::u16string::npos);
    EXPECT_NE(parts[1].html.find(u"IRON, n."), std::u16string::npos)
        << "a first line holding more than the headword stays";
}

TEST(DictDefinitionParts, BracesLinkAndMarkupIsEscaped) {
    const auto parts = dict::definitionParts(
        {{"x", "foldoc", "", "x\n\n   A <b> & c, see {Unix}.\n"}}, kAllTerms, samples);
    ASSERT_EQ(parts.size(), 1u);
    const std::u16string& html = parts[0].html;
    EXPECT_NE(html.find(u"<a href=\"#Unix\">Unix</a>"), std::u16string::npos);
    EXPECT_NE(html.find(u"&lt;b&gt; &amp; c"), std::u16string::npos);
}

TEST(DictDefinitionParts, TextInUtf8ShowsInItsOwnLetters) {
    const auto parts = dict::definitionParts({{"x", "deu", "",
                                               "x\n\xC3\x9C"
                                               "berblick \xE2\x80\x93 \xD0\x96"}},
                                             kAllTerms, samples);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_NE(parts[0].html.find(u"\u00DCberblick \u2013 \u0416"), std::u16string::npos);
}

TEST(DictDefinitionParts, BytesThatAreNoUtf8AreReadAsLatin1AsTheImportReadsSuchADictionary) {
    const auto parts = dict::definitionParts({{"x", "elements", "", "x\nGottfried M\xFCnzenberg"}},
                                             kAllTerms, samples);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_NE(parts[0].html.find(u"M\u00FCnzenberg"), std::u16string::npos);
}
