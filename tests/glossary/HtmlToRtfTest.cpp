#include "page/HtmlToRtf.h"
#include "RtfText.h"
#include "jet/TextCodec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <utility>

namespace {

std::string rtf(const std::string& html) {
    return htmlToRtf(jet::fromUtf8(html));
}
std::string text(const std::string& html) {
    return rtfText(rtf(html));
}
bool has(const std::string& html, const std::string& piece) {
    return rtf(html).find(piece) != std::string::npos;
}

} // namespace

TEST(HtmlToRtf, ThePageMarkUpRendersAsDesigned) {
    const std::string page =
        "<B><font color=#336699 face= 'MS Sans Serif' Size=3>Cache:</B></font><BR><BR>"
        "<font face = 'MS Sans Serif' color = 'black' size = 2><p class='MsoNormal' "
        "style='text-align:justify'>A <b>small</b> store.</font>";
    const std::string out = rtf(page);
    EXPECT_NE(out.find("\\red51\\green102\\blue153;"), std::string::npos) << out;
    EXPECT_NE(out.find("{\\b\\f0\\fs24\\cf1 Cache:}"), std::string::npos)
        << "bold, size 3, #336699: " << out;
    EXPECT_NE(out.find("\\qj"), std::string::npos) << "justified definition";
    EXPECT_NE(out.find("{\\b\\f0\\fs20\\cf2 small}"), std::string::npos)
        << "bold inside black size 2: " << out;
    EXPECT_EQ(rtfText(out), "Cache:\n\n\nA small store.\n");

    // In a high-contrast theme the page's colours are the system's: no colour from the
    // mark-up, links in the colour given; the same text.
    const std::string system =
        htmlToPage(jet::fromUtf8(page + "<a href='#x'>x</a>"), PageColours{true, 0x00FFFF}).rtf;
    EXPECT_EQ(system.find("\\cf1 Cache"), std::string::npos) << system;
    EXPECT_NE(system.find("{\\b\\f0\\fs24\\cf0 Cache:}"), std::string::npos) << system;
    EXPECT_NE(system.find("{\\colortbl ;\\red0\\green255\\blue255;}"), std::string::npos)
        << "the link's colour alone: " << system;
    EXPECT_NE(system.find("{\\ul\\f0\\fs20\\cf1 x}"), std::string::npos) << system;
    EXPECT_EQ(rtfText(system), "Cache:\n\n\nA small store.\nx");
}

TEST(HtmlToRtf, FontSizesOneToSevenAndRelativeSizes) {
    const int halfPoints[] = {16, 20, 24, 28, 36, 48, 72};
    for (int size = 1; size <= 7; ++size)
        EXPECT_TRUE(has("<font size=" + std::to_string(size) + ">x</font>",
                        "\\fs" + std::to_string(halfPoints[size - 1]) + "\\"))
            << size;
    EXPECT_TRUE(has("<font size=+1>x</font>", "\\fs28\\"));
    EXPECT_TRUE(has("<font size=9>x</font>", "\\fs72\\")) << "clamped to 7";
}

TEST(HtmlToRtf, InlineStylesAndLinks) {
    EXPECT_TRUE(has("<i>x</i>", "{\\i\\f0"));
    EXPECT_TRUE(has("<em>x</em>", "{\\i\\f0"));
    EXPECT_TRUE(has("<u>x</u>", "{\\ul\\f0"));
    EXPECT_TRUE(has("<strong>x</strong>", "{\\b\\f0"));
    EXPECT_TRUE(has("H<sub>2</sub>O", "{\\sub\\f0"));
    EXPECT_TRUE(has("x<sup>2</sup>", "{\\super\\f0"));
    EXPECT_TRUE(has("<code>int</code>", "\\f1\\"));
    const std::string link = rtf("see <a href=\"x.html\">this</a>");
    EXPECT_NE(link.find("\\red0\\green0\\blue255;"), std::string::npos);
    EXPECT_NE(link.find("{\\ul\\f0\\fs20\\cf1 this}"), std::string::npos) << link;
    // A break after a link carries the style in force, not the link's underline: a reader
    // that gave it the run's style before showed an underlined blank below the suggestions.
    const std::string broken = rtf("<font size=2>Nearest: <a href=\"#A\">A</a></font><br><br>x");
    EXPECT_NE(broken.find("{\\f0\\fs20\\cf0\\line}{\\f0\\fs20\\cf0\\line}"), std::string::npos)
        << broken;
}

