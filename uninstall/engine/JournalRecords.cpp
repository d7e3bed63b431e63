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
