#include "Words.h"

#include "jet/TextCodec.h"
#include "page/HtmlEntities.h"
#include "text/Folding.h"

namespace search {

namespace {

// The character an entity at `at` ('&') stands for and its length; 0 when it is none.
char32_t entityAt(std::u16string_view text, std::size_t at, std::size_t& length) {
    const std::size_t end = text.find(u';', at + 1);
    if (end == std::u16string_view::npos || end - at > 12 || end == at + 1)
        return 0;
    std::string name;
    for (std::size_t i = at + 1; i < end; ++i) {
        if (text[i] > 0x7F)
            return 0;
        name += static_cast<char>(text[i]);
    }
    length = end + 1 - at;
    if (name[0] != '#')
        return namedEntity(name);
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    char32_t code = 0;
    for (std::size_t i = hex ? 2 : 1; i < name.size(); ++i) {
        const char c = name[i];
        const int digit = c >= '0' && c <= '9'          ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
        if (digit < 0 || code > 0x10FFFF)
            return 0;
        code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    return code <= 0x10FFFF ? code : 0;
}

} // namespace

namespace detail {

void appendCode(std::u16string& out, char32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<char16_t>(code);
    }
}

char32_t codeAt(std::u16string_view text, std::size_t i, bool markup, std::size_t& length) {
    length = 1;
    if (markup && text[i] == u'&') {
        const char32_t entity = entityAt(text, i, length);
        if (entity != 0)
            return entity;
        length = 1;
    }
    return text[i];
}

} // namespace detail

std::string foldWord(std::u16string_view word) {
    std::string folded;
    bool ascii = true;
    for (const char16_t c : word)
        ascii = ascii && c < 0x80;
    if (ascii) {
        // Most words of most dictionaries: folding is lower case alone.
        for (std::size_t i = 0; i < word.size() && i < kMaxWordLength; ++i) {
            const char16_t c = word[i];
            folded += static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c);
        }
        return folded;
    }
    std::u16string letters = text::foldAccents(word);
    if (letters.size() > kMaxWordLength) {
        std::size_t length = kMaxWordLength;
        if (letters[length - 1] >= 0xD800 && letters[length - 1] < 0xDC00)
            --length; // not half a character
        letters.resize(length);
    }
    return jet::toUtf8(letters);
}

void forEachWord(std::u16string_view text, bool markup,
                 const std::function<void(const std::string& word, std::size_t at)>& each) {
    forEachWordAsWritten(text, markup,
                         [&each](const std::string& folded, std::size_t at, std::u16string_view) {
                             each(folded, at);
                         });
}

void forEachWrittenWord(std::u16string_view text, bool markup,
                        const std::function<void(std::u16string_view word)>& each) {
    forEachWordAsWritten(text, markup,
                         [&each](const std::string&, std::size_t, std::u16string_view written) {
                             if (written.size() <= kMaxWordLength)
                                 each(written);
                         });
}

} // namespace search