TEST(HtmlToRtf, BlocksListsHeadingsTablesAndPre) {
    EXPECT_EQ(text("<h1>Title</h1>body"), "Title\nbody");
    EXPECT_TRUE(has("<h1>Title</h1>", "\\b\\f0\\fs48"));
    EXPECT_EQ(text("<ul><li>one<li>two</ul>after"), "\xE2\x80\xA2 one\n\xE2\x80\xA2 two\nafter");
    EXPECT_EQ(text("<ol><li>one</li><li>two</li></ol>"), "1. one\n2. two\n");
    EXPECT_EQ(text("<table><tr><td>a</td><td>b</td></tr><tr><th>c</th><td>d</td></tr></table>"),
              "a\tb\nc\td\n");
    EXPECT_EQ(text("<pre>a  b\n c</pre>"), "a  b\n c\n");
    EXPECT_EQ(text("one   two\n three"), "one two three");
    EXPECT_TRUE(has("<p align=center>x</p>", "\\qc"));
    EXPECT_TRUE(has("<div style=\"text-align: right\">x</div>", "\\qr"));
}

TEST(HtmlToRtf, QuotationsAreIndentedWithTheirSourceAfterThemAndTheTextAfterIsNot) {
    // GCIDE's "set", as the import writes it: the quotation and its source set apart.
    const std::string html =
        "<p>Set, v. t. 4. To fix firmly.</p><blockquote><p>His eyes were set by reason of his "
        "age. --1 Kings xiv. 4.</p></blockquote><p>(b) To fix beforehand</p>";
    EXPECT_EQ(text(html), "Set, v. t. 4. To fix firmly.\nHis eyes were set by reason of his age. "
                          "--1 Kings xiv. 4.\n(b) To fix beforehand\n");
    const std::string out = rtf(html);
    const std::size_t quotation = out.find("His eyes");
    ASSERT_NE(quotation, std::string::npos) << out;
    const std::size_t start = out.rfind("\\pard", quotation);
    EXPECT_EQ(out.substr(start, out.find(' ', start) - start), "\\pard\\ql\\li360") << out;
    const std::size_t after = out.rfind("\\pard", out.find("(b) To fix"));
    EXPECT_EQ(out.substr(after, out.find(' ', after) - after), "\\pard\\ql") << out;
    const std::string nested = rtf("<ul><li>a<blockquote>q</blockquote>b</ul>");
    EXPECT_NE(nested.find("\\li720 {\\f0\\fs20\\cf0 q}"), std::string::npos)
        << "in a list, a step further: " << nested;
    EXPECT_NE(nested.find("\\li360 {\\f0\\fs20\\cf0 b}"), std::string::npos) << nested;
}

