#include "DictionarySource.h"

#include "jet/TextCodec.h"

namespace {

std::string unescape(const std::string& text, std::size_t line) {
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

std::u16string utf16(const std::string& text, std::size_t line, const char* what) {
    bool valid = false;
    std::u16string converted = jet::fromUtf8(text, &valid);
    if (!valid)
        throw DictionaryError(line, std::string("invalid UTF-8 in the ") + what);
    return converted;
}

} // namespace

std::vector<DictionaryEntry> parseDictionary(const std::string& text) {
    std::vector<DictionaryEntry> entries;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            throw DictionaryError(lineNumber, "no TAB between term and definition");
        DictionaryEntry entry;
        entry.term = utf16(line.substr(0, tab), lineNumber, "term");
        if (entry.term.size() > kMaxTermLength)
            throw DictionaryError(lineNumber, "term longer than " + std::to_string(kMaxTermLength) +
                                                  " characters");
        const std::string definition = line.substr(tab + 1);
        if (definition != "\\N")
            entry.definition = utf16(unescape(definition, lineNumber), lineNumber, "definition");
        entries.push_back(std::move(entry));
    }
    return entries;
}
