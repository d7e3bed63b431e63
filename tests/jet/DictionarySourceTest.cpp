#include "dictbuild/DictionarySource.h"

#include <gtest/gtest.h>

namespace {

std::size_t failingLine(const std::string& text) {
    try {
        parseDictionary(text);
    } catch (const DictionaryError& error) {
        return error.line;
    }
    return 0;
}

} // namespace

TEST(DictionarySource, ReadsTermsDefinitionsEscapesAndNulls) {
    const auto entries = parseDictionary(
        "alpha\t<i>one</i>\\ttwo\\nthree\\\\four\\r\r\n\nbeta\t\\N\ngamma\t\n\xCE\x94\t<b>x</b>");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].term, u"alpha");
    EXPECT_EQ(*entries[0].definition, u"<i>one</i>\ttwo\nthree\\four\r");
    EXPECT_FALSE(entries[1].definition.has_value());
    EXPECT_EQ(*entries[2].definition, u"") << "an empty definition is not null";
    EXPECT_EQ(entries[3].term, u"\u0394");
    EXPECT_EQ(*entries[3].definition, u"<b>x</b>");
}

TEST(DictionarySource, PlainDefinitionsKeepTheirLineBreaksAndHtmlStaysAsWritten) {
    const auto entries = parseDictionary("plain\tfirst line\\nsecond\\r\\nthird, a < b\n"
                                         "html\t<b>bold</b>\\nsame paragraph\n"
                                         "comment\t<!-- x -->\\ny\n");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(*entries[0].definition, u"first line<br>second<br>third, a < b");
    EXPECT_EQ(*entries[1].definition, u"<b>bold</b>\nsame paragraph");
    EXPECT_EQ(*entries[2].definition, u"<!-- x -->\ny");
}

TEST(DictionarySource, TermsAreLiteralAndOnlyTheFirstTabSeparates) {
    const auto entries = parseDictionary("C:\\temp\ta\tb\n");
    EXPECT_EQ(entries[0].term, u"C:\\temp");
    EXPECT_EQ(*entries[0].definition, u"a\tb");
}

TEST(DictionarySource, BadLinesAreNamed) {
    EXPECT_EQ(failingLine("a\tb\nno tab here\n"), 2u);
    EXPECT_EQ(failingLine("a\tb\n\n" + std::string(256, 'x') + "\tdef\n"), 3u);
    EXPECT_EQ(failingLine(std::string(255, 'x') + "\tok\n"), 0u) << "255 characters are allowed";
    EXPECT_EQ(failingLine("ok\tfine\nbad\xFF\tdef\n"), 2u);
    EXPECT_EQ(failingLine("ok\tbad \xC3\n"), 1u);
    EXPECT_EQ(failingLine("ok\tunknown \\q escape\n"), 1u);
    EXPECT_EQ(failingLine("ok\ttrailing backslash\\\n"), 1u);
}
