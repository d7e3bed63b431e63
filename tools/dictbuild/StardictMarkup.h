#pragma once

#include <string>
#include <string_view>

// The text kinds of StarDict entries as glossary pages (HTML). Each keeps the entry's line
// breaks, as StarDict shows them; markup the glossary cannot show keeps its text.
namespace stardict {

// Plain text (types m, l, t, y): escaped, each line break a <br>.
std::u16string plainTextHtml(std::u16string_view text);

// Pango markup (type g): b, i, u, s, sub, sup, tt, big, small and span's colour become their
// HTML; other tags are dropped with their text kept; a stray & or < is text.
std::u16string pangoHtml(std::u16string_view text);

// XDXF (type x): the key and its transcription, abbreviations, examples, comments, colour,
// references to other entries (links) and to addresses become HTML; the rest keeps its text.
std::u16string xdxfHtml(std::u16string_view text);

// HTML (type h): as written, StarDict's links to entries (bword://word) made the glossary's.
std::u16string entryLinks(std::u16string_view html);

} // namespace stardict
