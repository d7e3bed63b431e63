#include "PageFile.h"

#include "Rc4.h"

#include <algorithm>
#include <cstring>

namespace jet {

namespace {

// A read brings this much of the file: a multiple of both page sizes.
constexpr std::size_t kChunkSize = 1024 * 1024;
// What release() lets the cache grow to before it lets go: 16 MB.
constexpr std::size_t kCachedChunks = 16;
constexpr std::size_t kCachedDecryptedPages = 4096;

} // namespace

PageFile::PageFile(std::vector<std::uint8_t> bytes)
    : bytes_(std::move(bytes)), size_(bytes_.size()) {
    readHeader();
}

PageFile::PageFile(std::unique_ptr<FileReader> file)
    : reader_(std::move(file)), size_(reader_->size()) {
    readHeader();
}

const std::uint8_t* PageFile::stored(std::uint32_t number) const {
    const std::uint64_t offset = static_cast<std::uint64_t>(number) * layout_->pageSize;
    if (!reader_)
        return bytes_.data() + offset;
    const std::uint64_t chunk = offset / kChunkSize;
    auto& held = chunks_[chunk];
    if (!held) {
        // Buffers let go of are used again: a scan of a large file allocates a few of them.
        std::unique_ptr<std::uint8_t[]> buffer;
        if (spare_.empty()) {
            buffer.reset(new std::uint8_t[kChunkSize]);
        } else {
            buffer = std::move(spare_.back());
            spare_.pop_back();
        }
        const std::uint64_t start = chunk * kChunkSize;
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, size_ - start));
        try {
            reader_->read(start, buffer.get(), length);
        } catch (...) {
            chunks_.erase(chunk);
            throw;
        }
        // Zeros past the end of the file, so a view never reaches beyond what was read.
        std::fill(buffer.get() + length, buffer.get() + kChunkSize, std::uint8_t{0});
        held = std::move(buffer);
    }
    return held.get() + offset % kChunkSize;
}

void PageFile::release() const {
    if (chunks_.size() > kCachedChunks) {
        for (auto& chunk : chunks_)
            spare_.push_back(std::move(chunk.second));
        chunks_.clear();
    }
    if (decrypted_.size() > kCachedDecryptedPages)
        decrypted_.clear();
}

void PageFile::readHeader() {
    // The first bytes decide what the file is; a short file is no database.
    std::uint8_t first[0x20] = {};
    if (size_ >= sizeof first) {
        if (reader_)
            reader_->read(0, first, sizeof first);
        else
            std::memcpy(first, bytes_.data(), sizeof first);
    }
    if (size_ < kJet3.pageSize || first[0] != kPageHeader ||
        std::memcmp(first + kEngineNameOffset, "Standard Jet DB", 15) != 0) {
        if (size_ >= sizeof first &&
            std::memcmp(first + kEngineNameOffset, "Standard ACE DB", 15) == 0)
            throw JetError("an Access 2007 or later database (ACE format) is not supported");
        throw JetError("not a Jet database");
    }
    switch (first[kVersionOffset]) {
    case 0:
        layout_ = &kJet3;
        break;
    case 1:
        layout_ = &kJet4;
        break;
    default:
        throw JetError("unsupported database version " + std::to_string(first[kVersionOffset]));
    }
    const std::uint64_t pages = size_ / layout_->pageSize;
    if (pages < 3)
        throw JetError("file too short for a Jet database: " + std::to_string(size_) + " bytes");
    if (pages > 0xFFFFFF)
        throw JetError("file too long for a Jet database: " + std::to_string(size_) + " bytes");
    pageCount_ = static_cast<std::uint32_t>(pages);

    std::uint8_t block[128];
    std::memcpy(block, stored(0) + kHeaderBlockOffset, layout_->headerBlockLength);
    rc4(kHeaderKey, sizeof kHeaderKey, block, layout_->headerBlockLength);
    const Bytes header(block, layout_->headerBlockLength);
    codePage_ = header.u16(kCodePageOffset - kHeaderBlockOffset);
    databaseKey_ = header.u32(kDatabaseKeyOffset - kHeaderBlockOffset);
}

Bytes PageFile::page(std::uint32_t number) const {
    if (number >= pageCount_)
        throw MissingPageError("page " + std::to_string(number) +
                               " lies beyond the end of the file (" + std::to_string(pageCount_) +
                               " pages)");
    const std::size_t size = layout_->pageSize;
    const std::uint8_t* start = stored(number);
    if (databaseKey_ == 0 || number == 0)
        return Bytes(start, size);
    auto& cached = decrypted_[number];
    if (!cached) {
        cached.reset(new std::uint8_t[size]);
        std::memcpy(cached.get(), start, size);
        const std::uint32_t pageKey = databaseKey_ ^ number;
        const std::uint8_t key[4] = {
            static_cast<std::uint8_t>(pageKey), static_cast<std::uint8_t>(pageKey >> 8),
            static_cast<std::uint8_t>(pageKey >> 16), static_cast<std::uint8_t>(pageKey >> 24)};
        rc4(key, sizeof key, cached.get(), size);
    }
    return Bytes(cached.get(), size);
}

std::uint16_t PageFile::rowCount(Bytes page) const {
    return page.u16(layout_->rowCountOffset);
}

std::uint16_t PageFile::rowFlags(Bytes page, unsigned index) const {
    return page.u16(layout_->rowOffsetsStart + 2 * index) & ~kRowOffsetMask;
}

PageFile::Row PageFile::row(Bytes page, std::uint32_t pageNumber, unsigned index) const {
    const std::uint16_t count = rowCount(page);
    if (index >= count)
        throw JetError("row " + std::to_string(index) + " of page " + std::to_string(pageNumber) +
                       " does not exist (" + std::to_string(count) + " rows)");
    const std::size_t table = layout_->rowOffsetsStart;
    const std::uint16_t entry = page.u16(table + 2 * index);
    const std::size_t start = entry & kRowOffsetMask;
    // A row ends where the row before it begins, deleted or not.
    const std::size_t end =
        index == 0 ? page.size() : (page.u16(table + 2 * (index - 1)) & kRowOffsetMask);
    if (start < table + 2u * count || start > end || end > page.size())
        throw JetError("row " + std::to_string(index) + " of page " + std::to_string(pageNumber) +
                       " has impossible bounds " + std::to_string(start) + ".." +
                       std::to_string(end));
    return Row{page.slice(start, end - start), static_cast<std::uint16_t>(entry & ~kRowOffsetMask)};
}

PageFile::Row PageFile::row(RowPointer pointer) const {
    const Bytes target = page(pointer.page);
    if (target.u8(0) != kPageData)
        throw JetError("row pointer to page " + std::to_string(pointer.page) +
                       ", which holds no rows");
    return row(target, pointer.page, pointer.row);
}

} // namespace jet
