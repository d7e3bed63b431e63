#include "LineForm.h"

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF"; // escapes: <0A>
constexpr char kLowerDigits[] = "0123456789abcdef"; // a registry value's bytes

// The value of one hex digit of the set `digits` (each set is one case only), or -1.
int hexDigit(char c, const char* digits) {
    for (int i = 0; i < 16; ++i) {
        if (digits[i] == c)
            return i;
    }
    return -1;
}

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

std::string controlsEscaped(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            result += '<';
            result += kUpperDigits[byte >> 4];
            result += kUpperDigits[byte & 15];
            result += '>';
        } else {
            result += c;
        }
    }
    return result;
}

std::string journalRecord(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i == 0 ? "" : "\t") + controlsEscaped(fields[i]);
    return line + "\r\n";
}

std::string journalHeader(const std::string& program, const std::string& product) {
    return program + " journal of " + controlsEscaped(product) + "\r\n";
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

std::size_t wholeLines(const std::string& text) {
    const std::size_t lastEnd = text.rfind("\r\n");
    return lastEnd == std::string::npos ? 0 : lastEnd + 2;
}

std::string exactField(const std::string& text) {
    std::string field;
    for (const char c : text)
        field += c == '<' ? std::string("<3C>") : std::string(1, c);
    return field;
}

bool unescapedField(const std::string& field, std::string& text) {
    text.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '<') {
            text += field[i];
            continue;
        }
        if (i + 3 >= field.size() || field[i + 3] != '>')
            return false;
        const int high = hexDigit(field[i + 1], kUpperDigits);
        const int low = hexDigit(field[i + 2], kUpperDigits);
        if (high < 0 || low < 0)
            return false;
        text += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return true;
}

bool numberField(const std::string& field, long long lowest, long long highest, long long& value) {
    const bool negative = !field.empty() && field[0] == '-' && lowest < 0;
    const std::size_t first = negative ? 1 : 0;
    // Eighteen digits at the most: no number read can overflow.
    if (field.size() == first || field.size() - first > 18)
        return false;
    long long read = 0;
    for (std::size_t i = first; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9')
            return false;
        read = read * 10 + (field[i] - '0');
    }
    read = negative ? -read : read;
    if (read < lowest || read > highest)
        return false;
    value = read;
    return true;
}

std::string hexField(const std::vector<unsigned char>& bytes) {
    std::string text;
    for (const unsigned char b : bytes) {
        text += kLowerDigits[b >> 4];
        text += kLowerDigits[b & 15];
    }
    return text;
}

bool hexFieldBytes(const std::string& field, std::vector<unsigned char>& bytes) {
    bytes.clear();
    if (field.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < field.size(); i += 2) {
        const int high = hexDigit(field[i], kLowerDigits);
        const int low = hexDigit(field[i + 1], kLowerDigits);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return true;
}
