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
bool isWordCharacter(char16_t c);

// The folded form of one word as typed (what the index holds for it).
std::string foldWord(std::u16string_view word);

// Calls `each` with every word of `text` and where in `text` it begins, in order. With
// `markup`, the text is HTML: tags are skipped (a tag ends a word) and character entities
// stand for their characters.
void forEachWord(std::u16string_view text, bool markup,
                 const std::function<void(const std::string& word, std::size_t at)>& each);

// Each word both ways at once: folded (as forEachWord) and as written (entities read, neither
// folded nor shortened), for the import, which needs both of every text.
void forEachWordAsWritten(std::u16string_view text, bool markup,
                          const std::function<void(const std::string& folded, std::size_t at,
                                                   std::u16string_view written)>& each);

// The same words as written, neither folded nor shortened (longer ones are left out): what a
// spelling dictionary needs to find a word's base forms.
void forEachWrittenWord(std::u16string_view text, bool markup,
                        const std::function<void(std::u16string_view word)>& each);

} // namespace search
