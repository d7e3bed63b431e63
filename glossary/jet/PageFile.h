#pragma once

#include "Bytes.h"
#include "Format.h"
#include "MappedFile.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace jet {

// The pages of a database file held in memory, decrypted on demand.
class PageFile {
public:
    // Reads page 0; throws JetError when the bytes are not a Jet 3 or Jet 4 database.
    explicit PageFile(std::vector<std::uint8_t> bytes);
    explicit PageFile(std::unique_ptr<MappedFile> mapped);

    const Layout& layout() const { return *layout_; }
    std::uint32_t pageCount() const { return pageCount_; }
    std::uint16_t codePage() const { return codePage_; }

    Bytes page(std::uint32_t number) const;
    // Row `index` of a data page: its bytes and its offset-table flags.
    struct Row {
        Bytes bytes;
        std::uint16_t flags;
    };
    std::uint16_t rowCount(Bytes page) const;
    // Offset-table flags of a row, read without touching the row itself (deleted rows may lie).
    std::uint16_t rowFlags(Bytes page, unsigned index) const;
    Row row(Bytes page, std::uint32_t pageNumber, unsigned index) const;
    Row row(RowPointer pointer) const;

private:
    void readHeader();

    std::vector<std::uint8_t> bytes_;
    std::unique_ptr<MappedFile> mapped_;
    Bytes file_; // the bytes of either of the two above
    const Layout* layout_ = nullptr;
    std::uint32_t pageCount_ = 0;
    std::uint16_t codePage_ = 0;
    std::uint32_t databaseKey_ = 0;
    mutable std::unordered_map<std::uint32_t, std::unique_ptr<std::uint8_t[]>> decrypted_;
};

} // namespace jet
