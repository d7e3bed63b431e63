#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The information file (.ifo) of a StarDict dictionary: a first line that names the format,
// then key=value lines; the counts in it are checked against the other files.
namespace stardict {

class FormatError : public std::runtime_error {
public:
    // `where` is the file, with the line or byte where that helps.
    FormatError(const std::string& where, const std::string& what)
        : std::runtime_error(where + ": " + what) {}
};

struct Info {
    std::string version;
    std::string bookname;
    std::uint64_t wordcount = 0;
    std::uint64_t synwordcount = 0;
    std::uint64_t idxfilesize = 0;
    unsigned idxoffsetbits = 32;
    std::string sametypesequence; // empty: each field names its own type
    std::string description, website;
};

inline constexpr const char* kInfoFirstLine = "StarDict's dict ifo file";

// Whether `text` begins as an information file does (a byte order mark allowed).
bool looksLikeInfo(const std::string& text);

// Throws FormatError naming `file` and the line at fault.
Info parseInfo(const std::string& text, const std::string& file);

} // namespace stardict
