#pragma once

#include "HtmlToRtf.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Text style of a run; every run is written as a group with its whole style.
struct RtfStyle {
    bool bold = false, italic = false, underline = false, monospace = false;
    int vertical = 0;    // -1 subscript, 1 superscript
    int halfPoints = 20; // 10 pt, the view's default
    int color = 0;       // index into the colour table, 0 = automatic
    int font = 0;        // index into the font table
};

// Writes a page's text as pure ASCII RTF, and counts its characters as a rich edit control
// will (a paragraph or line end is one), so that ranges of the page can be found in it.
class RtfWriter {
public:
    // One character of text. Outside preformatted text, white space folds into one blank,
    // written only between words; in it, a line feed is a line break.
    void character(char32_t c, bool preformatted);
    // Ends the current run; what follows has `style`. A pending blank belongs to the text
    // before, in that text's style, unless `keepBlank` is false (hidden text).
    void setStyle(const RtfStyle& style, bool keepBlank = true);
    const RtfStyle& style() const { return style_; }

    void lineBreak();
    // Starts a new paragraph unless the current one is still empty: aligned 'l', 'c', 'r' or
    // 'j', and indented `depth` steps (one for each list or quotation it stands in).
    void paragraph(char alignment, std::size_t depth);
    // What the page puts before a list item: "3. ", or a bullet when `number` is empty.
    void listMarker(const std::string& number);
    // Between the cells of a table row.
    void cellSeparator();
    // A paragraph of its own, aligned and indented as paragraph() does, that sets apart what
    // comes before and after it: a short line in colour `color` (an index as colorIndex gives).
    void rule(char alignment, std::size_t depth, int color);

    // The colour's and the face's entries in the tables; once a table is full, the current
    // style's entry.
    int colorIndex(std::uint32_t rgb);
    int fontIndex(std::string face);

    long position() const { return position_; } // characters of the page so far
    // Where each line break stands, in the order written.
    const std::vector<long>& lineBreaks() const { return lineBreaks_; }
    // The whole document: header, tables and body.
    std::string finish();
    // After finish(): where the body begins in the document, and where each paragraph's end
    // (its "\\par") stands, in order.
    std::size_t bodyStart() const { return bodyStart_; }
    const std::vector<std::size_t>& paragraphEnds() const { return paragraphEnds_; }
    // Where each line break inside a paragraph ends, in order.
    const std::vector<RtfLineEnd>& lineEnds() const { return lineEnds_; }
    // Where each rule's characters begin, in order.
    const std::vector<long>& rules() const { return rules_; }

private:
    int scriptFont(char32_t c);
    void append(char32_t c);
    void unicode(char16_t c);
    void flush();
    void startParagraph(std::string codes);
    static std::string paragraphCodes(char alignment, std::size_t depth);
    std::string styleCodes() const; // the control words of the style in force
    std::string header() const;

    std::string body_, run_;
    RtfStyle style_;
    std::vector<std::string> fonts_{"MS Sans Serif", "Courier New"};
    std::vector<std::uint32_t> colors_;
    long position_ = 0;
    std::vector<long> lineBreaks_, rules_;
    std::vector<std::size_t> paragraphEnds_; // in the body until finish(), then in the document
    std::vector<RtfLineEnd> lineEnds_;       // likewise
    std::string paragraphCodes_;             // those that began the paragraph being written
    std::size_t bodyStart_ = 0;
    int scriptFont_ = -1; // the face of the run for its script, if not the style's
    bool pendingSpace_ = false, lineStart_ = true, paragraphEmpty_ = true;
};
