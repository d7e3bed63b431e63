#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace history {

// The words a reader keeps, in the reader's order, each once.
class Favourites {
public:
    Favourites() = default;
    explicit Favourites(const std::vector<std::u16string>& words) { add(words); }

    bool contains(const std::u16string& word) const;
    // Adds the word, or removes it when it is one already: true when it is one now.
    bool toggle(const std::u16string& word);
    void remove(std::size_t index);
    // Moves the word at `index` by `step` places, within the list: its new place.
    std::size_t move(std::size_t index, int step);
    // Adds the words that are not blank and not there yet, at the end: how many it added.
    std::size_t add(const std::vector<std::u16string>& words);
    const std::vector<std::u16string>& words() const { return words_; }

private:
    std::vector<std::u16string> words_;
};

} // namespace history
