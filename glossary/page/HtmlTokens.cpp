#include "HtmlTokens.h"

#include "HtmlEntities.h"

namespace {

// An entity name is short: a longer run after '&' is text, and is not scanned again.
constexpr std::size_t kLongestEntity = 32;

bool isLetter(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::u16string rawAttribute(HtmlText attributes, const char* wanted) {
    std::size_t at = 0;
    while (at < attributes.size()) {
        while (at < attributes.size() && !isHtmlNameChar(attributes[at]))
            ++at;
        const std::size_t nameStart = at;
        while (at < attributes.size() && isHtmlNameChar(attributes[at]))
            ++at;
        const std::string name = lowerAscii(attributes.substr(nameStart, at - nameStart));
        while (at < attributes.size() && isHtmlSpace(attributes[at]))
            ++at;
        std::u16string value;
        if (at < attributes.size() && attributes[at] == '=') {
            ++at;
            while (at < attributes.size() && isHtmlSpace(attributes[at]))
                ++at;
            if (at < attributes.size() && (attributes[at] == '"' || attributes[at] == '\'')) {
                const char16_t quote = attributes[at++];
                const std::size_t close = attributes.find(quote, at);
                const std::size_t end = close == HtmlText::npos ? attributes.size() : close;
                value = attributes.substr(at, end - at);
                at = close == HtmlText::npos ? end : close + 1;
            } else {
                const std::size_t valueStart = at;
                while (at < attributes.size() && !isHtmlSpace(attributes[at]))
                    ++at;
                value = attributes.substr(valueStart, at - valueStart);
            }
        }
        if (name == wanted)
            return value;
    }
    return std::u16string();
}

} // namespace

bool isHtmlSpace(char16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool isHtmlNameChar(char16_t c) {
    return isLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':';
}

std::string lowerAscii(HtmlText text) {
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

bool parseHtmlColor(std::string text, std::uint32_t& rgb) {
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

std::size_t readEntity(HtmlText text, std::size_t at, char32_t& code) {
    const std::size_t start = at + 1;
    // A name ends at the first character that cannot be part of one.
    std::size_t semicolon = start;
    while (semicolon < text.size() && semicolon - start <= kLongestEntity &&
           (isHtmlNameChar(text[semicolon]) || text[semicolon] == '#'))
        ++semicolon;
    if (semicolon >= text.size() || text[semicolon] != ';' || semicolon == start ||
        semicolon - start > kLongestEntity) {
        return 0;
    }
    const HtmlText name = text.substr(start, semicolon - start);
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
            if (!isHtmlNameChar(c)) {
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

std::string attributeText(HtmlText attributes, const char* wanted) {
    // A control character (a NUL above all) must never reach the RTF.
    std::string narrow;
    for (char16_t c : rawAttribute(attributes, wanted))
        narrow += static_cast<char>(c < 0x20 ? ' ' : c < 128 ? c : '?');
    return narrow;
}

std::u16string decodedAttribute(HtmlText attributes, const char* wanted) {
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

HtmlTokenizer::Token HtmlTokenizer::next() {
    Token token;
    while (at_ < html_.size()) {
        const char16_t c = html_[at_];
        if (c == '<' && tag(token)) {
            if (token.kind != Token::End)
                return token;
            continue; // a comment or a declaration
        }
        token.kind = Token::Character;
        if (c == '&') {
            char32_t code = '&';
            const std::size_t length = readEntity(html_, at_, code);
            at_ += length == 0 ? 1 : length;
            token.character = length == 0 ? '&' : code;
        } else {
            token.character = c;
            ++at_;
        }
        return token;
    }
    return token;
}

// Reads the tag at at_ into `token` (nothing for a comment or a declaration); false when
// '<' starts no tag and is plain text.
bool HtmlTokenizer::tag(Token& token) {
    const std::size_t start = at_;
    if (html_.substr(start, 4) == u"<!--") {
        // Once a comment has no end, no later one has: the text is not searched again.
        if (start >= commentsEndless_)
            return false;
        const std::size_t end = html_.find(u"-->", start + 4);
        if (end == HtmlText::npos) {
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
    while (nameEnd < html_.size() && isHtmlNameChar(html_[nameEnd]))
        ++nameEnd;
    const std::size_t end = tagEnd(nameEnd);
    if (end >= html_.size())
        return false;
    at_ = end + 1;
    if (declaration)
        return true;
    token.kind = closing ? Token::CloseTag : Token::OpenTag;
    token.name = lowerAscii(html_.substr(nameStart, nameEnd - nameStart));
    if (!closing)
        token.attributes = html_.substr(nameEnd, end - nameEnd);
    return true;
}

// The tag ends at the first '>' outside quotes; the text's size when there is none, and
// then '<' was just text. A scan that found no end marks every place and quote state it
// passed, so that a later scan that reaches one of them stops there: no part of the page is
// scanned in the same state twice.
std::size_t HtmlTokenizer::tagEnd(std::size_t from) {
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
            if (end > 0 && (html_[end - 1] == '=' || isHtmlSpace(html_[end - 1])))
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
                   (html_[at - 1] == '=' || isHtmlSpace(html_[at - 1]))) {
            quote = c;
        }
    }
    return html_.size();
}
