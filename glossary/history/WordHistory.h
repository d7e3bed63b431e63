#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace history {

// The words a reader looked up in one database, newest first, each once.
class WordHistory {
public:
    static constexpr std::size_t kMaxWords = 500;

    WordHistory() = default;
    // As kept: blank and repeated words are dropped, and all beyond kMaxWords.
    explicit WordHistory(const std::vector<std::u16string>& newestFirst);

    // A word looked up goes to the top. `amend`: the word is still being typed, and takes the
    // place of the one added last, as if that one had never been looked up.
    void add(const std::u16string& word, bool amend = false);
    void remove(std::size_t index);
    void clear();
    const std::vector<std::u16string>& words() const { return words_; }
    // The places of the words that hold `filter`, ignoring case and accents; all for none.
    std::vector<std::size_t> matching(const std::u16string& filter) const;

private:
    std::vector<std::u16string> words_;
    std::vector<std::u16string> beforeLast_; // the words before the last add, for an amend
    bool amendable_ = false;
};

// A word as kept in a list: without the blanks around it; empty when nothing is left or it
// holds a line break or another control character.
std::u16string keptForm(const std::u16string& word);

} // namespace history
