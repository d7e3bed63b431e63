#include "HtmlToRtf.h"

#include "HtmlEntities.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

using Text = std::u16string_view;

// Text style of a run; every run is written as a group with its whole style.
struct Style {
    bool bold = false, italic = false, underline = false, monospace = false;
    int vertical = 0;    // -1 subscript, 1 superscript
    int halfPoints = 20; // 10 pt, the view's default
    int color = 0;       // index into the colour table, 0 = automatic
    int font = 0;        // index into the font table
};

struct Element {
    std::string name;
    Style before; // the style to return to when the element closes
    char alignmentBefore;
    int link = -1; // an A element's entry in the page's links
};

struct List {
    bool ordered;
    int counter;
};

constexpr int kSizes[] = {16, 20, 24, 28, 36, 48, 72}; // HTML font sizes 1-7 in half-points
constexpr int kHeadingSizes[] = {48, 36, 28, 24, 20, 16};
constexpr std::uint32_t kLinkColor = 0x0000FF;
// Bounds that keep every page linear in its length, however it is written: an entity name
// is short, and nesting, colours and faces beyond these add nothing a reader could see.
constexpr std::size_t kLongestEntity = 32;
constexpr std::size_t kDeepestNesting = 256;
constexpr std::size_t kMostColors = 256;
constexpr std::size_t kMostFonts = 64;

bool isSpace(char16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool isLetter(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isNameChar(char16_t c) {
    return isLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':';
}

std::string lower(Text text) {
    std::string out;
    for (char16_t c : text)
        out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : (c < 128 ? c : '?'));
    return out;
}

std::string trimQuotesAndSpaces(std::string text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\'' || text.front() == '"'))
        text.erase(text.begin());
    while (!text.empty() && (text.back() == ' ' || text.back() == '\'' || text.back() == '"'))
        text.pop_back();
    return text;
}

bool parseColor(std::string text, std::uint32_t& rgb) {
    text = trimQuotesAndSpaces(text);
    // Names and hex digits are compared without case, as every browser does.
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    static const struct {
        const char* name;
        std::uint32_t rgb;
    } kNamed[] = {{"black", 0x000000},  {"white", 0xFFFFFF},  {"red", 0xFF0000},
                  {"green", 0x008000},  {"blue", 0x0000FF},   {"navy", 0x000080},
                  {"gray", 0x808080},   {"grey", 0x808080},   {"silver", 0xC0C0C0},
                  {"maroon", 0x800000}, {"purple", 0x800080}, {"fuchsia", 0xFF00FF},
                  {"lime", 0x00FF00},   {"olive", 0x808000},  {"yellow", 0xFFFF00},
                  {"teal", 0x008080},   {"aqua", 0x00FFFF},   {"orange", 0xFFA500}};
    for (const auto& named : kNamed) {
        if (text == named.name) {
            rgb = named.rgb;
            return true;
        }
    }
    if (!text.empty() && text[0] == '#')
        text.erase(0, 1);
    if (text.size() != 6 && text.size() != 3)
        return false;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return false;
        value = value << 4 | static_cast<std::uint32_t>(digit);
        if (text.size() == 3)
            value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    rgb = value;
    return true;
}

