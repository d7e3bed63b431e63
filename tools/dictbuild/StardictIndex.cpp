#include "StardictIndex.h"

#include <algorithm>
#include <cstring>

namespace stardict {

namespace {

// StarDict's own limit for a word; a longer one means the bytes are not an index.
constexpr std::size_t kLongestWord = 256;

std::uint64_t bigEndian(const std::string& bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Reads the word at `at` and the `width` bytes after it; false at the end of the bytes.
// Throws where the record is cut short or its word is too long.
bool nextRecord(const std::string& bytes, std::size_t& at, std::size_t width,
                const std::string& file, std::size_t number, const char* what,
                std::string_view& word, std::size_t& numbersAt) {
    if (at == bytes.size())
        return false;
    const std::size_t searched = std::min(bytes.size() - at, kLongestWord + 1);
    const void* nul = std::memchr(bytes.data() + at, '\0', searched);
    const std::string where =
        file + ": " + what + " " + std::to_string(number + 1) + " at byte " + std::to_string(at);
    if (nul == nullptr)
        throw FormatError(where, searched > kLongestWord
                                     ? "a word longer than " + std::to_string(kLongestWord) +
                                           " bytes: the file is damaged or no StarDict file"
                                     : std::string("the file ends inside a word: it is cut short"));
    const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data());
    if (bytes.size() - end - 1 < width)
        throw FormatError(where, "the file ends inside the numbers after \"" +
                                     bytes.substr(at, end - at) + "\": it is cut short");
    word = std::string_view(bytes).substr(at, end - at);
    numbersAt = end + 1;
    at = numbersAt + width;
    return true;
}

// Nothing is reserved from a count the file only claims: each record takes some bytes.
std::size_t reservation(std::uint64_t claimed, std::size_t bytes, std::size_t smallest) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(claimed, bytes / smallest));
}

} // namespace

std::vector<IndexEntry> parseIndex(const std::string& bytes, const std::string& file,
                                   const Info& info) {
    if (bytes.size() != info.idxfilesize)
        throw FormatError(file, "holds " + std::to_string(bytes.size()) +
                                    " bytes, but the information file says " +
                                    std::to_string(info.idxfilesize) +
                                    " (idxfilesize): the index is cut short or belongs to "
                                    "another dictionary");
    const std::size_t offsetWidth = info.idxoffsetbits / 8;
    std::vector<IndexEntry> entries;
    entries.reserve(reservation(info.wordcount, bytes.size(), offsetWidth + 5));
    std::string_view word;
    std::size_t at = 0, numbersAt = 0;
    while (nextRecord(bytes, at, offsetWidth + 4, file, entries.size(), "entry", word, numbersAt)) {
        IndexEntry entry;
        entry.headword = word;
        entry.offset = bigEndian(bytes, numbersAt, offsetWidth);
        entry.size = static_cast<std::uint32_t>(bigEndian(bytes, numbersAt + offsetWidth, 4));
        entries.push_back(entry);
    }
    if (entries.size() != info.wordcount)
        throw FormatError(file, "holds " + std::to_string(entries.size()) +
                                    " entries, but the information file says " +
                                    std::to_string(info.wordcount) + " (wordcount)");
    return entries;
}

std::vector<Synonym> parseSynonyms(const std::string& bytes, const std::string& file,
                                   const Info& info) {
    std::vector<Synonym> synonyms;
    synonyms.reserve(reservation(info.synwordcount, bytes.size(), 5));
    std::string_view word;
    std::size_t at = 0, numbersAt = 0;
    while (nextRecord(bytes, at, 4, file, synonyms.size(), "synonym", word, numbersAt)) {
        Synonym synonym;
        synonym.word = word;
        const std::uint64_t entry = bigEndian(bytes, numbersAt, 4);
        if (entry >= info.wordcount)
            throw FormatError(file + ": synonym " + std::to_string(synonyms.size() + 1) +
                                  " at byte " + std::to_string(numbersAt - word.size() - 1),
                              "\"" + std::string(word) + "\" points to entry " +
                                  std::to_string(entry + 1) + ", but there are only " +
                                  std::to_string(info.wordcount));
        synonym.entry = static_cast<std::uint32_t>(entry);
        synonyms.push_back(synonym);
    }
    if (synonyms.size() != info.synwordcount)
        throw FormatError(file, "holds " + std::to_string(synonyms.size()) +
                                    " synonyms, but the information file says " +
                                    std::to_string(info.synwordcount) + " (synwordcount)");
    return synonyms;
}

} // namespace stardict
