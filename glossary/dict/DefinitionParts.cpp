#include "DefinitionParts.h"

#include "dicttext/PlainToHtml.h"
#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <algorithm>
#include <set>

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

// UTF-8, as the protocol has it; a server that sends the bytes of a dictionary written in
// Latin-1 as they are (dictd does) is read as the import reads that dictionary.
std::u16string decode(const std::string& bytes) {
    bool valid = true;
    std::u16string text = jet::fromUtf8(bytes, &valid);
    if (valid)
        return text;
    text.clear();
    for (const char c : bytes)
        text += static_cast<char16_t>(static_cast<unsigned char>(c));
    return text;
}

// One entry as the import writes it: a first line that is only the headword goes (the page
// names its term), unless the lines below go on it one blank in, a heading (layout::).
std::u16string entryHtml(const Definition& definition, std::size_t wrapWidth,
                         const std::function<bool(const std::u16string&)>& isTerm) {
    std::u16string text = decode(definition.text);
    std::replace(text.begin(), text.end(), u'\r', u'\n');
    const std::size_t lineEnd = std::min(text.find(u'\n'), text.size());
    const bool headword = text::foldCase(trimmed(std::u16string_view(text).substr(0, lineEnd))) ==
                          text::foldCase(decode(definition.word));
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

void LayoutSamples::add(const std::vector<Definition>& definitions) {
    constexpr std::size_t kSampleBytes = 256 * 1024, kAllBytes = 4 * 1024 * 1024;
    std::set<std::string> grown;
    for (const Definition& definition : definitions) {
        if (bytes_ >= kAllBytes)
            break;
        Sample& sample = samples_[definition.database];
        if (sample.text.size() >= kSampleBytes)
            continue;
        const std::size_t before = sample.text.size();
        sample.text += definition.text.substr(0, kSampleBytes - before);
        sample.text += "\n\n";
        bytes_ += sample.text.size() - before;
        grown.insert(definition.database);
    }
    // Once a reply: a thousand definitions must not read the sample a thousand times.
    for (const std::string& database : grown)
        samples_[database].width = layout::wrapWidthOf(samples_[database].text);
}

std::size_t LayoutSamples::wrapWidth(const std::string& database) const {
    const auto sample = samples_.find(database);
    return sample == samples_.end() ? layout::kWrappedAnywhere : sample->second.width;
}

std::vector<articles::Part>
definitionParts(const std::vector<Definition>& definitions,
                const std::function<bool(const std::u16string&)>& isTerm, LayoutSamples& samples) {
    samples.add(definitions);
    std::vector<std::string> databases;
    for (const Definition& definition : definitions) {
        if (std::find(databases.begin(), databases.end(), definition.database) == databases.end())
            databases.push_back(definition.database);
    }
    std::vector<articles::Part> parts;
    for (const std::string& database : databases) {
        const std::size_t wrapWidth = samples.wrapWidth(database);
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
