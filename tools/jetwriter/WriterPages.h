#pragma once

#include "jet/Format.h"

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace jet::writer {

constexpr std::uint16_t kSortGeneral = 0x0409; // the general sort order, in headers and columns

void put16(std::uint8_t* at, std::uint16_t value);
void put32(std::uint8_t* at, std::uint32_t value);
void put64(std::uint8_t* at, std::uint64_t value);
void append16(std::string& out, std::uint16_t value);
void append32(std::string& out, std::uint32_t value);
void append64(std::string& out, std::uint64_t value);

inline std::uint64_t doubleBits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline std::uint32_t rowPointer(std::uint32_t page, std::uint8_t row) {
    return page << 8 | row;
}

// Every page of the file being written, zero-filled when allocated.
class PageStore {
public:
    explicit PageStore(const Layout& layout) : layout_(layout) {}
    std::uint32_t allocate();
    // Throws std::logic_error for a page already written out (a fault of the writer).
    std::uint8_t* page(std::uint32_t number);
    std::uint32_t count() const { return static_cast<std::uint32_t>(pages_.size()); }
    const Layout& layout() const { return layout_; }
    std::vector<std::uint8_t> join() const;

    // From now on a sealed page goes to its place in `out` and leaves memory, so that a large
    // file is never held whole; join() is then no longer possible.
    void spillTo(std::ostream& out) { spill_ = &out; }
    // Page `number` will get no more rows; written out by the next writeSealed(), once what
    // holds pointers into it (a chain of long value parts) is done.
    void seal(std::uint32_t number);
    void writeSealed();
    // Every page still in memory to its place in `out` (the spill stream, when there is one).
    bool writeTo(std::ostream& out);

private:
    void put(std::ostream& out, std::uint32_t number);

    const Layout& layout_;
    std::vector<std::vector<std::uint8_t>> pages_; // inner buffers never move once allocated
    std::ostream* spill_ = nullptr;
    std::vector<std::uint32_t> sealed_;
    std::uint64_t spillAt_ = 0; // where the next page goes without a seek
};

// Rows packed downward from the end of data pages that share one owner. Table rows keep their
// order, so they fill one page after another; rows that nothing reads in order (long values)
// may go to any of the last few pages that still has room, which leaves less of them empty.
class RowPages {
public:
    static constexpr std::uint32_t kLongValueOwner = 0x4C41564C; // "LVAL"

    // `pageRun` pages are taken from the store at a time, so that a large table's pages stand
    // together and a reader of the whole table reads less of the file.
    RowPages(PageStore& store, std::uint32_t owner, std::uint32_t firstPage = 0,
             std::size_t openPages = 1, std::size_t pageRun = 1);

    struct Slot {
        std::uint32_t page;
        std::uint8_t row;
        std::uint8_t* bytes;
        std::uint32_t pointer() const { return rowPointer(page, row); }
    };
    Slot add(std::size_t length, std::uint16_t flags = 0);
    // An empty row marked deleted, as a reader meets it after a delete.
    void addDeleted();
    const std::vector<std::uint32_t>& pages() const { return pages_; }

private:
    struct Open {
        std::uint32_t number;
        std::size_t used; // row bytes on the page
        unsigned rows;
    };
    bool fits(const Open& page, std::size_t length) const;
    void startPage(std::uint32_t number);

    PageStore& store_;
    std::uint32_t owner_;
    std::size_t openPages_;
    std::size_t pageRun_;
    std::uint32_t nextReserved_ = 0, reservedEnd_ = 0; // pages taken but not yet used
    std::vector<std::uint32_t> pages_;
    std::vector<Open> open_; // the pages rows may still go to, oldest first
};

// A usage map row naming `pages`: an inline bitmap when they fit one window (and inline is
// allowed), else a reference map whose bitmap pages are allocated from the store.
std::string usageMap(PageStore& store, const std::vector<std::uint32_t>& pages, bool allowInline);
std::size_t usageMapRowLength(const Layout& layout);

// The global usage map on page 1: the pages past the end of the file marked free.
void writeGlobalMap(PageStore& store);

struct HeaderValues {
    std::uint16_t codePage;
    std::uint32_t databaseKey;
    double creationDate; // days since 1899-12-30
};
// Page 0: the engine's name and version, the sort order, code page, key and date, with the
// block that readers decrypt.
void writeHeaderPage(PageStore& store, const HeaderValues& values);

// Every page but the header, encrypted with the database key as Jet does.
void encryptPages(PageStore& store, std::uint32_t databaseKey);
} // namespace jet::writer
