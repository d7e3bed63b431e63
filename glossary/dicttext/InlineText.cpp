#include "InlineText.h"

#include <cstdint>

namespace {

void appendEscapedCharacter(std::u16string& out, char16_t c) {
    switch (c) {
    case u'&':
        out += u"&amp;";
        break;
    case u'<':
        out += u"&lt;";
        break;
    case u'>':
        out += u"&gt;";
        break;
    case u'"':
        out += u"&quot;";
        break;
    default:
        out += c;
    }
}

// Where the next character that inline text treats apart stands ('{', the 'h' of an address,
// one to escape), else the end: one bit tested a character, where find_first_of compares each
// with the whole list.
std::size_t nextSpecial(std::u16string_view text, std::size_t at) {
    constexpr std::uint64_t kLow = 1ull << u'&' | 1ull << u'<' | 1ull << u'>' | 1ull << u'"';
    constexpr std::uint64_t kHigh = 1ull << (u'{' - 64) | 1ull << (u'h' - 64);
    for (; at < text.size(); ++at) {
        const char16_t c = text[at];
        if (c < 64 ? (kLow >> c & 1) != 0 : c < 128 && (kHigh >> (c - 64) & 1) != 0)
            break;
    }
    return at;
}

// Asked at every character of every page: the first letter rules out nearly all.
bool startsWithAddress(std::u16string_view text, std::size_t at) {
    return at < text.size() && text[at] == u'h' &&
           (text.compare(at, 7, u"http://") == 0 || text.compare(at, 8, u"https://") == 0);
}

bool isAddress(const std::u16string& text) {
    for (const char16_t* scheme : {u"http://", u"https://", u"ftp://", u"mailto:", u"news:"}) {
        const std::u16string prefix = scheme;
        if (text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0)
            return text.find(u' ') == std::u16string::npos;
    }
    return false;
}

// Only these does the viewer open; any other address is shown as text.
bool opensInViewer(const std::u16string& address) {
    return startsWithAddress(address, 0) || address.compare(0, 7, u"mailto:") == 0;
}

void appendBraced(std::u16string& out, std::u16string_view content) {
    out += u'{';
    inlinetext::appendEscaped(out, content);
    out += u'}';
}

// A link to `target` (a term of the glossary when `local`) appended to `out`.
void appendLink(std::u16string& out, std::u16string_view target, std::u16string_view label,
                bool local = false) {
    out += local ? u"<a href=\"#" : u"<a href=\"";
    inlinetext::appendEscaped(out, target);
    out += u"\">";
    inlinetext::appendEscaped(out, label);
    out += u"</a>";
}

} // namespace

namespace inlinetext {

void appendEscaped(std::u16string& out, std::u16string_view text) {
    for (const char16_t c : text)
        appendEscapedCharacter(out, c);
}

void collapse(std::u16string_view text, std::u16string& out) {
    // Written through a pointer: appended a character at a time, the checks of its capacity
    // cost more than the copy.
    out.resize(text.size());
    char16_t* const begin = out.data();
    char16_t* end = begin;
    for (const char16_t c : text) {
        const bool space = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
        if (!space)
            *end++ = c;
        else if (end != begin && end[-1] != u' ')
            *end++ = u' ';
    }
    if (end != begin && end[-1] == u' ')
        --end;
    out.resize(static_cast<std::size_t>(end - begin));
}

std::u16string collapsed(std::u16string_view text) {
    std::u16string out;
    collapse(text, out);
    return out;
}

bool addressReference(const std::u16string& content, std::u16string& address,
                      std::u16string& label) {
    if (content.empty() || content.back() != u')')
        return false;
    const std::size_t open = content.rfind(u'(');
    if (open == std::u16string::npos)
        return false;
    address = content.substr(open + 1, content.size() - open - 2);
    label = collapsed(content.substr(0, open));
    return isAddress(address);
}

bool mayBeReference(std::u16string_view content) {
    std::u16string address, label;
    return !content.empty() && content.size() <= kLongestReference &&
           (content.find_first_of(u";=\"{") == std::u16string::npos ||
            addressReference(collapsed(content), address, label));
}

void Inline::append(std::u16string& out, std::u16string_view text, bool preformatted) const {
    for (std::size_t at = 0; at < text.size();) {
        // Most of a page is none of these: copied a run at a time.
        const std::size_t runEnd = nextSpecial(text, at);
        out.append(text.substr(at, runEnd - at));
        at = runEnd;
        if (at == text.size())
            break;
        if (text[at] == u'{') {
            // The next brace either way: each search ends where the next may start, so an
            // unmatched brace costs no second pass over the text.
            const std::size_t close = text.find_first_of(u"{}", at + 1);
            if (close != std::u16string_view::npos && text[close] == u'}' &&
                close - at - 1 <= kLongestReference &&
                mayBeReference(text.substr(at + 1, close - at - 1))) {
                const std::u16string_view content = text.substr(at + 1, close - at - 1);
                collapse(content, content_);
                const std::size_t before = out.size();
                if (!appendReference(out, content_) && preformatted) {
                    out.resize(before);
                    appendBraced(out, content);
                }
                at = close + 1;
                continue;
            }
        }
        if (startsWithAddress(text, at)) {
            std::size_t end = at;
            while (end < text.size() && text[end] > u' ' && text[end] != u'<' &&
                   text[end] != u'>' && text[end] != u'"' && text[end] != u'{' && text[end] != u'}')
                ++end;
            // Punctuation after an address belongs to the sentence.
            while (end > at && std::u16string_view(u".,;:!?)]'").find(text[end - 1]) !=
                                   std::u16string_view::npos)
                --end;
            const std::u16string_view address = text.substr(at, end - at);
            appendLink(out, address, address);
            at = end;
            continue;
        }
        appendEscapedCharacter(out, text[at]);
        ++at;
    }
}

bool Inline::appendReference(std::u16string& out, const std::u16string& content) const {
    std::u16string address, label;
    if (addressReference(content, address, label)) {
        if (!opensInViewer(address)) {
            appendEscaped(out, content); // as written
            return false;
        }
        appendLink(out, address, label.empty() ? address : label);
        return true;
    }
    if (braces_ == Braces::Labels) {
        appendBraced(out, content);
        return false;
    }
    if (!content.empty() && isTerm_(content)) {
        appendLink(out, content, content, true);
        return true;
    }
    appendEscaped(out, content);
    return false;
}

} // namespace inlinetext
