#pragma once

#include "Glossary.h"

#include <cstdint>
#include <vector>

// Which entries of the glossary the term list shows, and how its items map to them: every
// entry in the glossary's order, or only some (a pattern's or a search's finds).
class ListedTerms {
public:
    explicit ListedTerms(const Glossary& glossary) : glossary_(glossary) {}

    bool filtered() const { return filtered_; }
    // The entries listed while filtered, item by item.
    const std::vector<std::uint32_t>& only() const { return listed_; }
    void only(std::vector<std::uint32_t> entries);
    void every();

    std::size_t count() const { return filtered_ ? listed_.size() : glossary_.size(); }
    std::size_t entryOf(std::size_t item) const { return filtered_ ? listed_[item] : item; }
    int itemOf(std::size_t entry) const; // -1 when it is not listed
    // As a list of strings does: the next item after the caret whose term begins with
    // `letter`; -2 when none (the key is handled, nothing moves).
    int itemWithInitial(wchar_t letter, int caret) const;
    // The entries of the table's `rows` (a search's finds), leaving out rows without a term and
    // those of dictionaries turned off.
    std::vector<std::uint32_t> entriesOfRows(const std::vector<std::uint32_t>& rows) const;

private:
    const Glossary& glossary_;
    bool filtered_ = false;
    std::vector<std::uint32_t> listed_;
};
