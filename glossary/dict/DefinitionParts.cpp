#include "DefinitionParts.h"

#include "dicttext/PlainToHtml.h"
#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <algorithm>

namespace dict {

namespace {

std::u16string trimmed(std::u16string_view text) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::u16string(text);
}

// One entry as the import writes it: a first line that is only the headword goes (the page
// names its term), unless the lines below go on it one blank in, a heading (layout::).
std::u16string entryHtml(const Definition& definition, std::size_t wrapWidth,
                         const std::function<bool(const std::u16string&)>& isTerm) {
    std::u16string text = jet::fromUtf8(definition.text);
    std::replace(text.begin(), text.end(), u'\r', u'\n');
    const std::size_t lineEnd = std::min(text.find(u'\n'), text.size());
    const bool headword = text::foldCase(trimmed(std::u16string_view(text).substr(0, lineEnd))) ==
                          text::foldCase(jet::fromUtf8(definition.word));
    std::u16string html;
    if (headword) {
        const bool heading = lineEnd + 2 < text.size() && text[lineEnd + 1] == u' ' &&
                             text[lineEnd + 2] != u' ' && text[lineEnd + 2] != u'\t' &&
                             text[lineEnd + 2] != u'\n';
        const std::size_t length = heading ? layout::headingLength(text) : 0;
        if (length != 0) {
            std::u16string line = text.substr(0, length);
            std::replace(line.begin(), line.end(), u'\n', u' ');
            html += plainToHtml(line, isTerm);
            text.erase(0, length);
        } else {
            text.erase(0, std::min(lineEnd + 1, text.size()));
        }
    }
    return html + plainToHtml(text, isTerm, Braces::References, wrapWidth);
}

} // namespace

std::vector<articles::Part>
definitionParts(const std::vector<Definition>& definitions,
                const std::function<bool(const std::u16string&)>& isTerm) {
    std::vector<std::string> databases;
    for (const Definition& definition : definitions) {
        if (std::find(databases.begin(), databases.end(), definition.database) == databases.end())
            databases.push_back(definition.database);
    }
    std::vector<articles::Part> parts;
    for (const std::string& database : databases) {
        // The layout is read from all this database's text at hand, as the import reads it
        // from the whole dictionary.
        std::string all;
        for (const Definition& definition : definitions) {
            if (definition.database == database)
                all += definition.text + "\n\n";
        }
        const std::size_t wrapWidth = layout::wrapWidthOf(all);
        articles::Part part{jet::fromUtf8(database), false, {}};
        for (const Definition& definition : definitions) {
            if (definition.database != database)
                continue;
            if (!part.html.empty())
                part.html += articles::kEntrySeparator;
            part.html += entryHtml(definition, wrapWidth, isTerm);
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

} // namespace dict
