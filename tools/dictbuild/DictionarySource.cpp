#include "DictionarySource.h"

#include "jet/TextCodec.h"

#include <cctype>

namespace {

std::string unescape(const std::string& text, std::size_t line) {
    if (text.find('\\') == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 == text.size())
            throw DictionaryError(line, "definition ends with a lone backslash");
        switch (text[++i]) {
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            throw DictionaryError(line, std::string("unknown escape \\") + text[i] +
                                            " (use \\t, \\n, \\r, \\\\ or \\N)");
        }
    }
    return out;
}

// A definition without mark-up is plain text: its line breaks stay line breaks on the page,
// which reads every definition as HTML.
std::string withLineBreaks(std::string text) {
    if (text.find('\n') == std::string::npos)
        return text;
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
        const char next = at + 1 < text.size() ? text[at + 1] : ' ';
        if (std::isalpha(static_cast<unsigned char>(next)) || next == '/' || next == '!')
            return text;
    }
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            out += "<br>";
        else if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    }
    return out;
}

std::u16string utf16(const std::string& text, std::size_t line, const char* what) {
    bool valid = false;
    std::u16string converted = jet::fromUtf8(text, &valid);
    if (!valid)
        throw DictionaryError(line, std::string("invalid UTF-8 in the ") + what);
    return converted;
}

} // namespace

void readDictionary(const std::string& text, const std::function<void(DictionaryEntry&)>& each) {
    std::size_t lineNumber = 0;
    DictionaryEntry entry;
    std::string definition;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::size_t lineEnd = end;
        const std::size_t lineStart = start;
        start = end + 1;
        ++lineNumber;
        if (lineEnd > lineStart && text[lineEnd - 1] == '\r')
            --lineEnd;
        if (lineEnd == lineStart)
            continue;
        const std::size_t tab = text.find('\t', lineStart);
        if (tab == std::string::npos || tab >= lineEnd)
            throw DictionaryError(lineNumber, "no TAB between term and definition");
        entry.term = utf16(text.substr(lineStart, tab - lineStart), lineNumber, "term");
        if (entry.term.size() > kMaxTermLength)
            throw DictionaryError(lineNumber, "term longer than " + std::to_string(kMaxTermLength) +
                                                  " characters");
        definition.assign(text, tab + 1, lineEnd - tab - 1);
        if (definition == "\\N")
            entry.definition.reset();
        else
            entry.definition =
                utf16(withLineBreaks(unescape(definition, lineNumber)), lineNumber, "definition");
        each(entry);
    }
}

std::vector<DictionaryEntry> parseDictionary(const std::string& text) {
    std::vector<DictionaryEntry> entries;
    readDictionary(text,
                   [&entries](DictionaryEntry& entry) { entries.push_back(std::move(entry)); });
    return entries;
}
