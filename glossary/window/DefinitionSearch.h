#pragma once

#include "search/SetSearch.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The search in the definitions, on a thread of its own that opens the database and reads ahead
// what searches need: which search's news counts, and what of its answer is already shown.
class DefinitionSearch {
public:
    // Its threads, made once, one for each of the `databases` shown; `changed` is called on
    // them whenever take() has news.
    void prepare(const std::vector<search::SetSearch::Database>& databases,
                 const std::function<void()>& changed);
    void forget(); // another database: its thread goes
    void cancel(); // what is searched now stops, and no news of it counts
    void start(const std::u16string& text);
    // News of the search started last; nothing when there is none or it is of another.
    std::optional<search::BackgroundSearch::Progress> take();
    // The text searched last, whose words the page marks.
    const std::u16string& words() const { return words_; }
    // True once for `search`: the first of its news without an index, which the page notes.
    bool noteNoIndex(std::uint64_t search);
    // Whether the beginning of `search`'s answer is listed; listing it says so.
    bool firstHitsListed(std::uint64_t search) const { return firstHitsOf_ == search; }
    void listFirstHits(std::uint64_t search) { firstHitsOf_ = search; }

private:
    std::unique_ptr<search::SetSearch> search_;
    std::uint64_t current_ = 0;         // the search whose news counts
    std::uint64_t notedNoIndexFor_ = 0; // the search whose page says there is no index
    std::uint64_t firstHitsOf_ = 0;     // the search whose first finds are listed
    std::u16string words_;
};
