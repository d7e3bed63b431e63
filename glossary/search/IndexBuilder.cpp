#include "IndexBuilder.h"

#include "Words.h"
#include "jet/TextCodec.h"

#include <algorithm>
#include <numeric>

namespace search {

namespace {

std::uint64_t hashOf(std::string_view word) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const char c : word)
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ull;
    return hash;
}

} // namespace

std::uint32_t IndexBuilder::idOf(std::string_view word) {
    const std::uint64_t hash = hashOf(word), high = hash & 0xFFFFFFFF00000000ull;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0)
            break;
        const auto id = static_cast<std::uint32_t>(slot) - 1;
        if ((slot & 0xFFFFFFFF00000000ull) == high && wordOf(postings_[id]) == word)
            return id;
    }
    const auto id = static_cast<std::uint32_t>(postings_.size());
    Postings& added = postings_.emplace_back();
    added.hash = hash;
    added.wordAt = static_cast<std::uint32_t>(words_.size());
    added.wordLength = static_cast<std::uint32_t>(word.size());
    words_.append(word);
    if (postings_.size() * 2 > slots_.size()) {
        // Half full at most: twice the slots, every word placed again.
        slots_.assign(slots_.size() * 2, 0);
        mask = slots_.size() - 1;
        for (std::uint32_t i = 0; i < postings_.size(); ++i)
            place(postings_[i].hash, i);
        return id;
    }
    place(hash, id);
    return id;
}

void IndexBuilder::place(std::uint64_t hash, std::uint32_t id) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at] != 0)
        at = (at + 1) & mask;
    slots_[at] = (hash & 0xFFFFFFFF00000000ull) | (id + 1u);
}

void IndexBuilder::addEntry(std::uint32_t row, std::uint32_t source, std::uint32_t start,
                            std::u16string_view term, std::u16string_view html) {
    const auto entry = static_cast<std::uint32_t>(entryCount_);
    if (entryCount_ % kEntriesPerBlock == 0) {
        entryBlocks_.push_back({entry, {}});
        lastRow_ = 0;
    }
    appendEntry(entryBlocks_.back().bytes, row - lastRow_, {row, source, start});
    lastRow_ = row;
    ++entryCount_;

    seen_.clear();
    const auto note = [this](const std::string& word, Place place) {
        seen_.emplace_back(idOf(word), place);
    };
    forEachWord(term, false,
                [&note](const std::string& word, std::size_t) { note(word, Place::Term); });
    std::size_t words = 0;
    forEachWord(html, true, [&note, &words](const std::string& word, std::size_t) {
        note(word, words++ < kFirstLinesWords ? Place::FirstLines : Place::Elsewhere);
    });
    // Each word once, at its best place.
    std::sort(seen_.begin(), seen_.end());
    for (std::size_t i = 0; i < seen_.size(); ++i) {
        if (i > 0 && seen_[i].first == seen_[i - 1].first)
            continue;
        Postings& list = postings_[seen_[i].first];
        appendPosting(list.bytes, entry - list.last, seen_[i].second);
        list.last = entry;
        ++list.count;
    }
}

std::vector<IndexBuilder::WordBlock> IndexBuilder::takeWordBlocks() {
    std::vector<std::uint32_t> order(postings_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
        return wordOf(postings_[a]) < wordOf(postings_[b]);
    });
    std::vector<WordBlock> blocks;
    std::string_view previous;
    for (const std::uint32_t id : order) {
        Postings& list = postings_[id];
        const std::string_view word = wordOf(list);
        if (blocks.empty() || blocks.back().bytes.size() >= kWordBlockBytes) {
            blocks.push_back({jet::fromUtf8(std::string(word)), {}});
            previous = {};
        }
        appendWord(blocks.back().bytes, previous, word, list.count, list.bytes);
        std::string().swap(list.bytes);
        previous = word;
    }
    postings_.clear();
    words_.clear();
    slots_.assign(1 << 16, 0);
    return blocks;
}

std::vector<IndexBuilder::EntryBlock> IndexBuilder::takeEntryBlocks() {
    return std::move(entryBlocks_);
}

} // namespace search
