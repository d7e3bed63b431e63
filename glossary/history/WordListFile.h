#pragma once

#include <string>
#include <string_view>
#include <vector>

// A list of words as a plain text file: UTF-8, one word a line, which any editor reads and
// writes (a byte order mark and CR LF line ends are accepted too).
namespace history {

struct WordListReading {
    std::vector<std::u16string> lines; // as written, blank ones too; the list skips those
    std::string refusal;               // why the bytes are no word list; empty when they are one
};

inline constexpr std::size_t kMaxWordListBytes = 16 * 1024 * 1024;
inline constexpr std::size_t kMaxWordLength = 1024; // UTF-16 code units a line

WordListReading readWordList(std::string_view bytes);
// CR LF line ends, no byte order mark; a word with a line break in it is left out.
std::string writeWordList(const std::vector<std::u16string>& words);

} // namespace history
