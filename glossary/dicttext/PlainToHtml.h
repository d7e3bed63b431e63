#pragma once

#include "TextLayout.h"

#include <functional>
#include <string>

// What braces mean in a dictionary: cross-references, or labels such as {m} and {pl}.
enum class Braces { References, Labels };

// The plain text of a dictionary entry as a glossary page: &, < and > escaped; paragraphs at
// blank lines, their wrapped lines joined (lines wrapped at `wrapWidth`, see layout::), each
// line ended on purpose, numbered sense, note or note in brackets ("[1913 Webster]") on a line
// of its own, a quotation set apart with its source (verse keeping its line ends), blanks
// collapsed; lines
// indented further than the entry's own text kept as preformatted blocks where they are laid
// out in columns (layout::keepsColumns; a text wrapped at no known width keeps them all);
// {term} a link to that term of the glossary (written
// <a href="#term">) when `isTerm` knows it, else plain text (labels keep their braces);
// {label (address)} and bare http:// and https:// addresses links to the address, when the
// viewer opens that kind (http, https, mailto), else text.
std::u16string plainToHtml(const std::u16string& text,
                           const std::function<bool(const std::u16string&)>& isTerm,
                           Braces braces = Braces::References,
                           std::size_t wrapWidth = layout::kWrappedAnywhere);

// The same page appended to `html`: a row of many entries is written without a copy of each.
void appendPlainToHtml(std::u16string& html, std::u16string_view text,
                       const std::function<bool(const std::u16string&)>& isTerm,
                       Braces braces = Braces::References,
                       std::size_t wrapWidth = layout::kWrappedAnywhere);

// The term that braces around `content` name, when they may be a cross-reference to one (not
// an address, not program text); else empty.
std::u16string referenceTarget(const std::u16string& content);

// Text safe inside HTML text and inside a double-quoted attribute.
std::u16string escapeHtml(const std::u16string& text);
void appendEscapedHtml(std::u16string& out, std::u16string_view text);
