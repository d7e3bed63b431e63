#pragma once

#include <string>
#include <string_view>

// One entry of a glossary page, as the import writes it (plainToHtml), back as the plain text
// of a dictd dictionary that the import reads to the same page: paragraphs apart by a blank
// line, each line of a paragraph ended on purpose and not wrapped (a reader's client wraps),
// the text two blanks in, preformatted blocks further in by their own indent, quotations four
// in, links to terms as {term}, links to addresses as the address itself or {label (address)}.
std::u16string dictdText(std::u16string_view html);