// The length of the character entity at `at` of `text` (0 when there is none: a lone '&'),
// and the character it stands for.
std::size_t readEntity(Text text, std::size_t at, char32_t& code) {
    const std::size_t start = at + 1;
    // A name ends at the first character that cannot be part of one.
    std::size_t semicolon = start;
    while (semicolon < text.size() && semicolon - start <= kLongestEntity &&
           (isNameChar(text[semicolon]) || text[semicolon] == '#'))
        ++semicolon;
    if (semicolon >= text.size() || text[semicolon] != ';' || semicolon == start ||
        semicolon - start > kLongestEntity) {
        return 0;
    }
    const Text name = text.substr(start, semicolon - start);
    code = 0;
    if (name[0] == '#') {
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::uint32_t value = 0;
        bool valid = name.size() > (hex ? 2u : 1u);
        for (std::size_t i = hex ? 2 : 1; valid && i < name.size(); ++i) {
            const char16_t c = name[i];
            const int digit = c >= '0' && c <= '9'          ? c - '0'
                              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                            : -1;
            valid = digit >= 0;
            value = value > 0x10FFFF ? value
                                     : value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        if (!valid) {
            return 0;
        }
        code =
            value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ? 0xFFFD : value;
    } else {
        std::string narrow;
        for (char16_t c : name) {
            if (!isNameChar(c)) {
                return 0;
            }
            narrow += static_cast<char>(c);
        }
        code = namedEntity(narrow);
        if (code == 0) {
            return 0;
        }
    }
    return semicolon + 1 - at;
}

class Converter {
public:
    explicit Converter(Text html) : html_(html) {}

    RtfPage run() {
        while (at_ < html_.size()) {
            const char16_t c = html_[at_];
            if (c == '<' && tag())
                continue;
            if (c == '&') {
                character(entity());
                continue;
            }
            character(c);
            ++at_;
        }
        flush();
        RtfPage page;
        page.rtf = header() + body_ + "}";
        for (PageLink& link : links_) {
            if (link.end < 0)
                link.end = position_; // never closed
            if (link.end > link.start && !link.target.empty())
                page.links.push_back(std::move(link));
        }
        return page;
    }

private:
    // Text ---------------------------------------------------------------------------------

    void character(char32_t c) {
        if (hidden_ > 0)
            return;
        if (pre_ == 0 && c < 0x80 && isSpace(static_cast<char16_t>(c))) {
            pendingSpace_ = true;
            return;
        }
        if (pre_ > 0 && c == '\r')
            return;
        if (pre_ > 0 && c == '\n') {
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
    int scriptFont(char32_t c) {
        if ((c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) ||
            (c >= 0xAC00 && c <= 0xD7AF))
            return fontIndex("Malgun Gothic");
        if ((c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
            (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF))
            return fontIndex("Microsoft YaHei");
        return -1;
    }

    // One character of the page; position_ counts them as the control will.
    void append(char32_t c) {
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
    void unicode(char16_t c) {
        char code[16];
        std::snprintf(code, sizeof code, "\\u%d?", static_cast<int>(static_cast<std::int16_t>(c)));
        run_ += code;
    }

    // Ends the current run as a group carrying its style.
    void flush() {
        if (run_.empty())
            return;
        body_ += "{";
        if (style_.bold)
            body_ += "\\b";
        if (style_.italic)
            body_ += "\\i";
        if (style_.underline)
            body_ += "\\ul";
        if (style_.vertical < 0)
            body_ += "\\sub";
        if (style_.vertical > 0)
            body_ += "\\super";
        const int font = scriptFont_ >= 0 ? scriptFont_ : style_.monospace ? 1 : style_.font;
        body_ += "\\f" + std::to_string(font) + "\\fs" + std::to_string(style_.halfPoints) +
                 "\\cf" + std::to_string(style_.color) + " " + run_ + "}";
        run_.clear();
    }

    void setStyle(const Style& style) {
        // A space before a tag belongs to the text before it, in that text's style.
        if (pendingSpace_ && !lineStart_ && hidden_ == 0) {
            run_ += ' ';
            ++position_;
            pendingSpace_ = false;
        }
        flush();
        style_ = style;
    }

    void lineBreak() {
        flush();
        body_ += "\\line ";
        ++position_;
        lineStart_ = true;
        paragraphEmpty_ = false;
        pendingSpace_ = false;
    }

    // Starts a new paragraph unless the current one is still empty.
    void paragraph() {
        flush();
        if (!paragraphEmpty_) {
            body_ += "\\par";
            ++position_;
        }
        body_ += "\\pard";
        switch (alignment_) {
        case 'c':
            body_ += "\\qc";
            break;
        case 'r':
            body_ += "\\qr";
            break;
        case 'j':
            body_ += "\\qj";
            break;
        default:
            body_ += "\\ql";
            break;
        }
        if (!lists_.empty())
            body_ += "\\li" + std::to_string(360 * lists_.size());
        body_ += " ";
        lineStart_ = true;
        paragraphEmpty_ = true;
        pendingSpace_ = false;
    }

    // Mark-up ------------------------------------------------------------------------------

    // Handles the tag at at_; false when '<' starts no tag and is plain text.
    bool tag() {
        const std::size_t start = at_;
        if (html_.substr(start, 4) == u"<!--") {
            // Once a comment has no end, no later one has: the text is not searched again.
            if (start >= commentsEndless_)
                return false;
            const std::size_t end = html_.find(u"-->", start + 4);
            if (end == Text::npos) {
                commentsEndless_ = start;
                return false;
            }
            at_ = end + 3;
            return true;
        }
        const bool closing = start + 1 < html_.size() && html_[start + 1] == '/';
        const std::size_t nameStart = start + (closing ? 2 : 1);
        const bool declaration = nameStart < html_.size() && html_[nameStart] == '!';
        if (nameStart >= html_.size() || (!isLetter(html_[nameStart]) && !declaration))
            return false;
        std::size_t nameEnd = nameStart + (declaration ? 1 : 0);
        while (nameEnd < html_.size() && isNameChar(html_[nameEnd]))
            ++nameEnd;
        const std::size_t end = tagEnd(nameEnd);
        if (end >= html_.size())
            return false;
        at_ = end + 1;
        if (declaration)
            return true;
        const std::string name = lower(html_.substr(nameStart, nameEnd - nameStart));
        if (closing)
            close(name);
        else
            open(name, html_.substr(nameEnd, end - nameEnd));
        return true;
    }

    // The tag ends at the first '>' outside quotes; the text's size when there is none, and
    // then '<' was just text. A scan that found no end marks every place and quote state it
    // passed, so that a later scan that reaches one of them stops there: no part of the page is
    // scanned in the same state twice.
    std::size_t tagEnd(std::size_t from) {
        if (deadEnds_.empty())
            deadEnds_.assign(html_.size() + 1, 0);
        char16_t quote = 0;
        std::size_t end = from;
        for (; end < html_.size(); ++end) {
            const std::uint8_t state = quote == 0 ? 1 : quote == '"' ? 2 : 4;
            if (deadEnds_[end] & state)
                break;
            const char16_t c = html_[end];
            if (quote != 0) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                if (end > 0 && (html_[end - 1] == '=' || isSpace(html_[end - 1])))
                    quote = c;
            } else if (c == '>') {
                return end;
            }
        }
        // No end: the same walk once more, leaving its marks.
        quote = 0;
        for (std::size_t at = from; at < end; ++at) {
            deadEnds_[at] |= quote == 0 ? 1 : quote == '"' ? 2 : 4;
            const char16_t c = html_[at];
            if (quote != 0) {
                if (c == quote)
                    quote = 0;
            } else if ((c == '"' || c == '\'') && at > 0 &&
                       (html_[at - 1] == '=' || isSpace(html_[at - 1]))) {
                quote = c;
            }
        }
        return html_.size();
    }

    static std::string attribute(Text attributes, const char* wanted) {
        // A control character (a NUL above all) must never reach the RTF.
        std::string narrow;
        for (char16_t c : rawAttribute(attributes, wanted))
            narrow += static_cast<char>(c < 0x20 ? ' ' : c < 128 ? c : '?');
        return narrow;
    }

    // The value with its character entities read, control characters left out.
    static std::u16string decodedAttribute(Text attributes, const char* wanted) {
        const std::u16string raw = rawAttribute(attributes, wanted);
        std::u16string value;
        for (std::size_t at = 0; at < raw.size();) {
            char32_t c = raw[at];
            const std::size_t length = c == '&' ? readEntity(raw, at, c) : 0;
            at += length == 0 ? 1 : length;
            if (c < 0x20)
                continue;
            if (c >= 0x10000) {
                value += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                value += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                value += static_cast<char16_t>(c);
            }
        }
        return value;
    }

    static std::u16string rawAttribute(Text attributes, const char* wanted) {
        std::size_t at = 0;
        while (at < attributes.size()) {
            while (at < attributes.size() && !isNameChar(attributes[at]))
                ++at;
            const std::size_t nameStart = at;
            while (at < attributes.size() && isNameChar(attributes[at]))
                ++at;
            const std::string name = lower(attributes.substr(nameStart, at - nameStart));
            while (at < attributes.size() && isSpace(attributes[at]))
                ++at;
            std::u16string value;
            if (at < attributes.size() && attributes[at] == '=') {
                ++at;
                while (at < attributes.size() && isSpace(attributes[at]))
                    ++at;
                if (at < attributes.size() && (attributes[at] == '"' || attributes[at] == '\'')) {
                    const char16_t quote = attributes[at++];
                    const std::size_t close = attributes.find(quote, at);
                    const std::size_t end = close == Text::npos ? attributes.size() : close;
                    value = attributes.substr(at, end - at);
                    at = close == Text::npos ? end : close + 1;
                } else {
                    const std::size_t valueStart = at;
                    while (at < attributes.size() && !isSpace(attributes[at]))
                        ++at;
                    value = attributes.substr(valueStart, at - valueStart);
                }
            }
            if (name == wanted)
                return value;
        }
        return std::u16string();
    }

    char alignmentOf(Text attributes) const {
        std::string align = trimQuotesAndSpaces(attribute(attributes, "align"));
        const std::string style = attribute(attributes, "style");
        const std::size_t property = style.find("text-align");
        if (property != std::string::npos) {
            const std::size_t colon = style.find(':', property);
            align = colon == std::string::npos
                        ? ""
                        : trimQuotesAndSpaces(
                              style.substr(colon + 1, style.find(';', colon) - colon - 1));
        }
        for (char& c : align)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (align == "center")
            return 'c';
        if (align == "right")
            return 'r';
        if (align == "justify")
            return 'j';
        if (align == "left")
            return 'l';
        return alignment_;
    }

    int colorIndex(std::uint32_t rgb) {
        for (std::size_t i = 0; i < colors_.size(); ++i) {
            if (colors_[i] == rgb)
                return static_cast<int>(i + 1);
        }
        if (colors_.size() >= kMostColors)
            return style_.color;
        colors_.push_back(rgb);
        return static_cast<int>(colors_.size());
    }

    int fontIndex(std::string face) {
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

    static bool isBlock(const std::string& name) {
        static const char* const kBlocks[] = {"p",  "div",        "ul", "ol", "li", "pre", "table",
                                              "tr", "blockquote", "h1", "h2", "h3", "h4",  "h5",
                                              "h6", "dl",         "dt", "dd", "hr"};
        for (const char* block : kBlocks) {
            if (name == block)
                return true;
        }
        return false;
    }

    static bool isVoid(const std::string& name) {
        return name == "br" || name == "hr" || name == "img" || name == "meta" || name == "link" ||
               name == "input" || name == "col" || name == "area" || name == "base" ||
               name == "wbr";
    }

    void open(const std::string& name, Text attributes) {
        if (name == "br") {
            lineBreak();
            return;
        }
        if (isVoid(name)) {
            if (name == "hr")
                paragraph();
            return;
        }
        // Deeper nesting is taken as plain text of the elements it is in.
        if (stack_.size() >= kDeepestNesting)
            return;
        Element element{name, style_, alignment_};
        Style style = style_;
        if (name == "b" || name == "strong" || name == "th")
            style.bold = true;
        else if (name == "i" || name == "em" || name == "cite" || name == "var")
            style.italic = true;
        else if (name == "u" || name == "ins")
            style.underline = true;
        else if (name == "sub")
            style.vertical = -1;
        else if (name == "sup")
            style.vertical = 1;
        else if (name == "code" || name == "tt" || name == "kbd" || name == "samp")
            style.monospace = true;
        else if (name == "a") {
            style.underline = true;
            style.color = colorIndex(kLinkColor);
            element.link = static_cast<int>(links_.size());
            links_.push_back(PageLink{0, -1, decodedAttribute(attributes, "href")});
        } else if (name == "font") {
            std::uint32_t rgb = 0;
            if (parseColor(attribute(attributes, "color"), rgb))
                style.color = colorIndex(rgb);
            style.font = fontIndex(attribute(attributes, "face"));
            const std::string size = trimQuotesAndSpaces(attribute(attributes, "size"));
            if (!size.empty()) {
                int value = std::atoi(size.c_str());
                if (size[0] == '+' || size[0] == '-')
                    value += 3;
                value = value < 1 ? 1 : value > 7 ? 7 : value;
                style.halfPoints = kSizes[value - 1];
            }
        } else if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
            style.bold = true;
            style.halfPoints = kHeadingSizes[name[1] - '1'];
        } else if (name == "pre") {
            style.monospace = true;
            ++pre_;
        } else if (name == "script" || name == "style" || name == "title") {
            ++hidden_; // their contents are not page text
        }
        if (name == "ul" || name == "ol")
            lists_.push_back(List{name == "ol", 0});
        if (isBlock(name)) {
            alignment_ = alignmentOf(attributes);
            paragraph();
        }
        if (name == "li")
            bullet();
        if ((name == "td" || name == "th") && cellsInRow_++ > 0) {
            run_ += "\\tab ";
            ++position_;
        }
        if (name == "tr")
            cellsInRow_ = 0;
        stack_.push_back(element);
        ++openByName_[name];
        setStyle(style);
        if (element.link >= 0)
            links_[static_cast<std::size_t>(element.link)].start = position_;
    }

    void bullet() {
        if (lists_.empty())
            return;
        List& list = lists_.back();
        if (list.ordered) {
            const std::string number = std::to_string(++list.counter) + ". ";
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

    // Closes the named element and everything opened inside it; a closing tag with no open
    // element of its name is ignored.
    void close(const std::string& name) {
        const auto open = openByName_.find(name);
        if (open == openByName_.end() || open->second == 0)
            return;
        std::size_t index = stack_.size();
        while (index > 0 && stack_[index - 1].name != name)
            --index;
        if (index == 0)
            return;
        while (stack_.size() >= index) {
            const Element element = stack_.back();
            stack_.pop_back();
            --openByName_[element.name];
            if (element.link >= 0)
                links_[static_cast<std::size_t>(element.link)].end = position_;
            if (element.name == "pre" && pre_ > 0)
                --pre_;
            if ((element.name == "script" || element.name == "style" || element.name == "title") &&
                hidden_ > 0)
                --hidden_;
            if ((element.name == "ul" || element.name == "ol") && !lists_.empty())
                lists_.pop_back();
            setStyle(element.before);
            if (isBlock(element.name)) {
                alignment_ = element.alignmentBefore;
                paragraph();
            }
        }
    }

    // The character of the entity at at_, which is moved past it; a lone '&' stays itself.
    char32_t entity() {
        char32_t code = '&';
        const std::size_t length = readEntity(html_, at_, code);
        at_ += length == 0 ? 1 : length;
        return length == 0 ? '&' : code;
    }

    std::string header() const {
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

    Text html_;
    std::size_t at_ = 0;
    std::string body_, run_;
    Style style_;
    char alignment_ = 'l';
    std::vector<Element> stack_;
    std::unordered_map<std::string, int> openByName_; // how many of stack_ have each name
    std::vector<List> lists_;
    std::vector<std::string> fonts_{"MS Sans Serif", "Courier New"};
    std::vector<std::uint32_t> colors_;
    int pre_ = 0, hidden_ = 0, cellsInRow_ = 0;
    long position_ = 0;   // characters of the page so far
    int scriptFont_ = -1; // the face of the run for its script, if not the style's
    std::vector<PageLink> links_;
    std::size_t commentsEndless_ = Text::npos; // from here on no comment has an end
    std::vector<std::uint8_t> deadEnds_;       // see tagEnd
    bool pendingSpace_ = false, lineStart_ = true, paragraphEmpty_ = true;
};

} // namespace

RtfPage htmlToPage(const std::u16string& html) {
    return Converter(html).run();
}

std::string htmlToRtf(const std::u16string& html) {
    return htmlToPage(html).rtf;
}
