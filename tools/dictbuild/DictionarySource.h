#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The text form of a dictionary: UTF-8, one entry a line, the term, a TAB, the definition.
// Definitions may use the escapes \t (TAB), \n (line feed), \r (carriage return) and a
// doubled backslash for one backslash; a definition that is exactly \N is null. Terms are
// taken literally. Empty lines are skipped, and a CR before a line's LF is dropped. A definition
// without mark-up (no tag) is plain text: each of its line breaks becomes a <br>.
struct DictionaryEntry {
    std::u16string term;
    std::optional<std::u16string> definition;
    // Where each source dictionary's part of the definition begins; empty: all of it is one
    // part of source 0.
    struct Part {
        std::uint32_t source;
        std::uint32_t start;
    };
    std::vector<Part> parts;
};

class DictionaryError : public std::runtime_error {
public:
    DictionaryError(std::size_t lineNumber, const std::string& what)
        : std::runtime_error("line " + std::to_string(lineNumber) + ": " + what), line(lineNumber) {
    }
    std::size_t line;
};

inline constexpr std::size_t kMaxTermLength = 255;

// Calls `each` with every entry in order, as it is read, so that a large source need not be
// held twice. Throws DictionaryError naming the first bad line.
void readDictionary(const std::string& text, const std::function<void(DictionaryEntry&)>& each);

// Every entry at once. Throws DictionaryError naming the first bad line.
std::vector<DictionaryEntry> parseDictionary(const std::string& text);
