#include "TextLayout.h"

#include <algorithm>

namespace layout {

namespace {

constexpr std::size_t kFewLines = 1000;
constexpr std::size_t kLongest = 4096;   // columns counted at most
constexpr std::size_t kLongestNote = 48; // "[Webster 1913 Suppl. + WordNet 1.5]" and longer

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool isLower(char16_t c) {
    return c >= u'a' && c <= u'z';
}

std::u16string_view trimmedStart(std::u16string_view line) {
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    return line;
}

bool startsWith(std::u16string_view text, std::u16string_view start) {
    return text.substr(0, start.size()) == start;
}

// Where a quotation's source starts in `text`: "--" at its start or after a blank, then a word
// that starts with a capital or a digit; npos when it has none.
std::size_t sourceAt(std::u16string_view text) {
    for (std::size_t at = text.find(u"--"); at != std::u16string_view::npos;
         at = text.find(u"--", at + 2)) {
        // A name or a book ("--Shak.", "-- Macaulay.", "--1 Kings"), not an option
        // ("--version").
        const std::size_t name = at + 2 < text.size() && text[at + 2] == u' ' ? at + 3 : at + 2;
        if ((at == 0 || isBlank(text[at - 1])) && name < text.size() &&
            ((text[name] >= u'A' && text[name] <= u'Z') || isDigit(text[name])))
            return at;
    }
    return std::u16string_view::npos;
}

} // namespace

std::size_t indentOf(std::u16string_view line) {
    std::size_t column = 0;
    for (const char16_t c : line) {
        if (c == u' ')
            ++column;
        else if (c == u'\t')
            column = (column / 8 + 1) * 8;
        else
            break;
    }
    return column;
}

std::size_t widthOf(std::u16string_view line) {
    while (!line.empty() && isBlank(line.back()))
        line.remove_suffix(1);
    std::size_t column = 0;
    for (const char16_t c : line)
        column = c == u'\t' ? (column / 8 + 1) * 8 : column + 1;
    return column;
}

std::size_t wrapWidthOf(std::string_view data) {
    std::vector<std::size_t> counts(kLongest + 1);
    std::size_t lines = 0, column = 0, longest = 0;
    for (const char c : data) {
        if (c == '\n' || c == '\r') {
            if (column > 0) {
                ++counts[std::min(column, kLongest)];
                ++lines;
                longest = std::max(longest, column);
            }
            column = 0;
        } else if (c == '\t') {
            column = (column / 8 + 1) * 8;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            column += 1; // a character, not the rest of one in UTF-8
        }
    }
    if (column > 0) {
        ++counts[std::min(column, kLongest)];
        ++lines;
        longest = std::max(longest, column);
    }
    if (lines == 0)
        return kNotWrapped;
    if (lines < kFewLines)
        return longest;
    const auto percentile = [&](std::size_t perThousand) {
        std::size_t seen = 0, width = 0;
        while (width < kLongest && (seen += counts[width]) * 1000 < lines * perThousand)
            ++width;
        return width;
    };
    // Wrapped lines end at the column; lines ended on purpose end anywhere.
    const std::size_t most = percentile(990), almostAll = percentile(999);
    return almostAll <= most + 10 ? most : kNotWrapped;
}

bool isBracketNote(std::u16string_view line) {
    std::u16string_view text = trimmedStart(line);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    // Not a list that goes on the text's paragraph: WordNet's "[syn: {dog}, {domestic dog}]".
    return text.size() >= 3 && text.size() <= kLongestNote && text.front() == u'[' &&
           text.find_first_of(u"[]{:", 1) == text.size() - 1;
}

bool startsItem(std::u16string_view line) {
    if (isBracketNote(line))
        return true;
    std::u16string_view text = trimmedStart(line);
    // WordNet's part of speech before its first sense: "n 1:", "adj 1:".
    for (const std::u16string_view part : {u"n ", u"v ", u"adj ", u"adv "}) {
        if (startsWith(text, part) && text.size() > part.size() && isDigit(text[part.size()]))
            text.remove_prefix(part.size());
    }
    std::size_t digits = 0;
    while (digits < text.size() && digits < 3 && isDigit(text[digits]))
        ++digits;
    if (digits > 0 && digits < 3 && text.size() > digits + 1 &&
        (text[digits] == u'.' || text[digits] == u':' || text[digits] == u')') &&
        isBlank(text[digits + 1]))
        return true; // "1. ", "2: "
    if (text.size() > 4 && text[0] == u'(' && text[2] == u')' && isBlank(text[3]) &&
        (isLower(text[1]) || isDigit(text[1])))
        return true; // "(a) "
    for (const std::u16string_view label :
         {u"Note:", u"Syn.", u"Synonym:", u"Synonyms:", u"Antonym:", u"Antonyms:", u"see:",
          u"See also:", u"Usage:", u"Example:", u"Examples:", u"* ", u"- "}) {
        if (startsWith(text, label))
            return true;
    }
    return false;
}

bool continues(std::u16string_view previous, std::u16string_view next, std::size_t wrapWidth) {
    if (startsItem(next) || isBracketNote(previous))
        return false;
    if (wrapWidth == kWrappedAnywhere)
        return true;
    if (wrapWidth == kNotWrapped)
        return false;
    const std::u16string_view text = trimmedStart(next);
    const std::size_t word = std::min(text.find_first_of(u" \t"), text.size());
    return widthOf(previous) + 1 + word > wrapWidth;
}

void paragraphWidths(const std::vector<std::u16string_view>& lines, std::size_t wrapWidth,
                     std::vector<std::size_t>& widths) {
    widths.assign(lines.size(), wrapWidth);
    if (wrapWidth == kWrappedAnywhere || wrapWidth == kNotWrapped)
        return;
    for (std::size_t start = 0; start < lines.size();) {
        std::size_t end = start, widest = 0;
        for (; end < lines.size() && widthOf(lines[end]) > 0; ++end)
            widest = std::max(widest, widthOf(lines[end]));
        if (end - start >= 2 && widest < wrapWidth && widest * 4 >= wrapWidth * 3) {
            for (std::size_t k = start; k < end; ++k)
                widths[k] = widest;
        }
        start = std::max(end, start + 1);
    }
}

std::size_t headingLength(std::u16string_view text) {
    const std::size_t first = text.find(u'\n');
    if (first == std::u16string_view::npos || indentOf(text.substr(first + 1)) != 1)
        return 0;
    std::size_t end = first;
    while (end < text.size()) {
        const std::size_t next = std::min(text.find(u'\n', end + 1), text.size());
        const std::u16string_view line = text.substr(end + 1, next - end - 1);
        if (widthOf(line) == 0 || indentOf(line) > 1)
            break;
        end = next;
    }
    return end == first ? 0 : end;
}

bool continuesSource(std::u16string_view previous, std::u16string_view line) {
    if (isBracketNote(line))
        return false; // the entry's source, after the quotation's
    const std::u16string_view text = trimmedStart(line);
    if (sourceAt(text) == 0)
        return true;
    // A source's rest stands right of the quotation, under the source.
    const std::size_t source = sourceAt(previous);
    return source != std::u16string_view::npos &&
           (indentOf(line) > indentOf(previous) || source == indentOf(previous)) &&
           indentOf(line) + 8 >= source;
}

std::size_t quotationEnd(const std::vector<std::u16string_view>& lines, std::size_t from,
                         std::size_t to) {
    if (from == to || startsItem(lines[from]))
        return from; // a sense that cites its source is no quotation
    const std::size_t indent = indentOf(lines[from]);
    bool sourced = false;
    std::size_t end = from;
    for (; end < to; ++end) {
        const bool ofSource = end > from && continuesSource(lines[end - 1], lines[end]);
        if (!ofSource && indentOf(lines[end]) < indent)
            break;
        // The source ends the quotation: only its own rest may follow it.
        if (sourceAt(lines[end]) != std::u16string_view::npos)
            sourced = true;
        else if (!ofSource)
            sourced = false;
    }
    return sourced ? end : from;
}

bool isVerse(const std::vector<std::u16string_view>& lines, std::size_t from, std::size_t to,
             std::size_t wrapWidth) {
    if (wrapWidth == kWrappedAnywhere || wrapWidth == kNotWrapped)
        return false;
    std::size_t verses = 0;
    for (std::size_t k = from; k < to; ++k) {
        if (k > from && continuesSource(lines[k - 1], lines[k]))
            continue;
        ++verses;
        if (k == from)
            continue;
        std::u16string_view text = trimmedStart(lines[k]);
        while (!text.empty() && (text.front() == u'"' || text.front() == u'\'' ||
                                 text.front() == u'(' || text.front() == u'`'))
            text.remove_prefix(1);
        if (text.empty() || text.front() < u'A' || text.front() > u'Z' ||
            continues(lines[k - 1], lines[k], wrapWidth))
            return false;
    }
    return verses >= 2;
}

bool keepsColumns(const std::vector<std::u16string_view>& lines, std::size_t from, std::size_t to,
                  std::size_t wrapWidth) {
    if (wrapWidth == kWrappedAnywhere)
        return true; // nothing tells a program from a wrapped text
    const std::u16string_view* previous = nullptr;
    for (std::size_t k = from; k < to; ++k) {
        const std::u16string_view& line = lines[k];
        std::u16string_view text = trimmedStart(line);
        while (!text.empty() && isBlank(text.back()))
            text.remove_suffix(1);
        if (text.empty())
            continue;
        // A quotation's source aligned at a column of its own makes no table.
        if (previous != nullptr && continuesSource(*previous, line)) {
            previous = &line;
            continue;
        }
        text = text.substr(0, std::min(sourceAt(text), text.size()));
        while (!text.empty() && isBlank(text.back()))
            text.remove_suffix(1);
        // Blanks inside a line that align what follows: three, or a TAB.
        const std::size_t inside = text.find_first_of(u" \t");
        if (inside != std::u16string_view::npos &&
            (text.find(u'\t', inside) != std::u16string_view::npos ||
             text.find(u"   ", inside) != std::u16string_view::npos))
            return true;
        // A program's indented lines: further in than a line ended on purpose.
        if (previous != nullptr && indentOf(line) > indentOf(*previous) &&
            !continues(*previous, line, wrapWidth) && !startsItem(*previous) && !startsItem(line))
            return true;
        previous = &line;
    }
    return false;
}

} // namespace layout
