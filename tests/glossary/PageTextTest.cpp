// The page's text as it is copied: paragraphs, line breaks and list items as CR LF lines.
#include "page/PageText.h"
#include "RtfText.h"
#include "jet/TextCodec.h"
#include "page/HtmlToRtf.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(copiedText(blank.substr(0, 7) + u"A store Second line", {14}, 0, 26),
              u"Cache:\r\nA store\r\nSecond line");
    EXPECT_EQ(copiedText(withTab, {}, 0, static_cast<long>(withTab.size())),
              u"Cache:\r\nA store\r\nSecond\r\nline\r\n\u2022 item")
        << "a vertical tab is a line break wherever it stands";
    EXPECT_EQ(copiedText(blank, {}, 0, static_cast<long>(blank.size())),
              u"Cache:\r\nA store\r\nSecond line\r\n\u2022 item")
        << "a blank the page does not break at stays a blank";
}

TEST(PageText, OnlyTheSelectionIsCopied) {
    const std::u16string text = u"ab cd ef";
    const std::vector<long> breaks = {2, 5};
    EXPECT_EQ(copiedText(text, breaks, 1, 7), u"b\r\ncd\r\ne");
    EXPECT_EQ(copiedText(text, breaks, 3, 5), u"cd") << "a break just after the selection";
    EXPECT_EQ(copiedText(text, breaks, 5, 5), u"") << "nothing selected";
    EXPECT_EQ(copiedText(text, breaks, -4, 100), u"ab\r\ncd\r\nef") << "bounds kept to the text";
    EXPECT_EQ(copiedText(text, breaks, 6, 2), u"");
}