TEST(HtmlToRtf, EntriesAreSetApartByARuleInTheThemesColours) {
    // "(barrel-making)" ends one entry of GCIDE's "set"; the next must not seem to go on under it.
    const std::string html = "<p>Set, n. (barrel-making)</p><hr><p>Set, v. t.</p>";
    std::string rule;
    for (long i = 0; i < kRuleLength; ++i)
        rule += "\xE2\x80\x94"; // an em dash
    EXPECT_EQ(text(html), "Set, n. (barrel-making)\n" + rule + "\nSet, v. t.\n");
    const std::string out = rtf(html);
    EXPECT_NE(out.find("\\pard\\ql {\\f0\\fs20\\cf1 \\u8212?"), std::string::npos)
        << "a paragraph of its own: " << out;
    EXPECT_NE(out.find("\\red153\\green153\\blue153;"), std::string::npos) << out;
    const RtfPage page = htmlToPage(jet::fromUtf8(html));
    ASSERT_EQ(page.rules.size(), 1u);
    EXPECT_EQ(page.rules.front(), 24) << "after the first paragraph and its end";

    // In a high-contrast theme the rule is drawn in the text's colour, whatever it is.
    const std::string system = htmlToPage(jet::fromUtf8(html), PageColours{true, 0x00FFFF}).rtf;
    EXPECT_NE(system.find("\\pard\\ql {\\f0\\fs20\\cf0 \\u8212?"), std::string::npos) << system;
    EXPECT_EQ(system.find("\\red153"), std::string::npos) << system;

    EXPECT_EQ(text("<ul><li>a<hr>b</li></ul>"), "\xE2\x80\xA2 a\n" + rule + "\nb\n")
        << "the text after a rule keeps its paragraph's indent";
    // A rule in the format of its neighbours: the last paragraph of a page put in as slices
    // would take the rule's format in the control.
    EXPECT_NE(
        rtf("<ul><li>a<hr>b</li></ul>").find("\\par\\pard\\ql\\li360 {\\f0\\fs20\\cf1 \\u8212?"),
        std::string::npos);
}

