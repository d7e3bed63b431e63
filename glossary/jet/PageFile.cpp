#include "PageFile.h"

#include "Rc4.h"

#include <cstring>

namespace jet {

PageFile::PageFile(std::vector<std::uint8_t> bytes)
    : bytes_(std::move(bytes)), file_(bytes_.data(), bytes_.size()) {
    readHeader();
}

PageFile::PageFile(std::unique_ptr<MappedFile> mapped)
    : mapped_(std::move(mapped)), file_(mapped_->data(), mapped_->size()) {
    readHeader();
}

void PageFile::readHeader() {
    const Bytes& all = file_;
    if (all.size() < kJet3.pageSize || all.u8(0) != kPageHeader ||
        std::memcmp(all.data() + kEngineNameOffset, "Standard Jet DB", 15) != 0) {
        if (all.size() >= 0x20 &&
            std::memcmp(all.data() + kEngineNameOffset, "Standard ACE DB", 15) == 0)
            throw JetError("an Access 2007 or later database (ACE format) is not supported");
        throw JetError("not a Jet database");
    }
    switch (all.u8(kVersionOffset)) {
    case 0:
        layout_ = &kJet3;
        break;
    case 1:
        layout_ = &kJet4;
        break;
    default:
        throw JetError("unsupported database version " + std::to_string(all.u8(kVersionOffset)));
    }
    pageCount_ = static_cast<std::uint32_t>(all.size() / layout_->pageSize);
    if (pageCount_ < 3)
        throw JetError("file too short for a Jet database: " + std::to_string(all.size()) +
                       " bytes");

    std::uint8_t block[128];
    std::memcpy(block, all.data() + kHeaderBlockOffset, layout_->headerBlockLength);
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
    const std::uint8_t* start = file_.data() + static_cast<std::size_t>(number) * size;
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
