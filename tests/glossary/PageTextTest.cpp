// The page's text as it is copied: paragraphs, line breaks and list items as CR LF lines.
#include "page/PageText.h"
#include "RtfText.h"
#include "jet/TextCodec.h"
#include "page/HtmlToRtf.h"
#include "page/PageSlices.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(PageText, LineBreaksStandWhereTheControlCountsThem) {
    // Line breaks in text, in preformatted text and after a link, behind paragraphs, each
    // counted as one character, as the control counts them.
    const RtfPage page =
        htmlToPage(u"<p>One<br>two</p><pre>a\nb</pre><a href=\"#x\">link</a><br>end");
    const std::u16string text = jet::fromUtf8(rtfText(page.rtf));
    ASSERT_EQ(page.lineBreaks.size(), 3u);
    const char16_t* const before[] = {u"One", u"a", u"link"};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto at = static_cast<std::size_t>(page.lineBreaks[i]);
        ASSERT_LT(at, text.size());
        EXPECT_EQ(text[at], u'\n') << i;
        const std::u16string word = before[i];
        EXPECT_EQ(text.substr(at - word.size(), word.size()), word) << i;
    }
    EXPECT_TRUE(htmlToPage(u"<p>No</p><p>breaks</p>").lineBreaks.empty());
}

TEST(PageText, ParagraphsAndLineBreaksAreCopiedAsCrLfLines) {
    // As one control reports a line break (a blank) and as another does (a vertical tab).
    const std::u16string blank = u"Cache:\rA store\rSecond line\r\u2022 item";
    const std::u16string withTab = u"Cache:\rA store\vSecond\vline\r\u2022 item";
    EXPECT_EQ(copiedText(blank.substr(0, 7) + u"A store Second line", {14}, {}, 0, 26),
              u"Cache:\r\nA store\r\nSecond line");
    EXPECT_EQ(copiedText(withTab, {}, {}, 0, static_cast<long>(withTab.size())),
              u"Cache:\r\nA store\r\nSecond\r\nline\r\n\u2022 item")
        << "a vertical tab is a line break wherever it stands";
    EXPECT_EQ(copiedText(blank, {}, {}, 0, static_cast<long>(blank.size())),
              u"Cache:\r\nA store\r\nSecond line\r\n\u2022 item")
        << "a blank the page does not break at stays a blank";
}

TEST(PageText, ARuleBetweenEntriesIsCopiedAsAnEmptyLine) {
    // As the control reports the page: paragraph ends as CR, the rule's characters as text.
    const RtfPage page = htmlToPage(u"<p>Set, v. t.</p><hr><p>Set, n.</p>");
    ASSERT_EQ(page.rules.size(), 1u);
    std::u16string text = jet::fromUtf8(rtfText(page.rtf));
    std::replace(text.begin(), text.end(), u'\n', u'\r');
    EXPECT_EQ(copiedText(text, page.lineBreaks, page.rules, 0, static_cast<long>(text.size())),
              u"Set, v. t.\r\n\r\nSet, n.\r\n");
    const long rule = page.rules.front();
    EXPECT_EQ(copiedText(text, page.lineBreaks, page.rules, rule + 3, rule + kRuleLength + 4),
              u"\r\nSet")
        << "a selection that begins inside the rule";
    EXPECT_EQ(copiedText(text, page.lineBreaks, page.rules, 4, rule + 2), u" v. t.\r\n")
        << "one that ends inside it";
}

TEST(PageText, OnlyTheSelectionIsCopied) {
    const std::u16string text = u"ab cd ef";
    const std::vector<long> breaks = {2, 5};
    EXPECT_EQ(copiedText(text, breaks, {}, 1, 7), u"b\r\ncd\r\ne");
    EXPECT_EQ(copiedText(text, breaks, {}, 3, 5), u"cd") << "a break just after the selection";
    EXPECT_EQ(copiedText(text, breaks, {}, 5, 5), u"") << "nothing selected";
    EXPECT_EQ(copiedText(text, breaks, {}, -4, 100), u"ab\r\ncd\r\nef")
        << "bounds kept to the text";
    EXPECT_EQ(copiedText(text, breaks, {}, 6, 2), u"");
}

