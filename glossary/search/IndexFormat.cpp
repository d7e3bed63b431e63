#include "IndexFormat.h"

#include "Varint.h"

namespace search {

namespace {

std::uint64_t next(std::string_view bytes, std::size_t& at) {
    std::uint64_t value = 0;
    if (!readVarint(bytes, at, value))
        throw IndexError();
    return value;
}

std::uint32_t next32(std::string_view bytes, std::size_t& at) {
    const std::uint64_t value = next(bytes, at);
    if (value > UINT32_MAX)
        throw IndexError();
    return static_cast<std::uint32_t>(value);
}

// Reads the next word of a block into `word` and the span of its postings; false at the end.
bool nextWord(std::string_view block, std::size_t& at, std::string& word, std::size_t& count,
              std::string_view& postings) {
    if (at >= block.size())
        return false;
    const std::uint64_t shared = next(block, at), rest = next(block, at);
    if (shared > word.size() || rest > block.size() - at)
        throw IndexError();
    word.resize(static_cast<std::size_t>(shared));
    word.append(block.substr(at, static_cast<std::size_t>(rest)));
    at += static_cast<std::size_t>(rest);
    const std::uint64_t entries = next(block, at), length = next(block, at);
    if (length > block.size() - at || entries > length)
        throw IndexError(); // every posting takes a byte at least
    count = static_cast<std::size_t>(entries);
    postings = block.substr(at, static_cast<std::size_t>(length));
    at += static_cast<std::size_t>(length);
    return true;
}

} // namespace

void appendWord(std::string& block, std::string_view previous, std::string_view word,
                std::size_t count, std::string_view postings) {
    std::size_t shared = 0;
    while (shared < previous.size() && shared < word.size() && previous[shared] == word[shared])
        ++shared;
    appendVarint(block, shared);
    appendVarint(block, word.size() - shared);
    block.append(word.substr(shared));
    appendVarint(block, count);
    appendVarint(block, postings.size());
    block.append(postings);
}

bool findWord(std::string_view block, std::string_view word, std::vector<Posting>& postings) {
    std::string current;
    std::size_t at = 0, count = 0;
    std::string_view bytes;
    while (nextWord(block, at, current, count, bytes)) {
        if (current < word)
            continue;
        if (current != word)
            return false; // words are in order: it is not there
        postings.clear();
        postings.reserve(count);
        std::uint64_t entry = 0;
        for (std::size_t i = 0, p = 0; i < count; ++i) {
            const std::uint64_t value = next(bytes, p);
            entry += value >> 2;
            if ((value & 3) > 2 || entry > UINT32_MAX)
                throw IndexError();
            postings.push_back({static_cast<std::uint32_t>(entry), static_cast<Place>(value & 3)});
        }
        return true;
    }
    return false;
}

std::vector<std::string> wordsOf(std::string_view block) {
    std::vector<std::string> words;
    std::string current;
    std::size_t at = 0, count = 0;
    std::string_view bytes;
    while (nextWord(block, at, current, count, bytes))
        words.push_back(current);
    return words;
}

void appendEntry(std::string& block, std::uint32_t rowGap, const Entry& entry) {
    appendVarint(block, rowGap);
    appendVarint(block, entry.source);
    appendVarint(block, entry.start);
}

void readEntries(std::string_view block, std::vector<Entry>& entries) {
    std::uint64_t row = 0;
    for (std::size_t at = 0; at < block.size();) {
        row += next(block, at);
        if (row > UINT32_MAX)
            throw IndexError();
        const std::uint32_t source = next32(block, at), start = next32(block, at);
        entries.push_back({static_cast<std::uint32_t>(row), source, start});
    }
}

} // namespace search