TEST(HtmlToRtf, EntitiesNamedAndNumeric) {
    EXPECT_EQ(text("a &amp; b &lt;c&gt; &quot;q&quot; &eacute;t&eacute; &euro;"),
              "a & b <c> \"q\" \xC3\xA9t\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(text("&#65;&#x42;&#X43;&#233;"), "ABC\xC3\xA9");
    EXPECT_EQ(text("&#0;&#xD800;&#99999999;"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(text("&nosuch; &amp &#xZZ; & alone"), "&nosuch; &amp &#xZZ; & alone");
}

TEST(HtmlToRtf, MalformedMarkUpNeverLosesText) {
    EXPECT_EQ(text("a < b and c <3"), "a < b and c <3");
    EXPECT_EQ(text("<b>never closed"), "never closed");
    EXPECT_EQ(text("<b>x</i>y</b>z</nothing>"), "xyz");
    EXPECT_EQ(text("<font color=red size=4>unquoted</font>"), "unquoted");
    EXPECT_TRUE(has("<font color=red>x</font>", "\\red255\\green0\\blue0;"));
    EXPECT_EQ(text("<b class=\"unterminated>text"), "<b class=\"unterminated>text");
    EXPECT_EQ(text("<blink>kept</blink>"), "kept");
    EXPECT_EQ(text("<!-- note -->seen<!-- open"), "seen<!-- open");
    EXPECT_EQ(text("<script>hidden()</script>shown"), "shown");
}

TEST(HtmlToRtf, RtfSpecialCharactersAndUnicodeAreEscaped) {
    const std::string out = rtf("{braces} back\\slash \xE6\x97\xA5 \xF0\x9F\x98\x80");
    EXPECT_NE(out.find("\\{braces\\}"), std::string::npos);
    EXPECT_NE(out.find("back\\\\slash"), std::string::npos);
    EXPECT_NE(out.find("\\u26085?"), std::string::npos);
    EXPECT_NE(out.find("\\u-10179?\\u-8704?"), std::string::npos)
        << "a surrogate pair as two signed units";
    for (char c : out)
        EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80);
}

TEST(HtmlToRtf, EmptyPageIsAValidEmptyDocument) {
    const std::string out = htmlToRtf(u"");
    EXPECT_EQ(out.rfind("{\\rtf1", 0), 0u);
    EXPECT_EQ(rtfText(out), "");
}

TEST(HtmlToRtf, ColoursAreReadAsBrowsersReadThem) {
    for (const char* colour : {"#FF0000", "#ff0000", "Red", "RED", "#F00", "#f00", "'#FF0000'"})
        EXPECT_TRUE(
            has(std::string("<font color=") + colour + ">x</font>", "\\red255\\green0\\blue0;"))
            << colour;
    EXPECT_FALSE(has("<font color=#GG0000>x</font>", "\\red")) << "not a colour: automatic";
}

TEST(HtmlToRtf, ControlCharactersInAttributesNeverCutThePage) {
    std::u16string page = u"<font face='Ari";
    page += u'\0';
    page += u"al\x01\x1F' color='re";
    page += u'\0';
    page += u"d'>kept</font> and the rest";
    const std::string out = htmlToRtf(page);
    EXPECT_EQ(out.find('\0'), std::string::npos);
    for (char c : out)
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n' && c != '\t');
    EXPECT_EQ(rtfText(out), "kept and the rest");
}

// Pages written to make a converter scan the rest of the text again and again: each must take
// time in proportion to its length. Quadratic work on half a million characters takes minutes;
// the bound is loose on purpose, so that a slow machine does not fail it.
TEST(HtmlToRtf, AdversarialPagesConvertInTimeLinearInTheirLength) {
    constexpr std::size_t kSize = 1 << 19;
    const auto repeated = [](const std::u16string& piece) {
        std::u16string page;
        while (page.size() < kSize)
            page += piece;
        return page;
    };
    std::u16string colours;
    for (int i = 0; colours.size() < kSize; ++i) {
        char tag[40];
        std::snprintf(tag, sizeof tag, "<font color=#%06x>x", i & 0xFFFFFF);
        colours += jet::fromUtf8(tag);
    }
    const std::pair<const char*, std::u16string> pages[] = {
        {"ampersands", repeated(u"&")},          {"comments", repeated(u"<!--")},
        {"open tags", repeated(u"<a")},          {"open quotes", repeated(u"<a x='")},
        {"nesting", repeated(u"<b>")},           {"closing strays", repeated(u"<b></i>")},
        {"entity starts", repeated(u"&#x")},     {"colours", colours},
        {"mixed", repeated(u"<a href=\"&<!--")}, {"close quote tags", repeated(u"<a \"<a '")}};
    for (const auto& [kind, page] : pages) {
        const auto start = std::chrono::steady_clock::now();
        const std::string out = htmlToRtf(page);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 10.0) << kind;
        EXPECT_FALSE(out.empty()) << kind;
        std::printf("  %-16s %zu characters: %.3f s\n", kind, page.size(), seconds);
    }
}

TEST(HtmlToRtf, LinksStandWhereTheControlCountsTheirText) {
    // Paragraphs, line breaks, list bullets, table cells, spaces between tags and characters
    // outside the BMP all come before links here; each counts as the control counts it.
    const std::u16string html =
        u"<p>Intro  <b>bold</b> <a href=\"#First term\">first</a></p><ul><li>item "
        u"<a href='http://example.com/?a=1&amp;b=2'>second link</a></li></ul>"
        u"<table><tr><td>x</td><td><a href=#\u0416\u0443\u043a>\u0416\u0443\u043a</a></td></tr>"
        u"</table>\U0001F600<br><a href=\"mailto:x@example.com\">mail &amp; more</a> tail "
        u"<a>no address</a><a href=\"#empty\"></a>";
    const RtfPage page = htmlToPage(html);
    const std::u16string text = jet::fromUtf8(rtfText(page.rtf));
    ASSERT_EQ(page.links.size(), 4u) << "links without an address or text are left out";
    const char16_t* const expected[][2] = {{u"#First term", u"first"},
                                           {u"http://example.com/?a=1&b=2", u"second link"},
                                           {u"#\u0416\u0443\u043a", u"\u0416\u0443\u043a"},
                                           {u"mailto:x@example.com", u"mail & more"}};
    for (std::size_t i = 0; i < page.links.size(); ++i) {
        const PageLink& link = page.links[i];
        EXPECT_EQ(link.target, expected[i][0]);
        ASSERT_LE(link.end, static_cast<long>(text.size()));
        EXPECT_EQ(text.substr(static_cast<std::size_t>(link.start),
                              static_cast<std::size_t>(link.end - link.start)),
                  expected[i][1])
            << "link " << i;
    }
}
