#pragma once

#include "jet/Format.h"
#include "jet/Value.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace jet {

struct ColumnSpec {
    std::u16string name;
    std::uint8_t type = kText;
    std::uint16_t textLength = 255; // characters, Text columns only
    bool autoNumber = false;        // Long columns only
};

struct WriterOptions {
    Version version = Version::Jet4;
    double creationDate = 46000.0; // days since 1899-12-30
    std::uint16_t codePage = 1252;
    // The knobs below exist to build awkward files for readers' tests.
    bool referenceMaps = false;           // usage maps of type 1 even where type 0 would do
    unsigned deletedRowEvery = 0;         // a deleted row before every n-th row
    unsigned movedRowEvery = 0;           // every n-th row moved behind an overflow pointer
    std::uint32_t databaseKey = 0;        // non-zero: every page but page 0 is RC4-encrypted
    std::size_t maxCompressedText = 1024; // longer Latin-1 texts are stored uncompressed
    // Texts of any length compressed, switching to two bytes a character for what is not
    // Latin-1 and back (as a large dictionary wants); off, only texts all in Latin-1 are.
    bool mixedCompression = false;
    // Pages a table's rows take from the file at a time: with long values between them, the
    // rows of a large table stand together in runs this long (the last run's unused pages stay
    // empty and owned by no one).
    std::size_t tablePageRun = 1;
};

// Builds a new database file in memory: any number of tables, rows appended in order.
class JetWriter {
public:
    explicit JetWriter(WriterOptions options = WriterOptions());
    ~JetWriter();
    JetWriter(const JetWriter&) = delete;
    JetWriter& operator=(const JetWriter&) = delete;

    std::size_t addTable(const std::u16string& name, const std::vector<ColumnSpec>& columns);
    // Values in column order: Null, Boolean, Integer, Currency, Real, DateTime, Text or Binary.
    // Throws std::invalid_argument for a value that does not fit its column.
    void addRow(std::size_t table, const std::vector<Value>& values);
    // The finished file, once: as bytes, or written to `out` page by page (false when the
    // stream failed).
    std::vector<std::uint8_t> finish();
    bool finish(std::ostream& out);
    // Full pages go to their place in `out` as the rows fill them, so that the memory a large
    // file takes is not held to the end; finish(out) must then be given the same stream.
    // Throws std::invalid_argument with encryption or moved rows.
    void spillTo(std::ostream& out);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace jet
