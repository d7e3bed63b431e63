#include "WriterRows.h"

#include "jet/TextCodec.h"

#include <cstring>
#include <optional>
#include <stdexcept>

namespace jet::writer {

namespace {

constexpr std::size_t kInlineLongValueMax = 64;
constexpr std::size_t kMaxLongValue = (1u << 24) - 1;

[[noreturn]] void mismatch(const ColumnState& column, const char* why) {
    throw std::invalid_argument("column " + toUtf8(column.given.name) + ": " + why);
}

std::int64_t integerIn(const ColumnState& column, const Value& value, std::int64_t low,
                       std::int64_t high) {
    if (value.kind != Value::Kind::Integer)
        mismatch(column, "needs an integer");
    if (value.integer < low || value.integer > high)
        mismatch(column, "integer out of range");
    return value.integer;
}

double realOf(const ColumnState& column, const Value& value) {
    if (value.kind != Value::Kind::Real && value.kind != Value::Kind::DateTime)
        mismatch(column, "needs a number");
    return value.real;
}

// The compressed form with its mode switch: Latin-1 runs one byte a character, other
// characters two, a zero byte between the two modes. A character whose low byte is zero would
// read as a switch in the two-byte mode, so a text holding one is not compressed (nothing).
std::optional<std::string> mixedCompressed(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    bool compressed = true;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t c = text[i];
        if ((c & 0xFF) == 0)
            return std::nullopt;
        if (c <= 0xFF && !compressed) {
            // Switching back costs a byte each way: worth it for three characters, or two
            // that end the text.
            std::size_t run = 1;
            while (run < 3 && i + run < size && text[i + run] <= 0xFF && text[i + run] != 0)
                ++run;
            if (run == 3 || (i + run == size && run == 2)) {
                bytes += '\0';
                compressed = true;
            }
        } else if (c > 0xFF && compressed) {
            bytes += '\0';
            compressed = false;
        }
        if (compressed) {
            bytes += static_cast<char>(c);
        } else {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
    }
    return bytes;
}

} // namespace

std::string RowEncoder::encodeText(const ColumnState& column, const std::u16string& text) const {
    if (!jet4())
        return encodeCodePageText(text, options_.codePage);
    const bool compressible = (column.extraFlags & kCompressedUnicode) != 0;
    if (compressible && options_.mixedCompression && text.size() >= 3) {
        std::optional<std::string> bytes = mixedCompressed(text);
        if (bytes && bytes->size() < 2 * text.size())
            return std::move(*bytes);
    }
    return encodeJet4Text(text, compressible, options_.maxCompressedText);
}

std::string RowEncoder::longValueField(ColumnState& column, const std::string& data) const {
    const std::size_t size = data.size();
    if (size > kMaxLongValue)
        mismatch(column, "long value of 16 MiB or more");
    std::string field;
    if (size <= kInlineLongValueMax) {
        append32(field, static_cast<std::uint32_t>(size) | 0x80000000u);
        append32(field, 0);
        append32(field, 0);
        return field + data;
    }
    if (size <= layout_.singleLongValueMax) {
        const RowPages::Slot slot = column.longValues->add(size);
        std::memcpy(slot.bytes, data.data(), size);
        append32(field, static_cast<std::uint32_t>(size) | 0x40000000u);
        append32(field, slot.pointer());
        append32(field, 0);
        return field;
    }
    // Chain: reserve every link first, so each can point at the next.
    std::vector<RowPages::Slot> links;
    for (std::size_t at = 0; at < size; at += layout_.longValueChunk)
        links.push_back(column.longValues->add(4 + std::min(layout_.longValueChunk, size - at)));
    for (std::size_t i = 0; i < links.size(); ++i) {
        const std::size_t at = i * layout_.longValueChunk;
        put32(links[i].bytes, i + 1 < links.size() ? links[i + 1].pointer() : 0);
        std::memcpy(links[i].bytes + 4, data.data() + at,
                    std::min(layout_.longValueChunk, size - at));
    }
    append32(field, static_cast<std::uint32_t>(size));
    append32(field, links[0].pointer());
    append32(field, 0);
    return field;
}

std::string RowEncoder::encode(TableState& table, const std::vector<Value>& values) const {
    if (values.size() != table.columns.size())
        throw std::invalid_argument("row has " + std::to_string(values.size()) + " values for " +
                                    std::to_string(table.columns.size()) + " columns");
    std::string fixed(table.fixedSize, '\0');
    std::vector<std::string> variable(table.variableColumns);
    std::vector<bool> present(table.columns.size(), false);
    for (std::size_t i = 0; i < values.size(); ++i) {
        ColumnState& column = table.columns[i];
        Value value = values[i];
        if (column.given.autoNumber && value.isNull()) {
            value.kind = Value::Kind::Integer;
            value.integer = table.lastAutoNumber + 1;
        }
        if (value.isNull())
            continue;
        auto* at = reinterpret_cast<std::uint8_t*>(&fixed[column.fixedOffset]);
        present[i] = true;
        switch (column.given.type) {
        case kBoolean:
            if (value.kind != Value::Kind::Boolean && value.kind != Value::Kind::Integer)
                mismatch(column, "needs a Boolean");
            present[i] = value.integer != 0;
            break;
        case kByte:
            *at = static_cast<std::uint8_t>(integerIn(column, value, 0, 255));
            break;
        case kInteger:
            put16(at, static_cast<std::uint16_t>(integerIn(column, value, INT16_MIN, INT16_MAX)));
            break;
        case kLong: {
            const auto number =
                static_cast<std::int32_t>(integerIn(column, value, INT32_MIN, INT32_MAX));
            put32(at, static_cast<std::uint32_t>(number));
            if (column.given.autoNumber && number > table.lastAutoNumber)
                table.lastAutoNumber = number;
            break;
        }
        case kCurrency:
            if (value.kind != Value::Kind::Currency)
                mismatch(column, "needs a currency amount");
            put64(at, static_cast<std::uint64_t>(value.integer));
            break;
        case kSingle: {
            const float single = static_cast<float>(realOf(column, value));
            std::uint32_t bits;
            std::memcpy(&bits, &single, sizeof bits);
            put32(at, bits);
            break;
        }
        case kDouble:
        case kDateTime:
            put64(at, doubleBits(realOf(column, value)));
            break;
        case kText:
            if (value.kind != Value::Kind::Text)
                mismatch(column, "needs text");
            if (value.text.size() > column.given.textLength)
                mismatch(column, "text longer than the column");
            variable[column.varIndex] = encodeText(column, value.text);
            break;
        case kMemo:
            if (value.kind != Value::Kind::Text)
                mismatch(column, "needs text");
            variable[column.varIndex] = longValueField(column, encodeText(column, value.text));
            break;
        case kOle:
            if (value.kind != Value::Kind::Binary)
                mismatch(column, "needs bytes");
            variable[column.varIndex] = longValueField(column, value.bytes);
            break;
        case kBinary:
            if (value.kind != Value::Kind::Binary || value.bytes.size() > 255)
                mismatch(column, "needs up to 255 bytes");
            variable[column.varIndex] = value.bytes;
            break;
        default:
            mismatch(column, "type not supported by the writer");
        }
    }
    return finishRow(table, std::move(fixed), variable, present);
}

std::string RowEncoder::finishRow(const TableState& table, std::string fixed,
                                  const std::vector<std::string>& variable,
                                  const std::vector<bool>& present) const {
    const std::size_t columns = table.columns.size();
    const std::size_t maskSize = (columns + 7) / 8;
    std::string mask(maskSize, '\0');
    for (std::size_t i = 0; i < columns; ++i) {
        if (present[i])
            mask[i / 8] = static_cast<char>(mask[i / 8] | 1 << i % 8);
    }
    std::string row;
    if (jet4())
        append16(row, static_cast<std::uint16_t>(columns));
    else
        row += static_cast<char>(columns);
    row += fixed;
    if (table.variableColumns == 0)
        return row + mask;

    std::vector<std::size_t> offsets;
    for (const std::string& data : variable) {
        offsets.push_back(row.size());
        row += data;
    }
    offsets.push_back(row.size()); // end of the variable data
    const std::size_t count = variable.size();
    if (jet4()) {
        for (std::size_t i = count + 1; i-- > 0;)
            append16(row, static_cast<std::uint16_t>(offsets[i]));
        append16(row, static_cast<std::uint16_t>(count));
        return row + mask;
    }
    // Jet 3: one-byte offsets, with jump bytes marking each 256-byte boundary they cross.
    const std::size_t base = row.size() + (count + 1) + 1 + maskSize;
    std::size_t jumps = 0;
    while ((base + jumps - 1) / 256 != jumps)
        jumps = (base + jumps - 1) / 256;
    const std::size_t usable = offsets[count] / 256 < jumps ? jumps - 1 : jumps;
    for (std::size_t i = count + 1; i-- > 0;)
        row += static_cast<char>(offsets[i] & 0xFF);
    std::string jumpBytes(jumps, '\xFF');
    for (std::size_t k = 0; k < usable; ++k) {
        for (std::size_t i = 0; i <= count; ++i) {
            if (offsets[i] >= 256 * (k + 1)) {
                jumpBytes[k] = static_cast<char>(i);
                break;
            }
        }
    }
    for (std::size_t k = jumps; k-- > 0;)
        row += jumpBytes[k]; // jump 0 sits next to the count
    row += static_cast<char>(count);
    return row + mask;
}

} // namespace jet::writer
