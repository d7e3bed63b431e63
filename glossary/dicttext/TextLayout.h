#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// How the plain text of dictionaries is laid out, found from the data: most are wrapped at a
// fixed column (GCIDE at 64, WordNet at 68, the Jargon File at 79, Ding at 72), so a line
// that ends well before it was ended on purpose; FreeDict's lines are not wrapped at all.
namespace layout {

// Lines ended on purpose only: a dictionary whose lines are not wrapped.
inline constexpr std::size_t kNotWrapped = static_cast<std::size_t>(-1);
// Every line is a wrapped one (a text on its own, whose width is not known).
inline constexpr std::size_t kWrappedAnywhere = 0;

// The column a dictionary's text is wrapped at: the length that 99 in 100 of its lines keep
// to, when hardly any line goes further (a wrapped text's lines end at its column); else
// kNotWrapped. A dictionary of few lines is taken as wrapped at its longest.
std::size_t wrapWidthOf(std::string_view data);

// Columns of a line's leading white space, a TAB to the next multiple of eight.
std::size_t indentOf(std::u16string_view line);

// Columns a line takes, a TAB to the next multiple of eight, blanks at its end left out.
std::size_t widthOf(std::u16string_view line);

// Whether `line` starts an item of its own even after a full line: a numbered sense ("1.",
// "2:", "n 1:", "(a)"), a note or a list of synonyms ("Note:", "Syn.", "see:"), a bullet, a
// note in brackets alone on its line.
bool startsItem(std::u16string_view line);

// Whether `line` is a short note in brackets alone on its line: the source an entry or a
// quotation was taken from ("[1913 Webster]", "[Webster 1913 Suppl.]") or a label that stands
// for the text above it ("[Obs.]"), not a list ("[syn: {dog}]"). Such a line stands on its own:
// nothing joins it.
bool isBracketNote(std::u16string_view line);

// Whether `next` goes on the paragraph of `previous` (a wrapped line) rather than on a line
// of its own: the first word of `next` would not have fitted on `previous`.
bool continues(std::u16string_view previous, std::u16string_view next, std::size_t wrapWidth);

// The width each line was wrapped at: the dictionary's, or narrower where the lines between
// two blank ones keep to a narrower column of their own (FOLDOC's entries come from many hands),
// as long as it is near the dictionary's (short lines ended on purpose set no column). In
// `widths`, whose buffer is reused.
void paragraphWidths(const std::vector<std::u16string_view>& lines, std::size_t wrapWidth,
                     std::vector<std::size_t>& widths);

// Ding writes an entry's headword phrase first, wrapped, its lines after the first indented by
// one blank (or none), and the translation below further in; the Jargon File so its
// pronunciation. The length of that heading at the start of `text` (its lines' ends left out),
// or 0 when the second line does not continue the first.
std::size_t headingLength(std::u16string_view text);

// GCIDE quotes authors indented further than the text, each quotation with its source after
// it ("--Gen. ix. 13.", often aligned at a column of its own, or on the lines below). Of
// lines[from, to) (no blank line among them), where the quotation that starts at `from` ends:
// its lines are those indented at least as far as its first and the lines of its source; `from`
// when no quotation with a source starts there (nor a sense: "(b) ... --Chaucer.").
std::size_t quotationEnd(const std::vector<std::u16string_view>& lines, std::size_t from,
                         std::size_t to);

// Whether `line` of a quotation goes on the line before it as part of its source: the source
// itself ("--Macaulay."), or the rest of one begun on `previous` ("--Deut." and "xxviii. 1.").
bool continuesSource(std::u16string_view previous, std::u16string_view line);

// Whether the quotation lines[from, to) is verse, whose line ends are the poet's: two lines or
// more before its source, each after the first starting with a capital, none so full that the
// next line's first word would not have fitted on it at `wrapWidth` (a known width).
bool isVerse(const std::vector<std::u16string_view>& lines, std::size_t from, std::size_t to,
             std::size_t wrapWidth);

// Whether lines indented further than the text are laid out in columns (a table, a drawing) or
// as a program, and so must keep their blanks: blanks inside a line, or a line further in
// than one ended on purpose before it (unless it starts a sense). Of lines[from, to).
bool keepsColumns(const std::vector<std::u16string_view>& lines, std::size_t from, std::size_t to,
                  std::size_t wrapWidth);

} // namespace layout
