#include "PlainToHtml.h"

#include "InlineText.h"
#include "TextLayout.h"

#include <algorithm>
#include <vector>

namespace {

using inlinetext::addressReference;
using inlinetext::appendEscaped;
using inlinetext::collapse;
using inlinetext::collapsed;
using inlinetext::Inline;
using inlinetext::kLongestReference;
using inlinetext::mayBeReference;

// Views into the entry's text: a page is converted without a copy of each line.
using Lines = std::vector<std::u16string_view>;

bool isBlank(std::u16string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char16_t c) { return c == u' ' || c == u'\t'; });
}

// `line` less `columns` of its indent, appended to `out`.
void appendWithoutIndent(std::u16string& out, std::u16string_view line, std::size_t columns) {
    std::size_t column = 0, at = 0;
    while (at < line.size() && column < columns && (line[at] == u' ' || line[at] == u'\t')) {
        column = line[at] == u' ' ? column + 1 : (column / 8 + 1) * 8;
        ++at;
    }
    out.append(column > columns ? column - columns : 0, u' ');
    out.append(line.substr(at));
}

// A cross-reference broken over lines is put on one line, with one blank where it was broken
// (none after a hyphen that ends a line), so that no line of it falls into a paragraph and another
// into a block, and the indent of its second line leaves no run of blanks that would read as
// columns.
// False, `out` untouched, when no reference is broken: most texts are used as they are.
bool joinBrokenReferences(std::u16string_view text, std::u16string& out) {
    std::size_t copied = 0; // never 0 once a reference is joined: one starts with its brace
    for (std::size_t open = text.find(u'{'); open != std::u16string::npos;
         open = text.find(u'{', open + 1)) {
        const std::size_t close = text.find_first_of(u"{}", open + 1);
        if (close == std::u16string::npos || text[close] != u'}' ||
            close - open - 1 > kLongestReference ||
            !mayBeReference(text.substr(open + 1, close - open - 1)) ||
            text.find(u'\n', open) > close)
            continue;
        out.append(text.substr(copied, open - copied));
        for (std::size_t at = open; at < close;) {
            const char16_t c = text[at];
            if (c == u'\n' || c == u'\r' || c == u'\t' || c == u' ') {
                std::size_t end = at;
                bool lineEnd = false;
                while (end < close &&
                       std::u16string_view(u" \t\r\n").find(text[end]) != std::u16string_view::npos)
                    lineEnd |= text[end++] == u'\n';
                // WordNet breaks "{dog-iron}" after its hyphen: a word's hyphen, not a dash
                // (" -"), joins the halves.
                const bool hyphen = lineEnd && at - open >= 3 && text[at - 1] == u'-' &&
                                    text[at - 2] != u' ' && text[at - 2] != u'\t';
                if (!hyphen)
                    out += u' ';
                at = end;
            } else {
                out += c;
                ++at;
            }
        }
        copied = close;
    }
    if (copied == 0)
        return false;
    out.append(text.substr(copied));
    return true;
}

void splitLines(std::u16string_view text, Lines& lines) {
    lines.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos)
            end = text.size();
        std::u16string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
}

// What a page is made in, kept from one call to the next: an import converts a million texts,
// and allocating these for each cost more than some of the work.
struct Buffers {
    std::u16string joined, paragraph, line, block, content;
    Lines lines;
    std::vector<std::size_t> starts, widths;
};

} // namespace

std::u16string referenceTarget(const std::u16string& content) {
    if (!mayBeReference(content))
        return std::u16string();
    std::u16string address, label;
    const std::u16string target = collapsed(content);
    return addressReference(target, address, label) ? std::u16string() : target;
}

