#pragma once

#include "TermList.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The terms in sorted order, so that a prefix search and the lookup of equal terms take a few
// comparisons instead of a pass over every term. The answers are those of a pass in table
// order: the first match wins.
class SearchIndex {
public:
    // What a sort given up on throws.
    struct Stopped {};

    // `upper` holds the terms in the search's case. Sorting a million terms takes a second:
    // once `stop` (if given) is set, the sort throws Stopped within a millisecond.
    explicit SearchIndex(std::shared_ptr<const TermList> upper,
                         const std::atomic<bool>* stop = nullptr);

    // The first index, in table order, whose upper-case term begins with `upperPrefix`; -1
    // when none does.
    int first(std::u16string_view upperPrefix) const;
    // Every index whose upper-case term equals `upperTerm`, in table order.
    std::vector<std::uint32_t> equalTo(std::u16string_view upperTerm) const;

    // The terms in sorted order: how many, where `upperText` would stand among them, and the
    // index of the term at a place of that order.
    std::size_t size() const { return sorted_.size(); }
    std::size_t sortPosition(std::u16string_view upperText) const;
    std::uint32_t atSortPosition(std::size_t position) const { return sorted_[position]; }

private:
    std::uint32_t smallestIn(std::size_t from, std::size_t to) const;

    std::shared_ptr<const TermList> upper_;
    std::vector<std::uint32_t> sorted_;   // indices by upper-case term, then index
    std::vector<std::uint32_t> smallest_; // tree of the smallest index of each range of sorted_
};
