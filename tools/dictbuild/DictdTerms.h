#pragma once

#include "DictdEntries.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dictd {

// The entries in the order of the rows, and the lookup of terms among them, ignoring case.
class Terms {
public:
    explicit Terms(const Entries& entries);
    const std::vector<std::uint32_t>& order() const { return order_; }

    // Whether `term` names an entry (of dictionary `source` only, when given), ignoring case.
    bool has(const std::u16string& term, std::optional<std::uint32_t> source = {}) const;

    // A row's lookups come one at a time, each missing the cache twice (its slot, then its
    // letters): the ASCII terms in braces of the row's texts (bytes of a dictionary) are looked
    // for ahead, their slots first (expect, once a text), then their letters (prefetch).
    void expect(std::string_view text) const;
    void prefetch() const;

private:
    bool hasInRun(std::size_t start, std::u16string_view key, std::u16string_view term,
                  std::optional<std::uint32_t> source) const;

    // One slot a key (the entries equal but for case and accents), where its run starts in
    // order_ and its letters are: a hit reads the slot and the letters, not the entries.
    struct Slot {
        std::uint32_t keyAt; // in Entries' block of characters
        std::uint32_t run;   // its first entry in order_, + 1; 0: the slot is free
        std::uint16_t keyLength;
        // 15 bits of the hash, then whether every term of the run folds by case alone to the
        // key (no accents tell them apart).
        std::uint16_t tag;
    };

    const Entries& entries_;
    std::vector<std::uint32_t> order_;
    std::vector<Slot> slots_;
    mutable std::u16string key_; // the key being looked up, kept to spare an allocation a call
    mutable std::vector<std::uint64_t> expected_; // hashes of the keys expected next
};

} // namespace dictd
