#include "JournalRecords.h"

#include "LineForm.h"

namespace {

// Fields are written with their control characters escaped: a raw one is no line of ours.
bool plainField(const std::string& field) {
    for (const char c : field) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    }
    return !field.empty();
}

bool readLine(const std::vector<std::string>& parts, JournalLine& line) {
    long long position = 0;
    if (parts.size() != 5 || (parts[0] != "begin" && parts[0] != "done") || !plainField(parts[1]) ||
        !numberField(parts[2], 0, 0x7FFFFFFF, position) ||
        !numberField(parts[3], -999999999999999999, 999999999999999999, line.count) ||
        !plainField(parts[4]))
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

std::string uninstallJournalHeader(const std::string& product) {
    return journalHeader("Uninstall", product);
}

std::string journalLine(const JournalLine& line) {
    return journalRecord({line.done ? "done" : "begin", line.section, std::to_string(line.position),
                          std::to_string(line.count), line.path});
}

bool readUninstallJournal(const std::string& text, const std::string& product,
                          std::vector<JournalLine>& lines) {
    lines.clear();
    std::vector<std::vector<std::string>> records;
    if (!readJournalRecords(text, uninstallJournalHeader(product), records))
        return false;
    for (const std::vector<std::string>& record : records) {
        JournalLine read;
        if (!readLine(record, read))
            return false;
        lines.push_back(read);
    }
    return true;
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
