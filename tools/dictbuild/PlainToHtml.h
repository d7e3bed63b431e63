#pragma once

#include <functional>
#include <string>

// The plain text of a dictionary entry as a glossary page: &, < and > escaped; paragraphs at
// blank lines with their wrapped lines joined; lines indented further than the entry's own
// text kept as preformatted blocks; {term} a link to that term of the glossary (written
// <a href="#term">) when `isTerm` knows it, else plain text; {label (address)} and bare http://
// and https:// addresses links to the address.
std::u16string plainToHtml(const std::u16string& text,
                           const std::function<bool(const std::u16string&)>& isTerm);

// Text safe inside HTML text and inside a double-quoted attribute.
std::u16string escapeHtml(const std::u16string& text);
