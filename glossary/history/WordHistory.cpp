#include "WordHistory.h"

#include "text/TextFind.h"

#include <algorithm>

namespace history {

std::u16string keptForm(const std::u16string& word) {
    // A byte order mark left in a line by an editor is no part of the word either.
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\uFEFF' || c == u'\u200B';
    };
    std::size_t begin = 0, end = word.size();
    while (begin < end && blank(word[begin]))
        ++begin;
    while (end > begin && blank(word[end - 1]))
        --end;
    for (std::size_t i = begin; i < end; ++i) {
        if (word[i] < 0x20 || word[i] == 0x7F)
            return std::u16string();
    }
    return word.substr(begin, end - begin);
}

WordHistory::WordHistory(const std::vector<std::u16string>& newestFirst) {
    for (const std::u16string& word : newestFirst) {
        const std::u16string kept = keptForm(word);
        if (!kept.empty() && std::find(words_.begin(), words_.end(), kept) == words_.end())
            words_.push_back(kept);
        if (words_.size() == kMaxWords)
            break;
    }
}

void WordHistory::add(const std::u16string& word, bool amend) {
    const std::u16string kept = keptForm(word);
    if (kept.empty())
        return;
    if (amend && amendable_)
        words_ = beforeLast_;
    else
        beforeLast_ = words_;
    amendable_ = true;
    words_.erase(std::remove(words_.begin(), words_.end(), kept), words_.end());
    words_.insert(words_.begin(), kept);
    if (words_.size() > kMaxWords)
        words_.resize(kMaxWords);
}

void WordHistory::remove(std::size_t index) {
    if (index >= words_.size())
        return;
    words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(index));
    amendable_ = false; // what the reader deleted stays deleted
}

void WordHistory::clear() {
    words_.clear();
    amendable_ = false;
}

std::vector<std::size_t> WordHistory::matching(const std::u16string& filter) const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < words_.size(); ++i) {
        if (filter.empty() || text::findText(words_[i], filter, 0, true))
            found.push_back(i);
    }
    return found;
}

} // namespace history
