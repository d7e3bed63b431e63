#include "RtfWriter.h"

#include "HtmlTokens.h"

#include <cstdio>

namespace {

// Colours and faces beyond these add nothing a reader could see, and keep the tables small.
constexpr std::size_t kMostColors = 256;
constexpr std::size_t kMostFonts = 64;
// A rule is drawn as characters: a control shows a paragraph's border, where it shows one at
// all, in a fixed colour, while text takes the theme's.
constexpr char16_t kRuleCharacter = 0x2014; // an em dash, in every face the page names

} // namespace

void RtfWriter::character(char32_t c, bool preformatted) {
    if (!preformatted && c < 0x80 && isHtmlSpace(static_cast<char16_t>(c))) {
        pendingSpace_ = true;
        return;
    }
    if (preformatted && c == '\r')
        return;
    if (preformatted && c == '\n') {
        lineBreak();
        return;
    }
    if (pendingSpace_ && !lineStart_) {
        run_ += ' ';
        ++position_;
    }
    pendingSpace_ = false;
    lineStart_ = false;
    paragraphEmpty_ = false;
    append(c);
}

// A face that has the character where the page's fonts may not: Chinese and Japanese in
// one, Korean in another (both on Windows since Vista). Nothing for other characters.
int RtfWriter::scriptFont(char32_t c) {
    if ((c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) ||
        (c >= 0xAC00 && c <= 0xD7AF))
        return fontIndex("Malgun Gothic");
    if ((c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF))
        return fontIndex("Microsoft YaHei");
    return -1;
}

