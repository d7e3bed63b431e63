#include "WriterPages.h"

#include "jet/Rc4.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace jet::writer {

namespace {

constexpr std::size_t kMaxRowsPerPage = 255;

std::size_t inlineWindow(const Layout& layout) {
    return layout.inlineMapBytes * 8;
}

} // namespace

void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    put16(at, static_cast<std::uint16_t>(value));
    put16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

void put64(std::uint8_t* at, std::uint64_t value) {
    put32(at, static_cast<std::uint32_t>(value));
    put32(at + 4, static_cast<std::uint32_t>(value >> 32));
}

void append16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void append32(std::string& out, std::uint32_t value) {
    append16(out, static_cast<std::uint16_t>(value));
    append16(out, static_cast<std::uint16_t>(value >> 16));
}

void append64(std::string& out, std::uint64_t value) {
    append32(out, static_cast<std::uint32_t>(value));
    append32(out, static_cast<std::uint32_t>(value >> 32));
}

std::uint32_t PageStore::allocate() {
    pages_.emplace_back(layout_.pageSize, 0);
    return count() - 1;
}

std::uint8_t* PageStore::page(std::uint32_t number) {
    std::vector<std::uint8_t>& bytes = pages_.at(number);
    if (bytes.empty())
        throw std::logic_error("page " + std::to_string(number) + " was written out already");
    return bytes.data();
}

void PageStore::put(std::ostream& out, std::uint32_t number) {
    const std::uint64_t offset = std::uint64_t{number} * layout_.pageSize;
    if (&out != spill_ || offset != spillAt_)
        out.seekp(static_cast<std::streamoff>(offset));
    out.write(reinterpret_cast<const char*>(pages_[number].data()),
              static_cast<std::streamsize>(layout_.pageSize));
    if (&out == spill_)
        spillAt_ = offset + layout_.pageSize;
}

void PageStore::seal(std::uint32_t number) {
    if (spill_ != nullptr)
        sealed_.push_back(number);
}

void PageStore::writeSealed() {
    for (const std::uint32_t number : sealed_) {
        if (pages_[number].empty())
            continue;
        put(*spill_, number);
        std::vector<std::uint8_t>().swap(pages_[number]);
    }
    sealed_.clear();
}

