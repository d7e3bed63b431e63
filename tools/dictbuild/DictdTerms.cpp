#include "DictdTerms.h"

#include "search/Prefetch.h"
#include "text/Folding.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <string_view>

namespace dictd {

namespace {

bool ascii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

char16_t lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

// Most terms are ASCII, where folding case is lowering A to Z: compared so, no folded copies.
bool sameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (!ascii(a) || !ascii(b))
        return text::foldCase(a) == text::foldCase(b);
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

std::uint64_t hashOf(std::u16string_view key) {
    return std::hash<std::u16string_view>()(key);
}

std::uint16_t tagOf(std::uint64_t hash, bool plain) {
    return static_cast<std::uint16_t>((hash >> 48 & ~1u) | (plain ? 1u : 0u));
}

} // namespace

Terms::Terms(const Entries& entries) : entries_(entries) {
    order_.resize(entries.size());
    std::iota(order_.begin(), order_.end(), 0u);
    std::sort(order_.begin(), order_.end(), [&entries](std::uint32_t a, std::uint32_t b) {
        const Entry &first = entries[a], &second = entries[b];
        const int order = text::collate(entries.term(first), entries.key(first),
                                        entries.term(second), entries.key(second));
        return order < 0 || (order == 0 && a < b);
    });
    // Terms equal but for case and accents stand together in the order: one slot a run.
    std::vector<std::size_t> runs;
    for (std::size_t at = 0; at < order_.size(); ++at) {
        if (at == 0 || entries.key(entries[order_[at]]) != entries.key(entries[order_[at - 1]]))
            runs.push_back(at);
    }
    // Two thirds full at most: a probe seldom goes past the cache line of its first slot.
    std::size_t size = 1024;
    while (size < runs.size() * 3 / 2)
        size *= 2;
    slots_.assign(size, Slot{});
    const std::u16string_view characters = entries.characters();
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1] : order_.size();
        const std::u16string_view key = entries.key(entries[order_[runs[r]]]);
        bool plain = true;
        for (std::size_t at = runs[r]; at < end && plain; ++at) {
            const std::u16string_view term = entries.term(entries[order_[at]]);
            plain = ascii(term) || text::foldCase(term) == key;
        }
        const std::uint64_t hash = hashOf(key);
        std::size_t slot = hash & (size - 1);
        while (slots_[slot].run != 0)
            slot = (slot + 1) & (size - 1);
        slots_[slot] = {static_cast<std::uint32_t>(key.data() - characters.data()),
                        static_cast<std::uint32_t>(runs[r] + 1),
                        static_cast<std::uint16_t>(key.size()), tagOf(hash, plain)};
    }
}

bool Terms::has(const std::u16string& term, std::optional<std::uint32_t> source) const {
    // Every pair of braces on every page is looked up: by hash, as a binary search of two
    // million keys took a fifth of the import; and an ASCII term's key is its letters lowered.
    const bool plainTerm = ascii(term);
    if (plainTerm) {
        key_.resize(term.size());
        std::transform(term.begin(), term.end(), key_.begin(), lower);
    } else {
        key_ = text::foldAccents(term);
    }
    const std::uint64_t hash = hashOf(key_);
    const std::size_t mask = slots_.size() - 1;
    const std::u16string_view characters = entries_.characters();
    for (std::size_t at = hash & mask; slots_[at].run != 0; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if ((slot.tag & ~1u) != tagOf(hash, false) || slot.keyLength != key_.size() ||
            characters.substr(slot.keyAt, slot.keyLength) != key_)
            continue;
        // Equal keys: equal ignoring case, unless accents tell them apart.
        if (!source && (slot.tag & 1u) != 0)
            return plainTerm || text::foldCase(term) == key_;
        return hasInRun(slot.run - 1, key_, term, source);
    }
    return false;
}

void Terms::expect(std::string_view text) const {
    constexpr std::size_t kLongest = 200; // as the page's references
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t open = text.find('{'); open != std::string_view::npos;) {
        // The key as the page will ask for it: blanks collapsed, letters lowered; a hyphen at a
        // line's end joins. Only a guess: a wrong one costs a load, never an answer.
        key_.clear();
        bool blank = false, plain = true;
        std::size_t at = open + 1;
        for (; at < text.size() && at - open - 1 <= kLongest; ++at) {
            const char c = text[at];
            if (c == '{' || c == '}')
                break;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                blank |= !key_.empty() && !(c == '\n' && key_.back() == u'-');
                continue;
            }
            plain &= (static_cast<unsigned char>(c) & 0x80) == 0;
            if (blank)
                key_ += u' ';
            blank = false;
            key_ += lower(static_cast<char16_t>(c));
        }
        if (at < text.size() && text[at] == '}' && plain && !key_.empty()) {
            const std::uint64_t hash = hashOf(key_);
            search::prefetch(&slots_[hash & mask]);
            expected_.push_back(hash);
        }
        open = text.find('{', at);
    }
}

void Terms::prefetch() const {
    const std::size_t mask = slots_.size() - 1;
    const char16_t* characters = entries_.characters().data();
    for (const std::uint64_t hash : expected_) {
        const Slot& slot = slots_[hash & mask];
        if (slot.run != 0 && (slot.tag & ~1u) == tagOf(hash, false))
            search::prefetch(characters + slot.keyAt);
    }
    expected_.clear();
}

bool Terms::hasInRun(std::size_t start, std::u16string_view key, std::u16string_view term,
                     std::optional<std::uint32_t> source) const {
    for (std::size_t at = start; at < order_.size(); ++at) {
        const Entry& entry = entries_[order_[at]];
        if (entries_.key(entry) != key)
            break;
        if ((!source || entry.source == *source) && sameIgnoringCase(entries_.term(entry), term))
            return true;
    }
    return false;
}

} // namespace dictd
