#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Turns the HTML of a glossary page into RTF for a rich edit control. It renders the mark-up
// that pages and definitions use: B/STRONG, I/EM, U, FONT (color, face, size 1-7), BR, P (with
// text-align), A (as a link), UL/OL/LI, H1-H6, SUB/SUP, PRE/CODE, TABLE rows as lines, HR as a
// rule, and named and numeric character entities. Text that is no link never takes a link's
// look: a FONT colour blue enough to pass for one shows as italic in the text's colour. Unknown
// tags are dropped and their text kept; malformed mark-up never loses text. The result is pure
// ASCII RTF.
std::string htmlToRtf(const std::u16string& html);

// A link of the page: the characters [start, end) as a rich edit control counts them (a
// paragraph or line end is one), and the address of its HREF with entities read.
struct PageLink {
    long start;
    long end;
    std::u16string target;
};

// A place inside a paragraph, just after one of its line breaks, where the page may be cut too;
// what follows goes on with the codes that began the paragraph.
struct RtfLineEnd {
    std::size_t at;
    std::string paragraphCodes;
};

// The characters of a rule between entries (RtfPage::rules).
inline constexpr long kRuleLength = 12;

struct RtfPage {
    std::string rtf;
    std::vector<PageLink> links; // in the order they start
    // The characters that end a line inside a paragraph (what a control reports for them
    // differs: a vertical tab, or a blank).
    std::vector<long> lineBreaks;
    // Where each rule between entries (an HR) begins: a paragraph of kRuleLength characters
    // drawn as a line, which a copy as text leaves out.
    std::vector<long> rules;
    // Where the body begins in `rtf`, after the header and its tables, and where each
    // paragraph's end ("\\par") stands: the places where the page may be cut (PageSlices.h).
    std::size_t bodyStart = 0;
    std::vector<std::size_t> paragraphEnds;
    std::vector<RtfLineEnd> lineEnds;
};

// The colours a page may use. With `system` (a high-contrast theme), text and background are
// the window's, whatever the mark-up says, and links take `link` (0xRRGGBB).
struct PageColours {
    bool system = false;
    std::uint32_t link = 0x0000FF;
};

// The RTF and where its links stand.
RtfPage htmlToPage(const std::u16string& html, const PageColours& colours = PageColours());