bool PageStore::writeTo(std::ostream& out) {
    for (std::uint32_t number = 0; number < count() && out; ++number) {
        if (!pages_[number].empty())
            put(out, number);
    }
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> PageStore::join() const {
    if (spill_ != nullptr)
        throw std::logic_error("the pages were written out as they were sealed");
    std::vector<std::uint8_t> bytes;
    bytes.reserve(pages_.size() * layout_.pageSize);
    for (const auto& page : pages_)
        bytes.insert(bytes.end(), page.begin(), page.end());
    return bytes;
}

RowPages::RowPages(PageStore& store, std::uint32_t owner, std::uint32_t firstPage,
                   std::size_t openPages, std::size_t pageRun)
    : store_(store), owner_(owner), openPages_(openPages), pageRun_(pageRun) {
    if (firstPage != 0)
        startPage(firstPage);
}

void RowPages::startPage(std::uint32_t number) {
    std::uint8_t* page = store_.page(number);
    page[0] = kPageData;
    page[1] = 0x01;
    put32(page + 4, owner_);
    pages_.push_back(number);
    if (open_.size() == openPages_) {
        store_.seal(open_.front().number);
        open_.erase(open_.begin());
    }
    open_.push_back(Open{number, 0, 0});
}

bool RowPages::fits(const Open& page, std::size_t length) const {
    const Layout& layout = store_.layout();
    return page.rows < kMaxRowsPerPage &&
           layout.rowOffsetsStart + 2 * (page.rows + 1) + page.used + length <= layout.pageSize;
}

RowPages::Slot RowPages::add(std::size_t length, std::uint16_t flags) {
    const Layout& layout = store_.layout();
    if (layout.rowOffsetsStart + 2 + length > layout.pageSize)
        throw std::invalid_argument("row of " + std::to_string(length) +
                                    " bytes is larger than a page");
    auto target = std::find_if(open_.begin(), open_.end(),
                               [&](const Open& page) { return fits(page, length); });
    if (target == open_.end()) {
        if (nextReserved_ == reservedEnd_) {
            nextReserved_ = store_.allocate();
            reservedEnd_ = nextReserved_ + 1;
            for (std::size_t i = 1; i < pageRun_; ++i)
                reservedEnd_ = store_.allocate() + 1; // the store numbers pages in order
        }
        startPage(nextReserved_++);
        target = open_.end() - 1;
    }
    Open& open = *target;
    std::uint8_t* page = store_.page(open.number);
    open.used += length;
    const std::size_t offset = layout.pageSize - open.used;
    put16(page + layout.rowOffsetsStart + 2 * open.rows,
          static_cast<std::uint16_t>(offset | flags));
    const auto row = static_cast<std::uint8_t>(open.rows++);
    put16(page + layout.rowCountOffset, static_cast<std::uint16_t>(open.rows));
    put16(page + 2, static_cast<std::uint16_t>(layout.pageSize - layout.rowOffsetsStart -
                                               2 * open.rows - open.used));
    return Slot{open.number, row, page + offset};
}

void RowPages::addDeleted() {
    add(0, kRowDeleted | kRowOverflow);
}

std::size_t usageMapRowLength(const Layout& layout) {
    return 1 + 4 + layout.inlineMapBytes;
}

std::string usageMap(PageStore& store, const std::vector<std::uint32_t>& pages, bool allowInline) {
    const Layout& layout = store.layout();
    std::string row(usageMapRowLength(layout), '\0');
    const std::uint32_t low =
        pages.empty() ? 0 : *std::min_element(pages.begin(), pages.end()) / 8 * 8;
    const std::uint32_t high = pages.empty() ? 0 : *std::max_element(pages.begin(), pages.end());
    if (allowInline && high - low < inlineWindow(layout)) {
        row[0] = 0;
        put32(reinterpret_cast<std::uint8_t*>(&row[1]), low);
        for (std::uint32_t page : pages)
            row[5 + (page - low) / 8] =
                static_cast<char>(row[5 + (page - low) / 8] | 1 << (page - low) % 8);
        return row;
    }
    const std::size_t perBitmap = (layout.pageSize - 4) * 8;
    std::vector<std::uint32_t> bitmaps(layout.referenceMapSlots, 0);
    for (std::uint32_t page : pages) {
        const std::size_t slot = page / perBitmap;
        if (slot >= bitmaps.size())
            throw std::invalid_argument("file too large for a usage map");
        if (bitmaps[slot] == 0) {
            bitmaps[slot] = store.allocate();
            std::uint8_t* bitmap = store.page(bitmaps[slot]);
            bitmap[0] = kPageUsageBitmap;
            bitmap[1] = 0x01;
        }
        const std::size_t bit = page % perBitmap;
        store.page(bitmaps[slot])[4 + bit / 8] |= static_cast<std::uint8_t>(1 << bit % 8);
    }
    row.assign(1 + 4 * layout.referenceMapSlots, '\0');
    row[0] = 1;
    for (std::size_t slot = 0; slot < bitmaps.size(); ++slot)
        put32(reinterpret_cast<std::uint8_t*>(&row[1 + 4 * slot]), bitmaps[slot]);
    return row;
}

void writeGlobalMap(PageStore& store) {
    const Layout& layout = store.layout();
    // Access marks the pages past the end of the file as free; only it and its kin look.
    RowPages map(store, 1, 1);
    const std::size_t rowLength = usageMapRowLength(layout);
    const RowPages::Slot freePages = map.add(rowLength);
    map.add(rowLength);
    const std::size_t window = layout.inlineMapBytes * 8;
    for (std::size_t page = store.count(); page < window; ++page)
        freePages.bytes[5 + page / 8] |= static_cast<std::uint8_t>(1 << page % 8);
}

void writeHeaderPage(PageStore& store, const HeaderValues& values) {
    const Layout& layout = store.layout();
    const bool jet4 = layout.version == Version::Jet4;
    std::uint8_t* page = store.page(0);
    page[1] = 0x01;
    std::memcpy(page + kEngineNameOffset, "Standard Jet DB", 16);
    page[kVersionOffset] = jet4 ? 1 : 0;
    std::uint8_t* block = page + kHeaderBlockOffset;
    static const std::uint8_t kObserved[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0,
                                               3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};
    std::memcpy(block, kObserved, sizeof kObserved);
    put16(page + kCodePageOffset, values.codePage);
    put32(page + kDatabaseKeyOffset, values.databaseKey);
    if (jet4) {
        put32(page + 0x6E, kSortGeneral);
        put64(page + 0x72, doubleBits(values.creationDate));
        // An empty password is stored as the mask itself.
        const auto mask =
            static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(values.creationDate)));
        for (int i = 0; i < 10; ++i)
            put32(page + 0x42 + 4 * i, mask);
    } else {
        put16(page + 0x38, 1);
        put16(page + 0x3A, kSortGeneral);
    }
    rc4(kHeaderKey, sizeof kHeaderKey, block, layout.headerBlockLength);
    if (jet4) {
        static const std::uint8_t kVersionTag[8] = {0x54, 0x06, 0, 0, 0x34, 0x2E, 0x30, 0};
        std::memcpy(page + 0x98, kVersionTag, sizeof kVersionTag);
        for (std::size_t at = 0xE00; at < 0x1000; at += 2)
            put16(page + at, 0x0100);
    }
}

void encryptPages(PageStore& store, std::uint32_t databaseKey) {
    for (std::uint32_t page = 1; page < store.count(); ++page) {
        const std::uint32_t key = databaseKey ^ page;
        const std::uint8_t keyBytes[4] = {
            static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
            static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 24)};
        rc4(keyBytes, sizeof keyBytes, store.page(page), store.layout().pageSize);
    }
}

} // namespace jet::writer
