#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What a look-up from another program takes from the clipboard (portable).

// The most a copied text may hold and still be looked up: a selection longer than a phrase is
// a passage, not a word.
inline constexpr std::size_t kMostCopiedCharacters = 100;

// The word of a copied text: blanks and punctuation around it trimmed ("“dog,”" is "dog").
// Empty when nothing is left, or when it holds a line break, a control character or more
// than kMostCopiedCharacters: such a copy asks for no look-up.
std::u16string copiedWord(std::u16string_view copied);

// Tells a copy made twice in a row from one made once: the reader's Ctrl+C pressed twice
// within `withinMs` gives two clipboard updates with the same text.
class CopiedTwice {
public:
    explicit CopiedTwice(std::uint32_t withinMs = 500) : withinMs_(withinMs) {}
    // A copy of `text` at `atMs` (a tick count, which may wrap); true when it is the second
    // of such a pair. A third copy starts a new pair. An empty text (nothing to look up)
    // ends any pair.
    bool copied(const std::u16string& text, std::uint32_t atMs);

private:
    std::uint32_t withinMs_;
    std::u16string last_;
    std::uint32_t lastAt_ = 0;
    bool pending_ = false; // last_ was copied once and waits for its second copy
};
