#include "IndexBuilder.h"

#include "Prefetch.h"
#include "WordFormsBuilder.h"
#include "Words.h"
#include "jet/TextCodec.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace search {

namespace {

constexpr std::size_t kFirstSlots = 1 << 16;

std::uint64_t hashOf(std::string_view word) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const char c : word)
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ull;
    return hash;
}

} // namespace

IndexBuilder::IndexBuilder(bool words) : slots_(words ? kFirstSlots : 0), withWords_(words) {
    allocate(8); // offset 0 means no chunk
}

std::uint32_t IndexBuilder::allocate(std::size_t size) {
    // A chunk never crosses a page; a page ended exactly needs the next one as well.
    if ((arenaUsed_ >> kPageBits) >= pages_.size() ||
        (arenaUsed_ & kPageMask) + size > kPageMask + 1) {
        pages_.push_back(std::make_unique<char[]>(std::size_t{1} << kPageBits));
        arenaUsed_ = static_cast<std::uint32_t>((pages_.size() - 1) << kPageBits);
    }
    const std::uint32_t offset = arenaUsed_;
    arenaUsed_ += static_cast<std::uint32_t>(size);
    return offset;
}

// A chunk: the offset of the next (4 bytes, 0 at the end of the chain), then postings.
void IndexBuilder::append(Word& word, std::uint64_t value) {
    char bytes[10];
    std::size_t length = 0;
    while (value >= 0x80) {
        bytes[length++] = static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    bytes[length++] = static_cast<char>(value);
    for (std::size_t i = 0; i < length; ++i) {
        if (word.head == 0 || word.tailUsed == (kChunk << word.level) - 4) {
            const std::uint8_t level =
                word.head == 0
                    ? 0
                    : static_cast<std::uint8_t>(std::min<std::size_t>(word.level + 1, kMaxLevel));
            const std::uint32_t chunk = allocate(kChunk << level);
            std::memset(at(chunk), 0, 4);
            if (word.head == 0)
                word.head = chunk;
            else
                std::memcpy(at(word.tail), &chunk, 4);
            word.tail = chunk;
            word.level = level;
            word.tailUsed = 0;
        }
        at(word.tail)[4 + word.tailUsed++] = bytes[i];
    }
}

std::string IndexBuilder::postingsOf(const Word& word) {
    std::string bytes;
    for (std::uint32_t chunk = word.head, level = 0; chunk != 0;
         level = std::min<std::uint32_t>(level + 1, kMaxLevel)) {
        const char* data = at(chunk);
        const std::size_t used = chunk == word.tail ? word.tailUsed : (kChunk << level) - 4;
        bytes.append(data + 4, used);
        std::uint32_t next = 0;
        std::memcpy(&next, data, 4);
        chunk = chunk == word.tail ? 0 : next;
    }
    return bytes;
}

std::uint32_t IndexBuilder::idOf(std::string_view word, std::uint64_t hash) {
    const std::uint64_t high = hash & 0xFFFFFFFF00000000ull;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t value = slots_[slot];
        if (value == 0)
            break;
        const auto id = static_cast<std::uint32_t>(value) - 1;
        if ((value & 0xFFFFFFFF00000000ull) == high && wordOf(postings_[id]) == word)
            return id;
    }
    const auto id = static_cast<std::uint32_t>(postings_.size());
    Word& added = postings_.emplace_back();
    added.wordAt = static_cast<std::uint32_t>(words_.size());
    added.length = static_cast<std::uint8_t>(std::min<std::size_t>(word.size(), 255));
    words_.append(word.substr(0, added.length));
    if (postings_.size() * 4 > slots_.size() * 3) {
        // Three quarters full at most: twice the slots, every word placed again.
        slots_.assign(slots_.size() * 2, 0);
        for (std::uint32_t i = 0; i < postings_.size(); ++i)
            place(hashOf(wordOf(postings_[i])), i);
    } else {
        place(hash, id);
    }
    return id;
}

void IndexBuilder::place(std::uint64_t hash, std::uint32_t id) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    while (slots_[slot] != 0)
        slot = (slot + 1) & mask;
    slots_[slot] = (hash & 0xFFFFFFFF00000000ull) | (id + 1u);
}

std::uint8_t IndexBuilder::writtenAs(std::string_view folded, std::u16string_view written) {
    if (written.size() != folded.size() || written.empty())
        return kOtherwise;
    for (std::size_t i = 1; i < written.size(); ++i) {
        if (written[i] >= 0x80 || written[i] != static_cast<unsigned char>(folded[i]))
            return kOtherwise;
    }
    const char16_t first = written[0];
    if (first < 0x80 && first == static_cast<unsigned char>(folded[0]))
        return kAsFolded;
    return first >= u'A' && first <= u'Z' && first + 32 == static_cast<unsigned char>(folded[0])
               ? kCapitalised
               : kOtherwise;
}

