#include "JournalText.h"

#include "PathRules.h"

#include <cstdlib>

namespace {

constexpr char kHeader[] = "Uninstall journal of ";

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

bool number(const std::string& text, long long& value) {
    if (text.empty() || text.size() > 11)
        return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    value = std::atoll(text.c_str());
    return true;
}

bool readLine(const std::string& text, JournalLine& line) {
    const std::vector<std::string> parts = fields(text);
    long long position = 0;
    if (parts.size() != 5 || (parts[0] != "begin" && parts[0] != "done") || parts[1].empty() ||
        !number(parts[2], position) || position < 0 || position > 0x7FFFFFFF ||
        !number(parts[3], line.count) || parts[4].empty())
        return false;
    line.done = parts[0] == "done";
    line.section = parts[1];
    line.position = static_cast<int>(position);
    line.path = parts[4];
    return true;
}

} // namespace

std::string escapedPath(const std::string& path) {
    return controlsEscaped(path);
}

std::string journalHeader(const std::string& product) {
    return kHeader + escapedPath(product) + "\r\n";
}

std::string journalLine(const JournalLine& line) {
    return std::string(line.done ? "done" : "begin") + "\t" + line.section + "\t" +
           std::to_string(line.position) + "\t" + std::to_string(line.count) + "\t" + line.path +
           "\r\n";
}

bool readJournal(const std::string& text, const std::string& product,
                 std::vector<JournalLine>& lines) {
    lines.clear();
    std::size_t start = 0;
    bool first = true;
    for (;;) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            break; // what follows the last line end was cut off, or is nothing
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (first) {
            if (line + "\r\n" != journalHeader(product))
                return false;
            first = false;
            continue;
        }
        JournalLine read;
        if (!readLine(line, read))
            return false;
        lines.push_back(read);
    }
    // A journal is only ever written whole from its header on.
    return !first || text.empty() || journalHeader(product).compare(0, text.size(), text) == 0;
}

bool journalSaysReleased(const std::vector<JournalLine>& lines, const std::string& section,
                         int position, const std::string& path) {
    const std::string written = escapedPath(path);
    for (const JournalLine& line : lines) {
        if (line.section == section && line.position == position && line.path == written)
            return true;
    }
    return false;
}
