#pragma once

#include "SpellingAlphabet.h"

#include <memory>
#include <string>
#include <vector>

class Hunspell;

// Where a spelling dictionary is: its affix file (.aff) and word list (.dic).
struct SpellingFiles {
    std::string affixes, words;
};

// One language's spelling dictionary in Hunspell's form (an affix file and a word list), asked
// for the base forms of words. Words are UTF-8 both ways.
class SpellingDictionary {
public:
    // Throws std::runtime_error with the file and the reason when it cannot be used.
    explicit SpellingDictionary(const SpellingFiles& files);
    // The same, with the letters of its files (SpellingAlphabet(files)) read already.
    SpellingDictionary(const SpellingFiles& files, SpellingAlphabet alphabet);
    ~SpellingDictionary();
    SpellingDictionary(SpellingDictionary&&) noexcept;
    SpellingDictionary& operator=(SpellingDictionary&&) noexcept;

    // The bases Hunspell finds for `word` in its readings with the fewest affixes, in its
    // order; none when it does not know the word (at once when the word has a letter the
    // dictionary never uses).
    std::vector<std::string> stems(const std::string& word) const;

    // What the constructor checks (both files readable, the affix file in UTF-8), without
    // loading the word list: dictbuild names a dictionary that cannot serve before its import,
    // and loads each one once, after it. Throws as the constructor does.
    static void check(const SpellingFiles& files);

    // Whether this build can read spelling dictionaries at all.
    static bool available();

private:
    std::unique_ptr<Hunspell> hunspell_;
    SpellingAlphabet alphabet_;
};
