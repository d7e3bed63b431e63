#include "JournalRecords.h"

#include "PathRules.h"

namespace {

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> parts(1);
    for (const char c : line) {
        if (c == '\t')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

} // namespace

std::string journalRecord(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i == 0 ? "" : "\t") + controlsEscaped(fields[i]);
    return line + "\r\n";
}

std::string exactField(const std::string& text) {
    std::string field;
    for (const char c : text)
        field += c == '<' ? std::string("<3C>") : std::string(1, c);
    return field;
}

bool unescapedField(const std::string& field, std::string& text) {
    const auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    text.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '<') {
            text += field[i];
            continue;
        }
        if (i + 3 >= field.size() || digit(field[i + 1]) < 0 || digit(field[i + 2]) < 0 ||
            field[i + 3] != '>')
            return false;
        text += static_cast<char>(digit(field[i + 1]) * 16 + digit(field[i + 2]));
        i += 3;
    }
    return true;
}

bool readJournalRecords(const std::string& text, const std::string& header,
                        std::vector<std::vector<std::string>>& records) {
    records.clear();
    std::size_t start = 0;
    bool first = true;
    for (;;) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            break; // what follows the last line end was cut off, or is nothing
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (first) {
            if (line + "\r\n" != header)
                return false;
            first = false;
            continue;
        }
        records.push_back(fields(line));
    }
    // A journal is only ever written whole from its header on.
    return !first || text.empty() || header.compare(0, text.size(), text) == 0;
}
