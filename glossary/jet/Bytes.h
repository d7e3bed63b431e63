#pragma once

#include "JetError.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace jet {

// A read-only view of bytes whose every read is checked against its bounds: a file's pointers
// and lengths are data, and data can lie.
class Bytes {
public:
    Bytes() = default;
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    Bytes slice(std::size_t offset, std::size_t length) const {
        check(offset, length);
        return Bytes(data_ + offset, length);
    }
    Bytes from(std::size_t offset) const {
        check(offset, 0);
        return Bytes(data_ + offset, size_ - offset);
    }

    std::uint8_t u8(std::size_t offset) const {
        check(offset, 1);
        return data_[offset];
    }
    std::uint16_t u16(std::size_t offset) const {
        check(offset, 2);
        return static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
    }
    std::uint32_t u24(std::size_t offset) const {
        check(offset, 3);
        return data_[offset] | static_cast<std::uint32_t>(data_[offset + 1]) << 8 |
               static_cast<std::uint32_t>(data_[offset + 2]) << 16;
    }
    std::uint32_t u32(std::size_t offset) const {
        check(offset, 4);
        return u24(offset) | static_cast<std::uint32_t>(data_[offset + 3]) << 24;
    }
    std::uint64_t u64(std::size_t offset) const {
        return u32(offset) | static_cast<std::uint64_t>(u32(offset + 4)) << 32;
    }
    std::int16_t i16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    std::int64_t i64(std::size_t offset) const { return static_cast<std::int64_t>(u64(offset)); }
    float f32(std::size_t offset) const {
        const std::uint32_t bits = u32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    double f64(std::size_t offset) const {
        const std::uint64_t bits = u64(offset);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    void check(std::size_t offset, std::size_t length) const {
        if (offset > size_ || length > size_ - offset)
            outOfBounds(offset, length, size_);
    }
    // Kept out of line so that the check itself stays small enough to inline.
    [[noreturn]] static void outOfBounds(std::size_t offset, std::size_t length, std::size_t size);

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Row pointer: page in the upper 24 bits, row index in the low byte.
struct RowPointer {
    std::uint32_t page;
    std::uint8_t row;
    static RowPointer from(std::uint32_t value) {
        return RowPointer{value >> 8, static_cast<std::uint8_t>(value & 0xFF)};
    }
};

} // namespace jet
