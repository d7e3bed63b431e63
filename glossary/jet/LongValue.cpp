#include "LongValue.h"

#include "Format.h"

#include <unordered_set>

namespace jet {

namespace {

constexpr std::size_t kChainPointer = 4;

std::string fromChain(const PageFile& file, std::uint32_t first, std::size_t length) {
    std::string value;
    value.reserve(length);
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t link = first; value.size() < length;) {
        if (link == 0)
            throw JetError("long value chain ends after " + std::to_string(value.size()) + " of " +
                           std::to_string(length) + " bytes");
        if (!seen.insert(link).second)
            throw JetError("long value chain runs in a cycle");
        const Bytes row = file.row(RowPointer::from(link)).bytes;
        const Bytes chunk = row.from(kChainPointer);
        const std::size_t take = std::min(chunk.size(), length - value.size());
        value.append(reinterpret_cast<const char*>(chunk.data()), take);
        link = row.u32(0);
    }
    return value;
}

} // namespace

LongValue::LongValue(const PageFile& file, Bytes field) {
    const std::uint32_t length = field.u24(0);
    const std::uint8_t kind = field.u8(3);
    switch (kind) {
    case kLongValueInline:
        bytes_ = field.slice(kLongValueFieldSize, length);
        return;
    case kLongValueSingle: {
        const Bytes row = file.row(RowPointer::from(field.u32(4))).bytes;
        if (row.size() < length)
            throw JetError("long value row holds " + std::to_string(row.size()) + " of " +
                           std::to_string(length) + " bytes");
        bytes_ = row.slice(0, length);
        return;
    }
    case kLongValueChain:
        joined_ = fromChain(file, field.u32(4), length);
        bytes_ = Bytes(reinterpret_cast<const std::uint8_t*>(joined_.data()), joined_.size());
        return;
    default:
        throw JetError("long value of unknown kind " + std::to_string(kind));
    }
}

} // namespace jet