// One character of the page; position_ counts them as the control will.
void RtfWriter::append(char32_t c) {
    const int font = scriptFont(c);
    if (font != scriptFont_) {
        flush();
        scriptFont_ = font;
    }
    if (c < 0x10000)
        ++position_;
    if (c == '\\' || c == '{' || c == '}') {
        run_ += '\\';
        run_ += static_cast<char>(c);
    } else if (c == '\t') {
        run_ += "\\tab ";
    } else if (c >= 0x20 && c < 0x80) {
        run_ += static_cast<char>(c);
    } else if (c < 0x20) {
        run_ += ' ';
    } else if (c >= 0x10000) {
        position_ += 2;
        unicode(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        unicode(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        unicode(static_cast<char16_t>(c));
    }
}

// Writes a character that append() or the caller has counted.
void RtfWriter::unicode(char16_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "\\u%d?", static_cast<int>(static_cast<std::int16_t>(c)));
    run_ += code;
}

// Ends the current run as a group carrying its style.
void RtfWriter::flush() {
    if (run_.empty())
        return;
    body_ += "{" + styleCodes() + " " + run_ + "}";
    run_.clear();
}

std::string RtfWriter::styleCodes() const {
    std::string codes;
    if (style_.bold)
        codes += "\\b";
    if (style_.italic)
        codes += "\\i";
    if (style_.underline)
        codes += "\\ul";
    if (style_.vertical < 0)
        codes += "\\sub";
    if (style_.vertical > 0)
        codes += "\\super";
    const int font = scriptFont_ >= 0 ? scriptFont_ : style_.monospace ? 1 : style_.font;
    return codes + "\\f" + std::to_string(font) + "\\fs" + std::to_string(style_.halfPoints) +
           "\\cf" + std::to_string(style_.color);
}

void RtfWriter::setStyle(const RtfStyle& style, bool keepBlank) {
    // A space before a tag belongs to the text before it, in that text's style.
    if (pendingSpace_ && !lineStart_ && keepBlank) {
        run_ += ' ';
        ++position_;
        pendingSpace_ = false;
    }
    flush();
    style_ = style;
}

void RtfWriter::lineBreak() {
    flush();
    // In a group of the style in force: a reader that gave the break the style of the run
    // before it would underline a blank after a link.
    body_ += "{" + styleCodes() + "\\line}";
    lineEnds_.push_back({body_.size(), paragraphCodes_});
    lineBreaks_.push_back(position_++);
    lineStart_ = true;
    paragraphEmpty_ = false;
    pendingSpace_ = false;
}

void RtfWriter::paragraph(char alignment, std::size_t depth) {
    startParagraph(paragraphCodes(alignment, depth));
}

std::string RtfWriter::paragraphCodes(char alignment, std::size_t depth) {
    std::string codes = "\\pard";
    switch (alignment) {
    case 'c':
        codes += "\\qc";
        break;
    case 'r':
        codes += "\\qr";
        break;
    case 'j':
        codes += "\\qj";
        break;
    default:
        codes += "\\ql";
        break;
    }
    if (depth > 0)
        codes += "\\li" + std::to_string(360 * depth);
    return codes + " ";
}

// Ends the paragraph being written unless it is still empty, and begins one with `codes`.
void RtfWriter::startParagraph(std::string codes) {
    flush();
    if (!paragraphEmpty_) {
        paragraphEnds_.push_back(body_.size());
        body_ += "\\par";
        ++position_;
    }
    paragraphCodes_ = std::move(codes);
    body_ += paragraphCodes_;
    lineStart_ = true;
    paragraphEmpty_ = true;
    pendingSpace_ = false;
}

void RtfWriter::listMarker(const std::string& number) {
    if (!number.empty()) {
        run_ += number;
        position_ += static_cast<long>(number.size());
    } else {
        unicode(0x2022);
        run_ += " ";
        position_ += 2;
    }
    lineStart_ = false;
    paragraphEmpty_ = false;
    pendingSpace_ = false;
}

void RtfWriter::cellSeparator() {
    run_ += "\\tab ";
    ++position_;
}

void RtfWriter::rule(char alignment, std::size_t depth, int color) {
    // In the format of the paragraphs around it: a page's last paragraph, put in after the
    // rest, keeps the format of the paragraph before it in the control.
    startParagraph(paragraphCodes(alignment, depth));
    rules_.push_back(position_);
    for (long i = 0; i < kRuleLength; ++i)
        unicode(kRuleCharacter);
    position_ += kRuleLength;
    body_ += "{\\f0\\fs20\\cf" + std::to_string(color) + " " + run_ + "}";
    run_.clear();
    lineStart_ = false;
    paragraphEmpty_ = false;
}

int RtfWriter::colorIndex(std::uint32_t rgb) {
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        if (colors_[i] == rgb)
            return static_cast<int>(i + 1);
    }
    if (colors_.size() >= kMostColors)
        return style_.color;
    colors_.push_back(rgb);
    return static_cast<int>(colors_.size());
}

int RtfWriter::fontIndex(std::string face) {
    face = trimQuotesAndSpaces(face.substr(0, face.find(',')));
    if (face.empty())
        return style_.font;
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        if (fonts_[i] == face)
            return static_cast<int>(i);
    }
    if (fonts_.size() >= kMostFonts)
        return style_.font;
    fonts_.push_back(face);
    return static_cast<int>(fonts_.size() - 1);
}

std::string RtfWriter::finish() {
    flush();
    std::string document = header();
    bodyStart_ = document.size();
    for (std::size_t& end : paragraphEnds_)
        end += bodyStart_;
    for (RtfLineEnd& end : lineEnds_)
        end.at += bodyStart_;
    return document + body_ + "}";
}

std::string RtfWriter::header() const {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        rtf += "{\\f" + std::to_string(i) + (i == 1 ? "\\fmodern " : "\\fswiss ");
        for (char c : fonts_[i])
            rtf += c == '\\' || c == '{' || c == '}' || c == ';' ? '?' : c;
        rtf += ";}";
    }
    rtf += "}{\\colortbl ;";
    for (std::uint32_t rgb : colors_)
        rtf += "\\red" + std::to_string(rgb >> 16 & 0xFF) + "\\green" +
               std::to_string(rgb >> 8 & 0xFF) + "\\blue" + std::to_string(rgb & 0xFF) + ";";
    return rtf + "}\\pard\\ql\\fs20 ";
}
