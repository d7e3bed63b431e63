#include "Articles.h"

#include <algorithm>
#include <map>

namespace articles {

namespace {

constexpr std::u16string_view kMarkOpen = u"<!--from ";
constexpr std::u16string_view kMention = u", mention";
constexpr std::u16string_view kMarkClose = u"-->";
// A blank line before another dictionary's heading: the page's paragraphs have no spacing.
constexpr std::u16string_view kDictionarySeparator = u"<br>";

std::u16string escaped(std::u16string_view text) {
    std::u16string out;
    for (const char16_t c : text) {
        if (c == u'<')
            out += u"&lt;";
        else if (c == u'>')
            out += u"&gt;";
        else if (c == u'&')
            out += u"&amp;";
        else if (c == u'-')
            out += u"&#45;"; // never "--", which would end the mark's comment
        else
            out += c;
    }
    return out;
}

bool endsWith(std::u16string_view text, std::u16string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool startsWith(std::u16string_view text, std::u16string_view start) {
    return text.substr(0, start.size()) == start;
}

std::u16string unescaped(std::u16string_view text) {
    std::u16string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        bool replaced = false;
        for (const auto& [entity, c] :
             {std::pair{u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&amp;", u'&'}, {u"&#45;", u'-'}}) {
            const std::u16string_view name = entity;
            if (!replaced && startsWith(text.substr(at), name)) {
                out += c;
                at += name.size() - 1;
                replaced = true;
            }
        }
        if (!replaced)
            out += text[at];
    }
    return out;
}

// The parts in order with a heading before each dictionary's first part when there is more
// than one dictionary (or always, when `named`), a blank line between dictionaries, a rule
// between entries.
std::u16string laidOut(const std::vector<const Part*>& parts, bool marks,
                       std::vector<std::size_t>* starts = nullptr, bool named = false) {
    std::vector<std::u16string_view> sources;
    for (const Part* part : parts) {
        if (std::find(sources.begin(), sources.end(), part->source) == sources.end())
            sources.push_back(part->source);
    }
    named = named || sources.size() > 1;
    std::u16string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& part = *parts[i];
        const bool firstOfSource = i == 0 || parts[i - 1]->source != part.source;
        if (i > 0)
            out += firstOfSource && named ? kDictionarySeparator : kEntrySeparator;
        if (starts != nullptr)
            starts->push_back(out.size());
        if (marks && !part.source.empty())
            out += mark(part.source, part.mention);
        if (firstOfSource && named && !part.source.empty())
            out += heading(part.source);
        out += part.html;
    }
    return out;
}

} // namespace

std::u16string mark(const std::u16string& source, bool mention) {
    std::u16string out(kMarkOpen);
    out += escaped(source);
    if (mention)
        out += kMention;
    out += kMarkClose;
    return out;
}

std::u16string heading(const std::u16string& source) {
    return u"<p><font color=#336699><b>" + escaped(source) + u"</b></font></p>";
}

std::u16string write(const std::vector<Part>& parts, bool marked,
                     std::vector<std::size_t>* starts) {
    std::vector<const Part*> pointers;
    for (const Part& part : parts)
        pointers.push_back(&part);
    return laidOut(pointers, marked, starts);
}

std::vector<Part> split(std::u16string_view definition) {
    std::vector<Part> parts;
    std::size_t at = definition.find(kMarkOpen);
    if (at != 0)
        return {Part{u"", false, std::u16string(definition)}};
    while (at != std::u16string_view::npos) {
        const std::size_t nameStart = at + kMarkOpen.size();
        const std::size_t close = definition.find(kMarkClose, nameStart);
        if (close == std::u16string_view::npos)
            break;
        std::u16string_view name = definition.substr(nameStart, close - nameStart);
        Part part;
        part.mention = endsWith(name, kMention);
        if (part.mention)
            name.remove_suffix(kMention.size());
        part.source = unescaped(name);
        const std::size_t bodyStart = close + kMarkClose.size();
        at = definition.find(kMarkOpen, bodyStart);
        std::u16string_view body =
            definition.substr(bodyStart, at == std::u16string_view::npos ? std::u16string_view::npos
                                                                         : at - bodyStart);
        const std::u16string title = heading(part.source);
        if (startsWith(body, title))
            body.remove_prefix(title.size());
        for (const std::u16string_view separator : {kEntrySeparator, kDictionarySeparator}) {
            if (at != std::u16string_view::npos && endsWith(body, separator))
                body.remove_suffix(separator.size());
        }
        part.html = std::u16string(body);
        parts.push_back(std::move(part));
    }
    if (parts.empty())
        return {Part{u"", false, std::u16string(definition)}};
    return parts;
}

std::u16string join(const std::vector<std::u16string>& rows,
                    const std::vector<std::u16string>& order) {
    // Among several dictionaries a page names its own, even alone.
    const bool named = order.size() > 1;
    if (rows.size() == 1 && !named)
        return rows.front();
    std::vector<Part> parts;
    for (const std::u16string& row : rows) {
        for (Part& part : split(row))
            parts.push_back(std::move(part));
    }
    if (rows.size() == 1 && parts.front().source.empty())
        return rows.front(); // no marks: nothing to name
    // Each dictionary ranks by its first entry under the term itself (the term's own case
    // before others), else after every such dictionary by its first mention.
    std::map<std::u16string, std::size_t> rank;
    for (const bool mentions : {false, true}) {
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].mention == mentions)
                rank.emplace(parts[i].source, parts.size() * (mentions ? 1 : 0) + i);
        }
    }
    if (!order.empty()) {
        for (auto& [source, place] : rank) {
            const auto at = std::find(order.begin(), order.end(), source);
            place = at != order.end() ? static_cast<std::size_t>(at - order.begin())
                                      : order.size() + place;
        }
    }
    std::vector<std::size_t> sorted(parts.size());
    for (std::size_t i = 0; i < sorted.size(); ++i)
        sorted[i] = i;
    std::stable_sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
        const std::size_t rankA = rank[parts[a].source], rankB = rank[parts[b].source];
        if (rankA != rankB)
            return rankA < rankB;
        return parts[a].mention < parts[b].mention;
    });
    std::vector<const Part*> ordered;
    for (const std::size_t i : sorted)
        ordered.push_back(&parts[i]);
    return laidOut(ordered, false, nullptr, named);
}

} // namespace articles
