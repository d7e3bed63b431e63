#pragma once

#include "Bytes.h"
#include "FileReader.h"
#include "Format.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace jet {

// The pages of a database file, read and decrypted on demand: from bytes in memory, or from a
// file of which only the pages in use are held, so a large file costs little memory.
class PageFile {
public:
    // Reads page 0; throws JetError when the bytes are not a Jet 3 or Jet 4 database.
    explicit PageFile(std::vector<std::uint8_t> bytes);
    explicit PageFile(std::unique_ptr<FileReader> file);

    const Layout& layout() const { return *layout_; }
    std::uint32_t pageCount() const { return pageCount_; }
    std::uint16_t codePage() const { return codePage_; }

    // A view of the page that stays valid until the next release().
    Bytes page(std::uint32_t number) const;
    // Lets go of the pages read so far once they take much memory. Callers hold no view of a
    // page across it.
    void release() const;
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
    // The page's bytes as stored, before decryption.
    const std::uint8_t* stored(std::uint32_t number) const;

    std::vector<std::uint8_t> bytes_;
    std::unique_ptr<FileReader> reader_; // when not in memory
    std::uint64_t size_ = 0;
    // Pieces of the file read so far, by number; many pages a read.
    mutable std::unordered_map<std::uint64_t, std::unique_ptr<std::uint8_t[]>> chunks_;
    mutable std::vector<std::unique_ptr<std::uint8_t[]>> spare_;
    const Layout* layout_ = nullptr;
    std::uint32_t pageCount_ = 0;
    std::uint16_t codePage_ = 0;
    std::uint32_t databaseKey_ = 0;
    mutable std::unordered_map<std::uint32_t, std::unique_ptr<std::uint8_t[]>> decrypted_;
};

} // namespace jet