namespace {

// Group braces that are not text: every slice must be a whole document.
bool balanced(const std::string& rtf) {
    int depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i; // an escaped brace or backslash is text
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

} // namespace

TEST(PageText, APageInSlicesGivesTheTextAndPlacesOfThePageAtOnce) {
    // Paragraphs of every kind the page has, links and characters the RTF escapes, so that
    // slices are cut between many kinds of paragraph; a centred paragraph of many lines, as a
    // dictionary's numbered senses are, cut after its lines; the last paragraph is empty.
    std::u16string html = u"<h1>Term</h1><p align=center>";
    for (int i = 0; i < 30; ++i)
        html += u"Line " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                u" of the senses, with <a href=\"#sense\">a link</a><br>";
    html += u"</p>";
    for (int i = 0; i < 40; ++i) {
        const std::u16string n(1, static_cast<char16_t>(u'a' + i % 26));
        html += u"<p>Sense " + n + u": {braces} \\ and <b>bold</b> \u00e9t\u00e9 <a href=\"#" + n +
                u"\">link " + n + u"</a></p><ul><li>item</li></ul><pre>col  1\ncol  2</pre><hr>";
    }
    html += u"<p><a href=\"#last\">last link</a></p><p></p>";
    const RtfPage page = htmlToPage(html);
    const std::vector<std::string> slices = pageSlices(page, 300);
    ASSERT_GT(slices.size(), 30u);
    const std::string header = page.rtf.substr(0, page.bodyStart);
    std::string text;
    int linesCut = 0;
    for (std::size_t i = 0; i < slices.size(); ++i) {
        EXPECT_EQ(slices[i].compare(0, header.size(), header), 0) << i;
        EXPECT_TRUE(balanced(slices[i])) << i;
        // Each slice but the last ends a paragraph, which the next one's text follows, or a
        // line, after which the next one goes on in the paragraph's alignment.
        if (i + 1 < slices.size()) {
            const bool line = slices[i].substr(slices[i].size() - 7) == "\\line}}";
            EXPECT_TRUE(line || slices[i].substr(slices[i].size() - 5) == "\\par}") << i;
            if (line && slices[i + 1].find("Line ") != std::string::npos) {
                EXPECT_EQ(slices[i + 1].compare(header.size(), 9, "\\pard\\qc "), 0) << i;
                ++linesCut;
            }
        }
        EXPECT_LT(slices[i].size(), header.size() + 300 + 400) << i;
        text += rtfText(slices[i]);
    }
    EXPECT_GT(linesCut, 3) << "the paragraph of lines is not one slice";
    std::string whole = rtfText(page.rtf);
    ASSERT_EQ(whole.back(), '\n') << "the page ends with an empty paragraph";
    whole.pop_back(); // which a control drops from a page it takes at once
    EXPECT_EQ(text, whole);
    const std::u16string shown = jet::fromUtf8(text);
    const PageLink& last = page.links.back();
    EXPECT_EQ(shown.substr(static_cast<std::size_t>(last.start),
                           static_cast<std::size_t>(last.end - last.start)),
              u"last link");

    // A short page is one slice: the page itself when nothing is left out.
    const RtfPage shortPage = htmlToPage(u"<p>One</p>two");
    EXPECT_EQ(pageSlices(shortPage, 3000), std::vector<std::string>{shortPage.rtf});
    const std::vector<std::string> oneEmptyLeftOut = pageSlices(htmlToPage(u"<p>One</p>"), 3000);
    ASSERT_EQ(oneEmptyLeftOut.size(), 1u);
    EXPECT_EQ(rtfText(oneEmptyLeftOut[0]), "One");
    const RtfPage empty = htmlToPage(u"");
    ASSERT_EQ(pageSlices(empty, 3000).size(), 1u);
    EXPECT_EQ(rtfText(pageSlices(empty, 3000)[0]), "");
    EXPECT_EQ(pageSlices(RtfPage{}, 3000), std::vector<std::string>{""});
}
