#include "StardictInfo.h"

#include <string_view>

namespace stardict {

namespace {

std::string_view withoutByteOrderMark(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    return text;
}

std::uint64_t number(std::string_view value, const std::string& where, const std::string& key) {
    // Nineteen digits cannot overflow 64 bits.
    if (value.empty() || value.size() > 19 ||
        value.find_first_not_of("0123456789") != std::string_view::npos)
        throw FormatError(where, key + " is \"" + std::string(value.substr(0, 40)) +
                                     "\", not a whole number");
    std::uint64_t result = 0;
    for (const char c : value)
        result = result * 10 + static_cast<std::uint64_t>(c - '0');
    return result;
}

} // namespace

bool looksLikeInfo(const std::string& text) {
    return withoutByteOrderMark(text).substr(0, std::string_view(kInfoFirstLine).size()) ==
           kInfoFirstLine;
}

Info parseInfo(const std::string& text, const std::string& file) {
    if (!looksLikeInfo(text))
        throw FormatError(file + ":1", std::string("does not begin with \"") + kInfoFirstLine +
                                           "\", so it is no StarDict information file");
    const std::string_view body = withoutByteOrderMark(text);
    Info info;
    bool haveWords = false, haveIndexSize = false;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < body.size();) {
        std::size_t end = body.find('\n', start);
        if (end == std::string_view::npos)
            end = body.size();
        std::string_view line = body.substr(start, end - start);
        start = end + 1;
        if (++lineNumber == 1)
            continue;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (line.empty() || equals == std::string_view::npos)
            continue; // StarDict itself ignores such lines
        const std::string key(line.substr(0, equals));
        const std::string_view value = line.substr(equals + 1);
        const std::string where = file + ":" + std::to_string(lineNumber);
        if (key == "version") {
            info.version = value;
        } else if (key == "bookname") {
            info.bookname = value;
        } else if (key == "wordcount") {
            info.wordcount = number(value, where, key);
            haveWords = true;
        } else if (key == "synwordcount") {
            info.synwordcount = number(value, where, key);
        } else if (key == "idxfilesize") {
            info.idxfilesize = number(value, where, key);
            haveIndexSize = true;
        } else if (key == "idxoffsetbits") {
            const std::uint64_t bits = number(value, where, key);
            if (bits != 32 && bits != 64)
                throw FormatError(where, "idxoffsetbits is " + std::to_string(bits) +
                                             "; only 32 and 64 exist");
            info.idxoffsetbits = static_cast<unsigned>(bits);
        } else if (key == "sametypesequence") {
            info.sametypesequence = value;
            if (info.sametypesequence.find_first_not_of(
                    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos)
                throw FormatError(where, "sametypesequence \"" + info.sametypesequence +
                                             "\" holds a character that names no type");
        } else if (key == "description") {
            info.description = value;
        } else if (key == "website") {
            info.website = value;
        }
    }
    if (!haveWords)
        throw FormatError(file, "no wordcount line: the number of entries is not known");
    if (!haveIndexSize)
        throw FormatError(file, "no idxfilesize line: the size of the index is not known");
    // Writers put other 2.x numbers in as well; the layout is the same.
    if (info.version.compare(0, 2, "2.") != 0 && info.version != "3.0.0")
        throw FormatError(file, info.version.empty()
                                    ? std::string("no version line: the layout is not known")
                                    : "version " + info.version +
                                          " is not one dictbuild knows (2.4.2 or 3.0.0)");
    return info;
}

} // namespace stardict
