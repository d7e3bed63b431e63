#include "Favourites.h"

#include "WordHistory.h"

#include <algorithm>

namespace history {

bool Favourites::contains(const std::u16string& word) const {
    return std::find(words_.begin(), words_.end(), keptForm(word)) != words_.end();
}

bool Favourites::toggle(const std::u16string& word) {
    const std::u16string kept = keptForm(word);
    if (kept.empty())
        return false;
    const auto at = std::find(words_.begin(), words_.end(), kept);
    if (at != words_.end()) {
        words_.erase(at);
        return false;
    }
    words_.push_back(kept);
    return true;
}

void Favourites::remove(std::size_t index) {
    if (index < words_.size())
        words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::size_t Favourites::move(std::size_t index, int step) {
    if (index >= words_.size())
        return index;
    const auto last = static_cast<std::ptrdiff_t>(words_.size()) - 1;
    const auto to = std::clamp(static_cast<std::ptrdiff_t>(index) + step, std::ptrdiff_t{0}, last);
    const auto from = static_cast<std::ptrdiff_t>(index);
    if (to < from)
        std::rotate(words_.begin() + to, words_.begin() + from, words_.begin() + from + 1);
    else
        std::rotate(words_.begin() + from, words_.begin() + from + 1, words_.begin() + to + 1);
    return static_cast<std::size_t>(to);
}

std::size_t Favourites::add(const std::vector<std::u16string>& words) {
    std::size_t added = 0;
    for (const std::u16string& word : words) {
        const std::u16string kept = keptForm(word);
        if (kept.empty() || std::find(words_.begin(), words_.end(), kept) != words_.end())
            continue;
        words_.push_back(kept);
        ++added;
    }
    return added;
}

} // namespace history
