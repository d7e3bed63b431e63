#pragma once

#include <bitset>
#include <string>
#include <string_view>

struct SpellingFiles;

// The letters a spelling dictionary writes its words and affixes in, in either case. A word
// with any other letter is none of its words, so it is never worth the dictionary's time:
// half the words of the nine dictionaries are phonetic transcriptions no language spells.
class SpellingAlphabet {
public:
    SpellingAlphabet() = default;
    // Throws std::runtime_error naming the file when one cannot be read.
    explicit SpellingAlphabet(const SpellingFiles& files);
    // Letters written in `text` (UTF-8), in either case.
    void addText(std::string_view text);
    // Every letter of either.
    void add(const SpellingAlphabet& other);

    bool empty() const { return letters_.none(); } // made so, or read from letterless files

    // Whether every code unit of `word` is one of the letters, in either case.
    bool spells(std::u16string_view word) const;

private:
    // By UTF-16 code unit; case folded, so that either case is found alike.
    std::bitset<0x10000> letters_;
};
