#pragma once

#include <cstdint>
#include <string>

namespace jet {

// One field of a row.
struct Value {
    enum class Kind { Null, Boolean, Integer, Real, Currency, DateTime, Text, Binary, Unsupported };

    Kind kind = Kind::Null;
    std::int64_t integer = 0; // Boolean (0 or 1), Integer kinds, Currency in ten-thousandths
    double real = 0;          // Real, and DateTime as days since 1899-12-30
    std::u16string text;      // Text and Memo (a GUID is shown as text too)
    std::string bytes;        // Binary and OLE
    std::uint8_t columnType = 0;

    bool isNull() const { return kind == Kind::Null; }
};

} // namespace jet
