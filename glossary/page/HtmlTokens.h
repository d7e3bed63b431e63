#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using HtmlText = std::u16string_view;

bool isHtmlSpace(char16_t c);
// Letters, digits, '-', '_' and ':': what tag, attribute and entity names are made of.
bool isHtmlNameChar(char16_t c);
// ASCII letters in lower case; anything beyond ASCII becomes '?'.
std::string lowerAscii(HtmlText text);
std::string trimQuotesAndSpaces(std::string text);

// A colour by name or as #rgb / #rrggbb, without regard to case.
bool parseHtmlColor(std::string text, std::uint32_t& rgb);

// The length of the character entity at `at` of `text` (0 when there is none: a lone '&'),
// and the character it stands for.
std::size_t readEntity(HtmlText text, std::size_t at, char32_t& code);

// An attribute's value from a tag's attribute text, in ASCII: control characters (a NUL above
// all) become blanks, anything beyond ASCII '?'. Empty when the tag has no such attribute.
std::string attributeText(HtmlText attributes, const char* name);
// The value with its character entities read, control characters left out.
std::u16string decodedAttribute(HtmlText attributes, const char* name);

// Splits a page into characters and tags. Malformed mark-up is text: a '<' that opens no tag
// and a '&' that starts no entity are characters. Linear in the page's length however it is
// written.
class HtmlTokenizer {
public:
    struct Token {
        enum Kind { Character, OpenTag, CloseTag, End } kind = End;
        char32_t character = 0; // Character: one UTF-16 unit, or an entity's code point
        std::string name;       // tags: the name in lower case
        HtmlText attributes;    // OpenTag: the text between the name and '>'
    };

    explicit HtmlTokenizer(HtmlText html) : html_(html) {}
    Token next();

private:
    bool tag(Token& token);
    std::size_t tagEnd(std::size_t from);

    HtmlText html_;
    std::size_t at_ = 0;
    std::size_t commentsEndless_ = HtmlText::npos; // from here on no comment has an end
    std::vector<std::uint8_t> deadEnds_;           // see tagEnd
};
