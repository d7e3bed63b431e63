#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The words of a text as the full-text search sees them: runs of letters and digits (any
// script), case and accents folded as the term search folds them (text::foldAccents), kept as
// UTF-8, at most kMaxWordLength code units of the folded word.
namespace search {

inline constexpr std::size_t kMaxWordLength = 64;

// Whether `c` may stand in a word: not blank, not punctuation or a symbol.
inline bool isWordCharacter(char16_t c) {
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

// The folded form of one word as typed (what the index holds for it).
std::string foldWord(std::u16string_view word);

// Calls `each` with every word of `text` and where in `text` it begins, in order. With
// `markup`, the text is HTML: tags are skipped (a tag ends a word) and character entities
// stand for their characters.
void forEachWord(std::u16string_view text, bool markup,
                 const std::function<void(const std::string& word, std::size_t at)>& each);

// Each word both ways at once: folded (as forEachWord) and as written (entities read, neither
// folded nor shortened), for the import, which needs both of every text. A template, so that
// the import's reading of every word is compiled into its loop.
template <typename Each>
void forEachWordAsWritten(std::u16string_view text, bool markup, Each&& each);

// The same words as written, neither folded nor shortened (longer ones are left out): what a
// spelling dictionary needs to find a word's base forms.
void forEachWrittenWord(std::u16string_view text, bool markup,
                        const std::function<void(std::u16string_view word)>& each);

namespace detail {

// The character at `i`, an entity read as the one it stands for in markup, and how many code
// units it takes.
char32_t codeAt(std::u16string_view text, std::size_t i, bool markup, std::size_t& length);
void appendCode(std::u16string& out, char32_t code);

} // namespace detail

template <typename Each>
void forEachWordAsWritten(std::u16string_view text, bool markup, Each&& each) {
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
        const char32_t code = detail::codeAt(text, i, markup, length);
        std::u16string decoded;
        detail::appendCode(decoded, code);
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

} // namespace search