std::u16string escapeHtml(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

void appendEscapedHtml(std::u16string& out, std::u16string_view text) {
    appendEscaped(out, text);
}

std::u16string plainToHtml(const std::u16string& text,
                           const std::function<bool(const std::u16string&)>& isTerm, Braces braces,
                           std::size_t wrapWidth) {
    std::u16string html;
    appendPlainToHtml(html, text, isTerm, braces, wrapWidth);
    return html;
}

void appendPlainToHtml(std::u16string& html, std::u16string_view text,
                       const std::function<bool(const std::u16string&)>& isTerm, Braces braces,
                       std::size_t wrapWidth) {
    thread_local Buffers buffers;
    std::u16string& joined = buffers.joined;
    joined.clear();
    Lines& lines = buffers.lines;
    splitLines(joinBrokenReferences(text, joined) ? std::u16string_view(joined) : text, lines);
    while (!lines.empty() && isBlank(lines.back()))
        lines.pop_back();
    // The entry's text stands where most of its blocks start (of equally many, the lesser
    // indent, but never the margin, where headwords stand): a headword's line, lines wrapped
    // back to the margin and a stray address there do not move it. Lines at or left of it are
    // text; lines further in, blocks.
    std::vector<std::size_t>& starts = buffers.starts;
    starts.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!isBlank(lines[i]) && (i == 0 || isBlank(lines[i - 1]))) {
            const std::size_t indent = std::min<std::size_t>(layout::indentOf(lines[i]), 64);
            if (starts.size() <= indent)
                starts.resize(indent + 1);
            ++starts[indent];
        }
    }
    std::size_t base = 0;
    for (std::size_t indent = 1; indent < starts.size(); ++indent) {
        if (starts[indent] > starts[base] || (starts[indent] == starts[base] && base <= 1))
            base = indent;
    }
    const Inline inlineText(isTerm, braces, buffers.content);
    std::u16string &paragraph = buffers.paragraph, &line = buffers.line;
    paragraph.clear();
    const std::u16string_view* previous = nullptr; // the paragraph's last line
    auto endParagraph = [&] {
        if (!paragraph.empty()) {
            html += u"<p>";
            html += paragraph;
            html += u"</p>";
        }
        paragraph.clear();
        previous = nullptr;
    };
    // A wrapped line goes on its paragraph; a line ended on purpose, a numbered sense or an
    // example starts a line of its own.
    std::vector<std::size_t>& widths = buffers.widths;
    layout::paragraphWidths(lines, wrapWidth, widths);
    // In a quotation a source goes on its line; in verse, nothing else does.
    enum class Quoted { No, Prose, Verse };
    auto addLine = [&](std::size_t k, Quoted quoted = Quoted::No) {
        if (previous != nullptr)
            paragraph += (quoted != Quoted::No && layout::continuesSource(*previous, lines[k])) ||
                                 (quoted != Quoted::Verse &&
                                  layout::continues(*previous, lines[k], widths[k]))
                             ? u" "
                             : u"<br>";
        collapse(lines[k], line);
        inlineText.append(paragraph, line);
        previous = &lines[k];
    };
    std::u16string& block = buffers.block; // preformatted lines not yet written
    block.clear();
    std::size_t blockEnd = 0; // the line after its last
    auto endBlock = [&] {
        if (!block.empty()) {
            html += u"<pre>";
            inlineText.append(html, block, true);
            html += u"</pre>";
        }
        block.clear();
    };
    for (std::size_t i = 0; i < lines.size();) {
        if (isBlank(lines[i])) {
            endParagraph();
            ++i;
            continue;
        }
        if (layout::indentOf(lines[i]) <= base) {
            addLine(i);
            ++i;
            continue;
        }
        // Indented further than the text, up to its last line before the text goes on: each
        // part between blank lines is kept as it stands when it is laid out in columns (blank
        // lines between such parts included), else read as text.
        std::size_t end = i;
        for (std::size_t k = i; k < lines.size(); ++k) {
            if (!isBlank(lines[k]) && layout::indentOf(lines[k]) <= base)
                break;
            if (!isBlank(lines[k]))
                end = k + 1;
        }
        for (std::size_t from = i; from < end;) {
            std::size_t to = from;
            while (to < end && !isBlank(lines[to]))
                ++to;
            // A quotation with its source is prose set apart, however its source is aligned;
            // what follows it in the part is judged on its own. It stands after a blank line:
            // lines further in right below the text go on with it.
            const std::size_t quoted =
                from > 0 && isBlank(lines[from - 1]) ? layout::quotationEnd(lines, from, to) : from;
            if (quoted > from) {
                endBlock();
                endParagraph();
                const Quoted kind =
                    layout::isVerse(lines, from, quoted, wrapWidth) ? Quoted::Verse : Quoted::Prose;
                for (std::size_t k = from; k < quoted; ++k)
                    addLine(k, kind);
                html += u"<blockquote><p>";
                html += paragraph;
                html += u"</p></blockquote>";
                paragraph.clear();
                previous = nullptr;
                from = quoted;
            }
            if (layout::keepsColumns(lines, from, to, wrapWidth)) {
                endParagraph();
                // The blank lines between two such parts belong to the block.
                for (std::size_t k = block.empty() ? from : blockEnd; k < to; ++k) {
                    if (k > from || !block.empty())
                        block += u'\n';
                    appendWithoutIndent(block, lines[k], base);
                }
                blockEnd = to;
            } else if (from < to) {
                endBlock();
                for (std::size_t k = from; k < to; ++k)
                    addLine(k);
            }
            from = to;
            while (from < end && isBlank(lines[from]))
                ++from;
        }
        endBlock();
        i = end;
    }
    endParagraph();
}
