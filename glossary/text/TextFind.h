#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// Finding a piece of text in a page as the term search compares: case and accents ignored
// ("ECOLE" finds "école", "strasse" finds "Straße"), or exactly as written.
namespace text {

// Code units [begin, end) of the text searched; whole code points always.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const Span& other) const { return begin == other.begin && end == other.end; }
};

// The first place where `wanted` occurs in `text` that begins at or after `from` (forward),
// else the last that begins before `from` (backward); nothing when there is none or `wanted`
// is empty. A match may cover part of what one letter folds to ("s" in "ß"): it then
// covers the whole letter.
std::optional<Span> findText(std::u16string_view text, std::u16string_view wanted, std::size_t from,
                             bool forward, bool matchCase = false);

// As findText, going on from the other end of `text` when nothing is found before it ends:
// each place in turn, whichever way, however often it is asked.
std::optional<Span> findTextAround(std::u16string_view text, std::u16string_view wanted,
                                   std::size_t from, bool forward, bool matchCase = false);

} // namespace text
