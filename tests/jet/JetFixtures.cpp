#include "JetFixtures.h"

#include "jet/TextCodec.h"

#include <cmath>
#include <sstream>

namespace fixtures {

jet::Value null() {
    return jet::Value();
}

jet::Value integer(std::int64_t n) {
    jet::Value v;
    v.kind = jet::Value::Kind::Integer;
    v.integer = n;
    return v;
}

jet::Value boolean(bool b) {
    jet::Value v = integer(b ? 1 : 0);
    v.kind = jet::Value::Kind::Boolean;
    return v;
}

jet::Value real(double d) {
    jet::Value v;
    v.kind = jet::Value::Kind::Real;
    v.real = d;
    return v;
}

jet::Value text(const std::u16string& t) {
    jet::Value v;
    v.kind = jet::Value::Kind::Text;
    v.text = t;
    return v;
}

jet::Value bytes(const std::string& b) {
    jet::Value v;
    v.kind = jet::Value::Kind::Binary;
    v.bytes = b;
    return v;
}

std::vector<jet::ColumnSpec> allTypes() {
    return {{u"flag", jet::kBoolean},  {u"small", jet::kByte},     {u"count", jet::kInteger},
            {u"id", jet::kLong},       {u"price", jet::kCurrency}, {u"ratio", jet::kSingle},
            {u"value", jet::kDouble},  {u"when", jet::kDateTime},  {u"blob", jet::kBinary},
            {u"name", jet::kText, 80}, {u"notes", jet::kMemo},     {u"picture", jet::kOle}};
}

namespace {

std::u16string randomText(std::mt19937& random, std::size_t maxLength, bool latinOnly) {
    static const std::u16string pieces[] = {u"abc",
                                            u"Byte",
                                            u" ",
                                            u"<b>bold</b>",
                                            u"\"quoted\"",
                                            u",",
                                            u"\n",
                                            u"\r\n",
                                            u"\t",
                                            u"&amp;",
                                            u"\u00e9t\u00e9",
                                            u"\u00fc",
                                            u"\u20ac",
                                            u"\u65e5\u672c\u8a9e",
                                            u"\u0416",
                                            u"\U0001F600",
                                            u"\\",
                                            u"x"};
    std::u16string out;
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, maxLength)(random);
    while (out.size() < length) {
        const std::u16string& piece =
            pieces[std::uniform_int_distribution<std::size_t>(0, 17)(random)];
        bool latin = true;
        for (char16_t c : piece)
            latin = latin && c < 0x100;
        if (latinOnly && !latin)
            continue;
        out += piece;
    }
    if (out.size() > maxLength)
        out.resize(maxLength);
    // A cut may leave half a surrogate pair; the reader would return it as is, but keep it clean.
    if (!out.empty() && out.back() >= 0xD800 && out.back() <= 0xDBFF)
        out.pop_back();
    return out;
}

} // namespace

Rows randomRows(const std::vector<jet::ColumnSpec>& columns, std::size_t count,
                std::mt19937& random, bool latinOnly) {
    Rows rows;
    auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    for (std::size_t r = 0; r < count; ++r) {
        std::vector<jet::Value> row;
        for (const jet::ColumnSpec& column : columns) {
            if (column.type != jet::kBoolean && pick(0, 5) == 0) {
                row.push_back(null());
                continue;
            }
            switch (column.type) {
            case jet::kBoolean:
                row.push_back(boolean(pick(0, 1) == 1));
                break;
            case jet::kByte:
                row.push_back(integer(pick(0, 255)));
                break;
            case jet::kInteger:
                row.push_back(integer(pick(INT16_MIN, INT16_MAX)));
                break;
            case jet::kLong:
                row.push_back(integer(pick(INT32_MIN, INT32_MAX)));
                break;
            case jet::kCurrency: {
                jet::Value v = integer(pick(-1000000000000LL, 1000000000000LL));
                v.kind = jet::Value::Kind::Currency;
                row.push_back(v);
                break;
            }
            case jet::kSingle:
                row.push_back(real(static_cast<float>(pick(-100000, 100000)) / 64.0f));
                break;
            case jet::kDouble:
                row.push_back(real(static_cast<double>(pick(-1000000000, 1000000000)) / 1024.0));
                break;
            case jet::kDateTime: {
                jet::Value v = real(static_cast<double>(pick(-700000, 3000000)) / 64.0);
                v.kind = jet::Value::Kind::DateTime;
                row.push_back(v);
                break;
            }
            case jet::kBinary:
            case jet::kOle: {
                std::string b(
                    static_cast<std::size_t>(pick(0, column.type == jet::kBinary ? 255 : 9000)),
                    '\0');
                for (char& c : b)
                    c = static_cast<char>(pick(0, 255));
                row.push_back(bytes(b));
                break;
            }
            case jet::kText:
                row.push_back(text(randomText(random, column.textLength, latinOnly)));
                break;
            case jet::kMemo: {
                const std::size_t limit = pick(0, 3) == 0 ? 12000 : 200;
                row.push_back(text(randomText(random, limit, latinOnly)));
                break;
            }
            default:
                row.push_back(null());
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::uint8_t> build(const jet::WriterOptions& options,
                                const std::vector<jet::ColumnSpec>& columns, const Rows& rows,
                                const std::u16string& name) {
    jet::JetWriter writer(options);
    const std::size_t table = writer.addTable(name, columns);
    for (const auto& row : rows)
        writer.addRow(table, row);
    return writer.finish();
}

Rows readAll(const jet::Database& database, const std::u16string& table) {
    Rows rows;
    jet::Recordset recordset = database.openTable(table);
    for (; !recordset.eof(); recordset.moveNext())
        rows.push_back(recordset.row());
    return rows;
}

jet::Value expected(const jet::Value& written, const jet::ColumnSpec& column,
                    jet::Version version) {
    jet::Value value = written;
    if (column.type == jet::kBoolean && value.isNull())
        return boolean(false);
    if (value.kind == jet::Value::Kind::Text && version == jet::Version::Jet3) {
        // Jet 3 keeps text in the code page: what 1252 cannot hold comes back as '?'.
        const std::string stored = jet::encodeCodePageText(value.text, 1252);
        const jet::Bytes view(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size());
        value.text = jet::decodeCodePageText(view, 1252);
    }
    if (column.type == jet::kSingle && !value.isNull())
        value.real = static_cast<float>(value.real);
    return value;
}

bool sameValue(const jet::Value& a, const jet::Value& b) {
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case jet::Value::Kind::Null:
    case jet::Value::Kind::Unsupported:
        return true;
    case jet::Value::Kind::Real:
    case jet::Value::Kind::DateTime:
        return a.real == b.real;
    case jet::Value::Kind::Text:
        return a.text == b.text;
    case jet::Value::Kind::Binary:
        return a.bytes == b.bytes;
    default:
        return a.integer == b.integer;
    }
}

std::string describe(const jet::Value& value) {
    std::ostringstream out;
    out << "kind " << static_cast<int>(value.kind) << " integer " << value.integer << " real "
        << value.real << " text \"" << jet::toUtf8(value.text).substr(0, 80) << "\" ("
        << value.text.size() << " units) bytes " << value.bytes.size();
    return out.str();
}

} // namespace fixtures
