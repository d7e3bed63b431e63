#include "StardictMarkup.h"

#include "dicttext/PlainToHtml.h"

#include <cstddef>
#include <vector>

namespace stardict {

namespace {

bool isNameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'-' || c == u':';
}

// The value of attribute `name` in a tag's attribute text, entities left as written.
std::u16string attribute(std::u16string_view attributes, std::u16string_view name) {
    for (std::size_t at = attributes.find(name); at != std::u16string_view::npos;
         at = attributes.find(name, at + 1)) {
        if (at > 0 && isNameChar(attributes[at - 1]))
            continue;
        std::size_t i = at + name.size();
        while (i < attributes.size() && attributes[i] == u' ')
            ++i;
        if (i == attributes.size() || attributes[i] != u'=')
            continue;
        ++i;
        while (i < attributes.size() && attributes[i] == u' ')
            ++i;
        if (i < attributes.size() && (attributes[i] == u'"' || attributes[i] == u'\'')) {
            const std::size_t end = attributes.find(attributes[i], i + 1);
            return std::u16string(
                attributes.substr(i + 1, end == std::u16string_view::npos ? end : end - i - 1));
        }
        const std::size_t end = attributes.find(u' ', i);
        return std::u16string(
            attributes.substr(i, end == std::u16string_view::npos ? end : end - i));
    }
    return std::u16string();
}

// What one source tag becomes: the HTML to open and to close it (both empty: dropped).
struct Mapped {
    std::u16string open, close;
    bool reference = false; // a link whose target is its own text
};

using TagMap = Mapped (*)(std::u16string_view name, std::u16string_view attributes);

// An attribute value that may stand in double quotes: written entities stay.
std::u16string quoted(const std::u16string& value) {
    std::u16string out;
    for (const char16_t c : value)
        out += c == u'"' ? std::u16string(u"&quot;") : c == u'<' ? u"&lt;" : std::u16string(1, c);
    return out;
}

Mapped same(std::u16string_view name) {
    return {u"<" + std::u16string(name) + u">", u"</" + std::u16string(name) + u">"};
}

Mapped colour(const std::u16string& value) {
    if (value.empty())
        return {};
    return {u"<font color=\"" + quoted(value) + u"\">", u"</font>"};
}

// Pango's span: its colour, weight, style and underline.
Mapped span(std::u16string_view attributes) {
    std::u16string value;
    for (const char16_t* key : {u"foreground", u"fgcolor", u"color"}) {
        if (value.empty())
            value = attribute(attributes, key);
    }
    Mapped mapped = colour(value);
    const auto add = [&mapped](const std::u16string& tag) {
        mapped.open += u"<" + tag + u">";
        mapped.close.insert(0, u"</" + tag + u">");
    };
    const std::u16string weight = attribute(attributes, u"weight");
    if (weight == u"bold" || weight == u"semibold" || weight == u"ultrabold" ||
        weight == u"heavy" || weight == u"ultraheavy" ||
        (weight.size() == 3 && weight >= u"600" && weight <= u"999"))
        add(u"b");
    const std::u16string style = attribute(attributes, u"style");
    if (style == u"italic" || style == u"oblique")
        add(u"i");
    const std::u16string underline = attribute(attributes, u"underline");
    if (!underline.empty() && underline != u"none")
        add(u"u");
    return mapped;
}

Mapped pangoTag(std::u16string_view name, std::u16string_view attributes) {
    if (name == u"b" || name == u"i" || name == u"u" || name == u"s" || name == u"sub" ||
        name == u"sup" || name == u"tt")
        return same(name);
    if (name == u"big")
        return {u"<font size=\"+1\">", u"</font>"};
    if (name == u"small")
        return {u"<font size=\"-1\">", u"</font>"};
    if (name == u"span")
        return span(attributes);
    return {};
}

Mapped xdxfTag(std::u16string_view name, std::u16string_view attributes) {
    if (name == u"b" || name == u"i" || name == u"u" || name == u"sub" || name == u"sup" ||
        name == u"tt" || name == u"blockquote")
        return same(name);
    if (name == u"k")
        return {u"<b>", u"</b>"};
    if (name == u"tr")
        return {u"[", u"]"};
    if (name == u"abr" || name == u"ex" || name == u"co")
        return {u"<i>", u"</i>"};
    if (name == u"c")
        return colour(attribute(attributes, u"c"));
    if (name == u"kref")
        return {u"<a href=\"#", u"</a>", true};
    if (name == u"iref") {
        const std::u16string address = attribute(attributes, u"href");
        if (!address.empty())
            return {u"<a href=\"" + quoted(address) + u"\">", u"</a>"};
    }
    return {};
}

// Whether an & at `at` starts an entity that HTML reads as XML does.
bool startsEntity(std::u16string_view text, std::size_t at) {
    std::size_t i = at + 1;
    if (i < text.size() && text[i] == u'#')
        ++i;
    const std::size_t nameStart = i;
    while (i < text.size() && i - at < 32 && isNameChar(text[i]))
        ++i;
    return i > nameStart && i < text.size() && text[i] == u';';
}

constexpr std::size_t kDeepestNesting = 64;

struct Open {
    std::u16string name, close;
    std::size_t hrefEnd = 0, textStart = 0; // of a reference, in the output
    bool reference = false;
};

// A reference's target: its text without tags.
std::u16string targetOf(std::u16string_view html) {
    std::u16string target;
    bool inTag = false;
    for (const char16_t c : html) {
        if (c == u'<' || c == u'>')
            inTag = c == u'<';
        else if (!inTag)
            target += c == u'"' ? std::u16string(u"&quot;") : std::u16string(1, c);
    }
    return target;
}

void closeLast(std::vector<Open>& open, std::u16string& html) {
    const Open& last = open.back();
    if (last.reference)
        html.insert(last.hrefEnd, targetOf(std::u16string_view(html).substr(last.textStart)));
    html += last.close;
    open.pop_back();
}

std::u16string convert(std::u16string_view text, TagMap map) {
    std::u16string html;
    html.reserve(text.size() + text.size() / 8);
    std::vector<Open> open;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\n') {
            html += u"<br>";
            continue;
        }
        if (c == u'\r')
            continue;
        if (c == u'&') {
            html += startsEntity(text, i) ? u"&" : u"&amp;";
            continue;
        }
        if (c == u'>') {
            html += u"&gt;";
            continue;
        }
        if (c != u'<') {
            html += c;
            continue;
        }
        const std::size_t end = text.find(u'>', i + 1);
        const bool closing = i + 1 < text.size() && text[i + 1] == u'/';
        const std::size_t nameStart = i + 1 + (closing ? 1 : 0);
        std::size_t nameEnd = nameStart;
        while (nameEnd < text.size() && isNameChar(text[nameEnd]))
            ++nameEnd;
        if (end == std::u16string_view::npos || nameEnd == nameStart) {
            html += u"&lt;";
            continue;
        }
        const std::u16string name(text.substr(nameStart, nameEnd - nameStart));
        std::u16string_view attributes = text.substr(nameEnd, end - nameEnd);
        const bool empty = !attributes.empty() && attributes.back() == u'/';
        i = end;
        if (closing) {
            std::size_t k = open.size();
            while (k > 0 && open[k - 1].name != name)
                --k;
            while (k > 0 && open.size() >= k)
                closeLast(open, html);
            continue;
        }
        if (name == u"br") {
            html += u"<br>";
            continue;
        }
        // Deeper nesting is text: a hostile entry must not make closing slow.
        Mapped mapped = open.size() < kDeepestNesting ? map(name, attributes) : Mapped{};
        Open element{name, std::move(mapped.close), html.size() + mapped.open.size(), 0,
                     mapped.reference};
        html += mapped.open;
        if (mapped.reference)
            html += u"\">";
        element.textStart = html.size();
        if (!empty)
            open.push_back(std::move(element));
        else
            html += element.close;
    }
    while (!open.empty())
        closeLast(open, html);
    return html;
}

} // namespace

std::u16string plainTextHtml(std::u16string_view text) {
    std::u16string html;
    html.reserve(text.size() + text.size() / 8);
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(u'\n', start);
        std::u16string_view line =
            text.substr(start, end == std::u16string_view::npos ? end : end - start);
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        html += escapeHtml(std::u16string(line));
        if (end == std::u16string_view::npos)
            break;
        html += u"<br>";
        start = end + 1;
    }
    return html;
}

std::u16string pangoHtml(std::u16string_view text) {
    return convert(text, pangoTag);
}

std::u16string xdxfHtml(std::u16string_view text) {
    return convert(text, xdxfTag);
}

std::u16string entryLinks(std::u16string_view html) {
    static constexpr std::u16string_view kScheme = u"bword://";
    std::u16string out;
    std::size_t start = 0;
    for (std::size_t at = html.find(kScheme); at != std::u16string_view::npos;
         at = html.find(kScheme, start)) {
        out += html.substr(start, at - start);
        out += u'#';
        start = at + kScheme.size();
    }
    out += html.substr(start);
    return out;
}

} // namespace stardict
