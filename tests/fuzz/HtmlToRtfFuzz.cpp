// Any text as a glossary page: the converter must end, write pure ASCII RTF whose groups
// balance, with no control character but CR, LF and TAB and no control word it does not write
// itself, and never crash. Cut in slices, the page is the same: each slice such a document,
// their bodies the page's, and nothing left out but an empty last paragraph.
#include "page/HtmlToRtf.h"
#include "page/PageSlices.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

const std::set<std::string>& knownWords() {
    static const std::set<std::string> words = {
        "rtf", "ansi",  "ansicpg", "deff", "uc", "fonttbl", "f",   "fswiss", "fmodern", "colortbl",
        "red", "green", "blue",    "pard", "ql", "qc",      "qr",  "qj",     "fs",      "par",
        "li",  "line",  "tab",     "b",    "i",  "ul",      "sub", "super",  "cf",      "u"};
    return words;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void checkDocument(const std::string& rtf) {
    int depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(rtf[i]);
        if (c >= 0x80 || (c < 0x20 && c != '\r' && c != '\n' && c != '\t'))
            std::abort();
        if (c == '\\') {
            if (i + 1 >= rtf.size())
                std::abort();
            const char next = rtf[i + 1];
            if (next == '\\' || next == '{' || next == '}') {
                ++i; // an escaped character is text
                continue;
            }
            std::size_t end = i + 1;
            while (end < rtf.size() && isLetter(rtf[end]))
                ++end;
            if (knownWords().count(rtf.substr(i + 1, end - i - 1)) == 0)
                std::abort();
            i = end - 1;
            continue;
        }
        depth += c == '{' ? 1 : c == '}' ? -1 : 0;
        if (depth < 0)
            std::abort();
    }
    if (depth != 0)
        std::abort();
}

// The page without its header and closing brace.
std::string body(const RtfPage& page) {
    return page.rtf.substr(page.bodyStart, page.rtf.size() - page.bodyStart - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string html(size / 2, u'\0');
    for (std::size_t i = 0; i < html.size(); ++i)
        html[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    const RtfPage page = htmlToPage(html);
    checkDocument(page.rtf);
    const std::string header = page.rtf.substr(0, page.bodyStart), whole = body(page);
    std::string bodies;
    for (const std::string& slice : pageSlices(page, 64)) {
        checkDocument(slice);
        if (slice.compare(0, header.size(), header) != 0)
            std::abort();
        std::string part = slice.substr(header.size(), slice.size() - header.size() - 1);
        // One that begins inside a paragraph begins with that paragraph's codes.
        if (whole.compare(bodies.size(), part.size(), part) != 0) {
            const std::size_t codesEnd = part.find(' ');
            if (part.compare(0, 5, "\\pard") != 0 || codesEnd == std::string::npos)
                std::abort();
            part.erase(0, codesEnd + 1);
        }
        bodies += part;
    }
    if (whole.compare(0, bodies.size(), bodies) != 0 ||
        whole.find('{', bodies.size()) != std::string::npos)
        std::abort();
    return 0;
}
