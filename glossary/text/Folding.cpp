#include "Folding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace text {

namespace {

#include "UnicodeTables.inc"

constexpr std::size_t kFoldWidth = 3;

// The row of `table` (entries of 1 + width code points, sorted) for `code`, or null.
const std::uint32_t* rowOf(const std::uint32_t* table, std::size_t values, std::size_t width,
                           char32_t code) {
    const std::size_t stride = width + 1, count = values / stride;
    std::size_t low = 0, high = count;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (table[middle * stride] < code)
            low = middle + 1;
        else
            high = middle;
    }
    return low < count && table[low * stride] == code ? table + low * stride : nullptr;
}

// The rows of the first code points (Latin, Greek, Cyrillic and more), found once: most text
// of the glossary is there, and a search of the table for each character is what folding a
// million terms spends its time on.
constexpr char32_t kDirect = 0x800;

struct Direct {
    std::vector<const std::uint32_t*> folds, bases;
    Direct() : folds(kDirect), bases(kDirect) {
        for (char32_t code = 0; code < kDirect; ++code) {
            folds[code] = rowOf(kCaseFolds, std::size(kCaseFolds), kFoldWidth, code);
            bases[code] = rowOf(kBases, std::size(kBases), kBaseWidth, code);
        }
    }
};

const Direct& direct() {
    // Never destroyed: a thread still folding while the program ends (an index being built
    // is never waited for) reads it after the static objects have gone.
    static const Direct& table = *new Direct;
    return table;
}

const std::uint32_t* foldOf(char32_t code) {
    return code < kDirect ? direct().folds[code]
                          : rowOf(kCaseFolds, std::size(kCaseFolds), kFoldWidth, code);
}

const std::uint32_t* baseOf(char32_t code) {
    return code < kDirect ? direct().bases[code]
                          : rowOf(kBases, std::size(kBases), kBaseWidth, code);
}

void append(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
}

// Calls `each` with every code point of `text`; a lone surrogate stands for itself.
template <typename Each> void forEachCode(std::u16string_view text, Each each) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        each(code);
    }
}

// Calls `each(folded code, upper)` with the case folding of every code point.
template <typename Each> void forEachFolded(std::u16string_view text, Each each) {
    forEachCode(text, [&each](char32_t code) {
        if (code < 0x80) {
            const bool upper = code >= 'A' && code <= 'Z';
            each(upper ? code + 32 : code, upper);
            return;
        }
        const std::uint32_t* fold = foldOf(code);
        if (fold == nullptr) {
            each(code, false);
            return;
        }
        for (std::size_t i = 1; i <= kFoldWidth && fold[i] != 0; ++i)
            each(fold[i], true);
    });
}

// What each letter of a text adds to the order beyond its base letter.
struct Details {
    std::vector<std::uint32_t> accents; // per letter its marks, then 1
    std::vector<bool> upper;
};

Details detailsOf(std::u16string_view text) {
    Details details;
    forEachFolded(text, [&details](char32_t code, bool upper) {
        const std::uint32_t* base = code < 0xC0 ? nullptr : baseOf(code);
        for (std::size_t i = 2; base != nullptr && i <= kBaseWidth && base[i] != 0; ++i)
            details.accents.push_back(base[i]);
        details.accents.push_back(1);
        details.upper.push_back(upper);
    });
    return details;
}

// Punctuation and symbols of ASCII, then digits, then letters and everything else.
std::uint32_t weight(char16_t unit) {
    if (unit >= 0x80)
        return unit + 0x100u;
    const bool digit = unit >= '0' && unit <= '9';
    const bool letter = (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z');
    return letter ? unit + 0x100u : digit ? unit + 0x80u : unit;
}

template <typename Sequence> int compareSequences(const Sequence& a, const Sequence& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end())   ? -1
           : std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end()) ? 1
                                                                                  : 0;
}

} // namespace

std::u16string foldCase(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    forEachFolded(text, [&out](char32_t code, bool) { append(out, code); });
    return out;
}

std::u16string foldAccents(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    forEachFolded(text, [&out](char32_t code, bool) {
        const std::uint32_t* base = code < 0xC0 ? nullptr : baseOf(code);
        append(out, base == nullptr ? code : base[1]);
    });
    return out;
}

bool beginsWithLetters(std::u16string_view text, std::u16string_view letters) {
    // A plain letter folds to itself in lower case: most terms are told apart without folding
    // anything (a search passes over a million of them while the index is being built).
    const auto plain = [](char16_t unit) {
        return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit;
    };
    std::size_t matched = 0; // of the letters
    for (std::size_t i = 0; i < text.size() && matched < letters.size(); ++i) {
        if (text[i] < 0x80) {
            if (plain(text[i]) != letters[matched])
                return false;
            ++matched;
            continue;
        }
        // One code point at a time: most terms differ in their first letter.
        const bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
        const std::u16string folded = foldAccents(text.substr(i, pair ? 2 : 1));
        i += pair ? 1 : 0;
        const std::size_t common = std::min(folded.size(), letters.size() - matched);
        if (folded.compare(0, common, letters.substr(matched, common)) != 0)
            return false;
        matched += folded.size();
    }
    return matched >= letters.size();
}

int collateKeys(std::u16string_view keyA, std::u16string_view keyB) {
    const std::size_t common = std::min(keyA.size(), keyB.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (keyA[i] != keyB[i])
            return weight(keyA[i]) < weight(keyB[i]) ? -1 : 1;
    }
    return keyA.size() == keyB.size() ? 0 : keyA.size() < keyB.size() ? -1 : 1;
}

int collate(std::u16string_view a, std::u16string_view keyA, std::u16string_view b,
            std::u16string_view keyB) {
    if (const int order = collateKeys(keyA, keyB))
        return order;
    if (a == b)
        return 0;
    const Details first = detailsOf(a), second = detailsOf(b);
    if (const int order = compareSequences(first.accents, second.accents))
        return order;
    if (const int order = compareSequences(first.upper, second.upper))
        return order;
    return a.compare(b) < 0 ? -1 : 1;
}

int collate(std::u16string_view a, std::u16string_view b) {
    return collate(a, foldAccents(a), b, foldAccents(b));
}

} // namespace text
