#include "RowEntries.h"

#include "Articles.h"
#include "DictdText.h"
#include "DictionarySource.h"
#include "page/HtmlTokens.h"

namespace rowentries {

namespace {

// The forms Articles.h writes, taken from it: a mark and a heading of no name, cut at the name.
const std::u16string kMark = articles::mark(u"", false);
const std::u16string kMentionMark = articles::mark(u"", true);
const std::u16string kHeading = articles::heading(u"");
const std::u16string_view kMarkOpen = std::u16string_view(kMark).substr(0, kMark.find(u"-->"));
const std::u16string_view kMarkClose = std::u16string_view(kMark).substr(kMarkOpen.size());
const std::u16string_view kMention =
    std::u16string_view(kMentionMark).substr(kMarkOpen.size(), kMentionMark.size() - kMark.size());
const std::u16string_view kHeadingOpen =
    std::u16string_view(kHeading).substr(0, kHeading.find(u"</b>"));
const std::u16string_view kHeadingClose = std::u16string_view(kHeading).substr(kHeadingOpen.size());
constexpr std::u16string_view kRule = articles::kEntrySeparator;
// The blank line Articles.h puts between two dictionaries' parts.
constexpr std::u16string_view kBreak = u"<br>";

bool startsWith(std::u16string_view text, std::u16string_view start) {
    return text.substr(0, start.size()) == start;
}

// The text of a mark's or heading's name, its characters read.
std::u16string decoded(std::u16string_view text) {
    std::u16string out;
    HtmlTokenizer tokens(text);
    for (HtmlTokenizer::Token token = tokens.next(); token.kind != HtmlTokenizer::Token::End;
         token = tokens.next()) {
        if (token.kind == HtmlTokenizer::Token::Character && token.character < 0x10000)
            out += static_cast<char16_t>(token.character);
    }
    return out;
}

// Where the entry that starts at `from` ends: a rule, or the blank line before another
// dictionary's mark or heading.
std::size_t entryEnd(std::u16string_view definition, std::size_t from) {
    for (std::size_t at = definition.find(u'<', from); at != std::u16string_view::npos;
         at = definition.find(u'<', at + 1)) {
        const std::u16string_view rest = definition.substr(at);
        if (startsWith(rest, kRule) || startsWith(rest, kMarkOpen))
            return at;
        if (startsWith(rest, kBreak) && (startsWith(rest.substr(kBreak.size()), kMarkOpen) ||
                                         startsWith(rest.substr(kBreak.size()), kHeadingOpen)))
            return at;
    }
    return definition.size();
}

} // namespace

std::vector<Entry> split(std::u16string_view definition) {
    std::vector<Entry> entries;
    std::u16string source;
    bool mention = false;
    for (std::size_t at = 0; at < definition.size();) {
        const std::u16string_view rest = definition.substr(at);
        if (startsWith(rest, kRule) || startsWith(rest, kBreak)) {
            at += startsWith(rest, kRule) ? kRule.size() : kBreak.size();
            continue;
        }
        if (startsWith(rest, kMarkOpen)) {
            const std::size_t close = rest.find(kMarkClose);
            if (close != std::u16string_view::npos) {
                std::u16string_view name = rest.substr(kMarkOpen.size(), close - kMarkOpen.size());
                mention = name.size() >= kMention.size() &&
                          name.substr(name.size() - kMention.size()) == kMention;
                if (mention)
                    name.remove_suffix(kMention.size());
                source = decoded(name);
                at += close + kMarkClose.size();
                continue;
            }
        }
        if (startsWith(rest, kHeadingOpen)) {
            const std::size_t close = rest.find(kHeadingClose);
            if (close != std::u16string_view::npos) {
                source = decoded(rest.substr(kHeadingOpen.size(), close - kHeadingOpen.size()));
                at += close + kHeadingClose.size();
                continue;
            }
        }
        const std::size_t end = entryEnd(definition, at + 1);
        entries.push_back({source, mention, std::u16string(definition.substr(at, end - at)), at});
        at = end;
    }
    return entries;
}

dictd::WrittenEntry written(const std::u16string& term, const Entry& entry) {
    dictd::WrittenEntry out{term, u""};
    std::u16string_view html = entry.html;
    // A headword longer than a term may be: the page starts with the whole of it.
    if (term.size() + 1 >= kMaxTermLength && startsWith(html, u"<p>")) {
        const std::size_t close = html.find(u"</p>");
        const std::u16string whole =
            close == std::u16string_view::npos ? u"" : decoded(html.substr(3, close - 3));
        if (whole.size() > term.size() && startsWith(whole, term)) {
            out.headword = whole;
            html.remove_prefix(close + 4);
        }
    }
    // An entry that only mentions the term starts with its own text, so that the import (and a
    // reader) sees it so; the import then takes the term from the index, which holds it in lower
    // case: a term with capitals keeps its headword line, and so is no mention any more.
    if (!entry.mention || dictd::indexKey(out.headword) != out.headword)
        out.text = out.headword + u"\n\n";
    out.text += dictdText(html);
    return out;
}

} // namespace rowentries
