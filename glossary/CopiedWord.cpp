#include "CopiedWord.h"

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x00A0 || c == 0x2007 ||
           c == 0x202F || c == 0x3000 || (c >= 0x2000 && c <= 0x200B) || c == 0xFEFF;
}

// Punctuation that surrounds a word in running text; '+' and '#' stay ("C++", "C#").
bool isSurroundingPunctuation(char16_t c) {
    static constexpr std::u16string_view kMarks =
        u".,;:!?\"'()[]{}<>*/\\|_~`-"
        u"\u00AB\u00BB\u00A1\u00BF\u00B7\u2010\u2011\u2012\u2013\u2014\u2015\u2018\u2019\u201A"
        u"\u201B\u201C\u201D\u201E\u201F\u2026\u2039\u203A\u3001\u3002\u300C\u300D\u300E\u300F"
        u"\uFF01\uFF08\uFF09\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F";
    return kMarks.find(c) != std::u16string_view::npos;
}

bool isTrimmed(char16_t c) {
    return isBlank(c) || isSurroundingPunctuation(c);
}

} // namespace

std::u16string copiedWord(std::u16string_view copied) {
    std::size_t begin = 0, end = copied.size();
    while (begin < end && isTrimmed(copied[begin]))
        ++begin;
    while (end > begin && isTrimmed(copied[end - 1]))
        --end;
    if (end - begin > kMostCopiedCharacters)
        return std::u16string();
    for (std::size_t i = begin; i < end; ++i) {
        const char16_t c = copied[i];
        if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029)
            return std::u16string();
    }
    return std::u16string(copied.substr(begin, end - begin));
}

bool CopiedTwice::copied(const std::u16string& text, std::uint32_t atMs) {
    const bool second = pending_ && !text.empty() && text == last_ && atMs - lastAt_ <= withinMs_;
    pending_ = !second && !text.empty();
    last_ = text;
    lastAt_ = atMs;
    return second;
}
