#include "RowDecoder.h"

#include "LongValue.h"
#include "TextCodec.h"

#include <cstdio>

namespace jet {

namespace {

std::u16string guidText(Bytes bytes) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  bytes.u32(0), bytes.u16(4), bytes.u16(6), bytes.u8(8), bytes.u8(9), bytes.u8(10),
                  bytes.u8(11), bytes.u8(12), bytes.u8(13), bytes.u8(14), bytes.u8(15));
    return std::u16string(text, text + 38);
}

std::size_t nullMaskSize(std::size_t columnCount) {
    return (columnCount + 7) / 8;
}

void corrupt(const char* what) {
    throw JetError(std::string("corrupt row: ") + what);
}

} // namespace

RowDecoder::Layout RowDecoder::crackJet4(Bytes row) const {
    Layout layout;
    const std::size_t length = row.size();
    layout.columnCount = row.u16(0);
    const std::size_t mask = nullMaskSize(layout.columnCount);
    if (length < 2 + mask)
        corrupt("shorter than its null mask");
    layout.nullMask = row.slice(length - mask, mask);
    if (table_.variableColumns == 0)
        return layout;
    if (length < 2 + mask + 2)
        corrupt("no room for the variable column count");
    const std::size_t count = row.u16(length - mask - 2);
    if (length < 2 + mask + 4 + 2 * count)
        corrupt("more variable columns than the row can hold");
    layout.varOffsets.resize(count + 1);
    for (std::size_t i = 0; i <= count; ++i)
        layout.varOffsets[i] = row.u16(length - mask - 4 - 2 * i);
    return layout;
}

RowDecoder::Layout RowDecoder::crackJet3(Bytes row) const {
    Layout layout;
    const std::size_t length = row.size();
    layout.columnCount = row.u8(0);
    const std::size_t mask = nullMaskSize(layout.columnCount);
    if (length < 1 + mask)
        corrupt("shorter than its null mask");
    layout.nullMask = row.slice(length - mask, mask);
    if (table_.variableColumns == 0)
        return layout;
    if (length < 1 + mask + 2)
        corrupt("no room for the variable column count");
    const std::size_t count = row.u8(length - mask - 1);
    // One-byte offsets wrap at 256; the jump table says where.
    const std::size_t jumps = (length - 1) / 256;
    if (length < mask + 2 + jumps + count + 1)
        corrupt("more variable columns than the row can hold");
    const std::size_t table = length - mask - 2 - jumps;
    const std::size_t usable = (table - count) / 256 < jumps ? jumps - 1 : jumps;
    layout.varOffsets.resize(count + 1);
    std::size_t used = 0;
    for (std::size_t i = 0; i <= count; ++i) {
        while (used < usable && row.u8(length - mask - 2 - used) == i)
            ++used;
        layout.varOffsets[i] = row.u8(table - i) + 256 * used;
    }
    return layout;
}

void RowDecoder::decode(Bytes row, std::vector<Value>& values,
                        const std::vector<bool>* wanted) const {
    const bool jet4 = file_.layout().version == Version::Jet4;
    const Layout layout = jet4 ? crackJet4(row) : crackJet3(row);
    const std::size_t fixedStart = file_.layout().rowFixedStart;
    const std::size_t variableCount = layout.varOffsets.empty() ? 0 : layout.varOffsets.size() - 1;

    // Values are reset in place, so their text buffers are reused from row to row.
    values.resize(table_.columns.size());
    for (std::size_t i = 0; i < table_.columns.size(); ++i) {
        const Column& column = table_.columns[i];
        Value& value = values[i];
        value.kind = Value::Kind::Null;
        value.integer = 0;
        value.real = 0;
        value.text.clear();
        value.bytes.clear();
        value.columnType = column.type;
        if (wanted != nullptr && (i >= wanted->size() || !(*wanted)[i]))
            continue;
        if (column.number >= layout.columnCount)
            continue; // the row is older than the column
        const bool present =
            (layout.nullMask.u8(column.number / 8) >> (column.number % 8) & 1) != 0;
        if (column.type == kBoolean) {
            value.kind = Value::Kind::Boolean;
            value.integer = present ? 1 : 0;
            continue;
        }
        if (!present)
            continue;
        Bytes field;
        if (column.isFixed()) {
            field = row.slice(fixedStart + column.fixedOffset, fixedWidth(column));
        } else {
            if (column.varIndex >= variableCount)
                continue;
            const std::size_t start = layout.varOffsets[column.varIndex];
            const std::size_t end = layout.varOffsets[column.varIndex + 1];
            if (start > end || end > row.size())
                corrupt("variable column outside the row");
            field = row.slice(start, end - start);
        }
        decodeField(column, field, value);
    }
}

void RowDecoder::decodeText(Bytes bytes, std::u16string& text) const {
    if (file_.layout().version == Version::Jet4)
        decodeJet4Text(bytes, text);
    else
        text = decodeCodePageText(bytes, file_.codePage());
}

void RowDecoder::decodeField(const Column& column, Bytes field, Value& value) const {
    using Kind = Value::Kind;
    switch (column.type) {
    case kByte:
        value.kind = Kind::Integer;
        value.integer = field.u8(0);
        return;
    case kInteger:
        value.kind = Kind::Integer;
        value.integer = field.i16(0);
        return;
    case kLong:
        value.kind = Kind::Integer;
        value.integer = field.i32(0);
        return;
    case kCurrency:
        value.kind = Kind::Currency;
        value.integer = field.i64(0);
        return;
    case kSingle:
        value.kind = Kind::Real;
        value.real = field.f32(0);
        return;
    case kDouble:
        value.kind = Kind::Real;
        value.real = field.f64(0);
        return;
    case kDateTime:
        value.kind = Kind::DateTime;
        value.real = field.f64(0);
        return;
    case kGuid:
        value.kind = Kind::Text;
        value.text = guidText(field);
        return;
    case kText:
        value.kind = Kind::Text;
        decodeText(field, value.text);
        return;
    case kMemo: {
        value.kind = Kind::Text;
        const LongValue memo(file_, field);
        decodeText(memo.bytes(), value.text);
        return;
    }
    case kBinary:
        value.kind = Kind::Binary;
        value.bytes.assign(reinterpret_cast<const char*>(field.data()), field.size());
        return;
    case kOle: {
        value.kind = Kind::Binary;
        const LongValue ole(file_, field);
        value.bytes.assign(reinterpret_cast<const char*>(ole.bytes().data()), ole.bytes().size());
        return;
    }
    default:
        value.kind = Kind::Unsupported;
        return;
    }
}

} // namespace jet
