#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

enum class Version { Jet3, Jet4 };

// Where things are in pages, table definitions and rows; the two versions differ only in these.
struct Layout {
    Version version;
    std::size_t pageSize;
    std::size_t headerBlockLength; // RC4-obscured block of page 0 at 0x18
    // Data pages
    std::size_t rowCountOffset;
    std::size_t rowOffsetsStart; // header size H
    // Table definition header
    std::size_t tdefRowCount;
    std::size_t tdefAutoNumber;
    std::size_t tdefTableType;
    std::size_t tdefMaxColumns;
    std::size_t tdefVariableColumns;
    std::size_t tdefColumnCount;
    std::size_t tdefIndexCount;
    std::size_t tdefRealIndexCount;
    std::size_t tdefOwnedMap;
    std::size_t tdefFreeMap;
    std::size_t tdefHeaderEnd;
    std::size_t realIndexEntry; // per real index, before the columns
    // Column descriptor
    std::size_t columnSize;
    std::size_t columnNumber;
    std::size_t columnVarIndex;
    std::size_t columnFlags;
    std::size_t columnFixedOffset;
    std::size_t columnLength;
    // Rows
    std::size_t rowFixedStart; // 2 (u16 column count) or 1 (u8)
    // Usage maps
    std::size_t inlineMapBytes;
    std::size_t referenceMapSlots;
    // Long values
    std::size_t singleLongValueMax; // largest value kept in one LVAL row
    std::size_t longValueChunk;     // data bytes in one link of a chain
    std::size_t maxRowLength;
};

inline constexpr Layout kJet3 = {Version::Jet3,
                                 2048,
                                 126,
                                 8,
                                 10,
                                 12,
                                 16,
                                 20,
                                 21,
                                 23,
                                 25,
                                 27,
                                 31,
                                 35,
                                 39,
                                 43,
                                 8,
                                 18,
                                 1,
                                 3,
                                 13,
                                 14,
                                 16,
                                 1,
                                 128,
                                 33,
                                 2036,
                                 2032,
                                 2012};
inline constexpr Layout kJet4 = {Version::Jet4,
                                 4096,
                                 128,
                                 12,
                                 14,
                                 16,
                                 20,
                                 40,
                                 41,
                                 43,
                                 45,
                                 47,
                                 51,
                                 55,
                                 59,
                                 63,
                                 12,
                                 25,
                                 5,
                                 7,
                                 15,
                                 21,
                                 23,
                                 2,
                                 64,
                                 17,
                                 4076,
                                 4072,
                                 4060};

// Column type codes.
enum ColumnType : std::uint8_t {
    kBoolean = 0x01,
    kByte = 0x02,
    kInteger = 0x03,
    kLong = 0x04,
    kCurrency = 0x05,
    kSingle = 0x06,
    kDouble = 0x07,
    kDateTime = 0x08,
    kBinary = 0x09,
    kText = 0x0A,
    kOle = 0x0B,
    kMemo = 0x0C,
    kGuid = 0x0F,
    kDecimal = 0x10,
};

// Bytes a fixed-length value of the type takes in a row; 0 for Booleans (kept in the null
// mask), variable-length and unknown types.
inline std::uint16_t fixedSizeOf(std::uint8_t type) {
    switch (type) {
    case kByte:
        return 1;
    case kInteger:
        return 2;
    case kLong:
    case kSingle:
        return 4;
    case kCurrency:
    case kDouble:
    case kDateTime:
        return 8;
    case kGuid:
        return 16;
    case kDecimal:
        return 17;
    default:
        return 0;
    }
}

// Column flags.
inline constexpr std::uint8_t kFixedLength = 0x01;
inline constexpr std::uint8_t kNullable = 0x02;
inline constexpr std::uint8_t kAutoNumber = 0x04;
// Extra flag (Jet 4): text may be stored in the compressed form.
inline constexpr std::uint8_t kCompressedUnicode = 0x01;

// Row offset table flags.
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr std::uint16_t kRowDeleted = 0x8000;
inline constexpr std::uint16_t kRowOverflow = 0x4000;

// Page types.
inline constexpr std::uint8_t kPageHeader = 0x00;
inline constexpr std::uint8_t kPageData = 0x01;
inline constexpr std::uint8_t kPageTableDefinition = 0x02;
inline constexpr std::uint8_t kPageUsageBitmap = 0x05;

// Long value kinds (byte 3 of the 12-byte field).
inline constexpr std::uint8_t kLongValueInline = 0x80;
inline constexpr std::uint8_t kLongValueSingle = 0x40;
inline constexpr std::uint8_t kLongValueChain = 0x00;
inline constexpr std::size_t kLongValueFieldSize = 12;

// Page 0 offsets.
inline constexpr std::size_t kEngineNameOffset = 0x04;
inline constexpr std::size_t kVersionOffset = 0x14;
inline constexpr std::size_t kHeaderBlockOffset = 0x18;
inline constexpr std::size_t kCodePageOffset = 0x3C;
inline constexpr std::size_t kDatabaseKeyOffset = 0x3E;

inline constexpr std::uint32_t kCatalogPage = 2;

} // namespace jet