void IndexBuilder::handOn(Word& word, std::string_view folded, std::uint8_t written,
                          std::u16string_view otherwise, WordFormsBuilder& forms) {
    if (written == kOtherwise) {
        forms.addWrittenWord(otherwise);
        return;
    }
    if ((word.handedOn & written) != 0)
        return;
    word.handedOn |= written;
    std::u16string spelt(folded.begin(), folded.end());
    if (written == kCapitalised)
        spelt[0] = static_cast<char16_t>(spelt[0] - 32);
    forms.addWrittenWord(spelt);
}

void IndexBuilder::addEntry(std::uint32_t row, std::uint32_t source, std::uint32_t start,
                            std::u16string_view term, std::u16string_view html,
                            WordFormsBuilder* forms) {
    const auto entry = static_cast<std::uint32_t>(entryCount_);
    if (entryCount_ % kEntriesPerBlock == 0) {
        entryBlocks_.push_back({entry, {}});
        lastRow_ = 0;
    }
    appendEntry(entryBlocks_.back().bytes, row - lastRow_, {row, source, start});
    lastRow_ = row;
    ++entryCount_;
    if (!withWords_)
        return;

    // The term's words come first and the text's in order, so a word's first place in the
    // entry is its best: later ones are passed over.
    pending_.clear();
    pendingText_.clear();
    pendingWritten_.clear();
    const auto gather = [this, forms](const std::string& word, std::u16string_view written,
                                      Place place) {
        Pending& added = pending_.emplace_back();
        added.hash = hashOf(word);
        added.at = static_cast<std::uint32_t>(pendingText_.size());
        added.length = static_cast<std::uint32_t>(word.size());
        added.place = place;
        pendingText_ += word;
        if (forms == nullptr)
            return;
        added.written = writtenAs(word, written);
        if (added.written == kOtherwise) {
            added.writtenAt = static_cast<std::uint32_t>(pendingWritten_.size());
            added.writtenLength = static_cast<std::uint32_t>(written.size());
            pendingWritten_ += written;
        }
    };
    forEachWordAsWritten(
        term, false, [&gather](const std::string& word, std::size_t, std::u16string_view written) {
            gather(word, written, Place::Term);
        });
    std::size_t words = 0;
    forEachWordAsWritten(
        html, true,
        [&gather, &words](const std::string& word, std::size_t, std::u16string_view written) {
            gather(word, written,
                   words++ < kFirstLinesWords ? Place::FirstLines : Place::Elsewhere);
        });
    // Nearly every lookup misses the cache twice (its slot, then its word): asked for all the
    // entry's words ahead, the memory fetches them side by side instead of one after another.
    const std::size_t mask = slots_.size() - 1;
    for (const Pending& word : pending_)
        prefetch(&slots_[word.hash & mask]);
    for (const Pending& word : pending_) {
        const std::uint64_t value = slots_[word.hash & mask];
        if (value != 0 && (value & 0xFFFFFFFF00000000ull) == (word.hash & 0xFFFFFFFF00000000ull))
            prefetch(&postings_[static_cast<std::uint32_t>(value) - 1]);
    }
    for (const Pending& pending : pending_) {
        const std::string_view folded =
            std::string_view(pendingText_).substr(pending.at, pending.length);
        Word& word = postings_[idOf(folded, pending.hash)];
        if (forms != nullptr)
            handOn(word, folded, pending.written,
                   std::u16string_view(pendingWritten_)
                       .substr(pending.writtenAt, pending.writtenLength),
                   *forms);
        if (word.count != 0 && word.last == entry)
            continue;
        append(word, postingValue(entry - word.last, pending.place));
        word.last = entry;
        ++word.count;
    }
    if (forms != nullptr)
        forms->endText();
}

void IndexBuilder::takeWordBlocks(const std::function<void(WordBlock&)>& each) {
    // The blocks go into the database while the postings are still here: the lookup goes
    // first, so that it does not add to the import's peak.
    std::vector<std::uint64_t>().swap(slots_);
    std::vector<std::uint32_t> order(postings_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
        return wordOf(postings_[a]) < wordOf(postings_[b]);
    });
    WordBlock block;
    std::string_view previous;
    for (const std::uint32_t id : order) {
        const Word& list = postings_[id];
        const std::string_view word = wordOf(list);
        if (block.bytes.size() >= kWordBlockBytes) {
            each(block);
            block = WordBlock();
        }
        if (block.bytes.empty()) {
            block.first = jet::fromUtf8(std::string(word));
            previous = {};
        }
        appendWord(block.bytes, previous, word, list.count, postingsOf(list));
        previous = word;
    }
    if (!block.bytes.empty())
        each(block);
    postings_.clear();
    words_.clear();
    pages_.clear();
    slots_.assign(withWords_ ? kFirstSlots : 0, 0);
    allocate(8);
}

std::vector<IndexBuilder::WordBlock> IndexBuilder::takeWordBlocks() {
    std::vector<WordBlock> blocks;
    takeWordBlocks([&blocks](WordBlock& block) { blocks.push_back(std::move(block)); });
    return blocks;
}

std::vector<IndexBuilder::EntryBlock> IndexBuilder::takeEntryBlocks() {
    return std::move(entryBlocks_);
}

} // namespace search
