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

void appendCode(std::u16string& out, char32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<char16_t>(code);
    }
}

} // namespace

bool isWordCharacter(char16_t c) {
    if (c < 0x80)
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (c < 0xC0)
        return c == 0xAA || c == 0xB5 || c == 0xBA;
    if (c == 0xD7 || c == 0xF7)
        return false;
    // General punctuation, symbols, arrows and the like; CJK and full-width punctuation.
    return !(c >= 0x2000 && c <= 0x2BFF) && !(c >= 0x3000 && c <= 0x303F) &&
           !(c >= 0xFE30 && c <= 0xFE4F) && !(c >= 0xFF00 && c <= 0xFF0F) &&
           !(c >= 0xFF1A && c <= 0xFF20) && !(c >= 0xFF3B && c <= 0xFF40) &&
           !(c >= 0xFF5B && c <= 0xFF65) && c != 0xFEFF && c != 0xFFFD;
}

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

namespace {

// The character at `i`, an entity read as the one it stands for in markup, and how many code
// units it takes.
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

} // namespace

void forEachWordAsWritten(std::u16string_view text, bool markup,
                          const std::function<void(const std::string& folded, std::size_t at,
                                                   std::u16string_view written)>& each) {
    // Most words are ASCII: those are folded as they are read, the others word by word. A
    // word is written as it stands in the text; only one with an entity in it is copied,
    // decoded, into `decodedWord`.
    std::string ascii;
    std::u16string word, decodedWord;
    bool wide = false, copied = false;
    std::size_t start = 0;
    const auto flush = [&](std::size_t end) {
        const std::u16string_view written =
            copied ? std::u16string_view(decodedWord) : text.substr(start, end - start);
        if (wide)
            each(foldWord(word), start, written);
        else if (!ascii.empty())
            each(ascii, start, written);
        ascii.clear();
        word.clear();
        decodedWord.clear();
        wide = false;
        copied = false;
    };
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (c < 0x80 && c != u'<' && c != u'&') {
            if (isWordCharacter(c)) {
                if (ascii.empty() && word.empty())
                    start = i;
                if (wide) {
                    word += c;
                    if (copied)
                        decodedWord += c;
                } else {
                    // The rest of an ASCII run at once.
                    std::size_t end = i;
                    while (end < text.size() && text[end] < 0x80 && isWordCharacter(text[end]))
                        ++end;
                    for (std::size_t k = i; k < end && ascii.size() < kMaxWordLength; ++k)
                        ascii += static_cast<char>(text[k] >= u'A' && text[k] <= u'Z' ? text[k] + 32
                                                                                      : text[k]);
                    if (copied)
                        decodedWord += text.substr(i, end - i);
                    i = end;
                    continue;
                }
            } else {
                flush(i);
            }
            ++i;
            continue;
        }
        if (markup && c == u'<') {
            flush(i);
            const std::size_t end = text.find(u'>', i + 1);
            i = end == std::u16string_view::npos ? text.size() : end + 1;
            continue;
        }
        std::size_t length = 1;
        const char32_t code = codeAt(text, i, markup, length);
        std::u16string decoded;
        appendCode(decoded, code);
        if (isWordCharacter(decoded[0])) {
            if (ascii.empty() && word.empty())
                start = i;
            if (length > 1 && !copied) {
                // An entity: the word as written is its text so far, then what it stands for.
                decodedWord.assign(text.substr(start, i - start));
                copied = true;
            }
            if (copied)
                decodedWord += decoded;
            if (!wide && (decoded.size() > 1 || decoded[0] >= 0x80)) {
                // The ASCII read so far is folded already; folding it again changes nothing.
                wide = true;
                word.assign(ascii.begin(), ascii.end());
            }
            if (wide)
                word += decoded;
            else if (ascii.size() < kMaxWordLength)
                ascii += static_cast<char>(
                    decoded[0] >= u'A' && decoded[0] <= u'Z' ? decoded[0] + 32 : decoded[0]);
        } else {
            flush(i);
        }
        i += length;
    }
    flush(text.size());
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
