#include "CsvExport.h"

#include "jet/TextCodec.h"

#include <cmath>
#include <cstdio>

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

std::string number(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

// Days since 1899-12-30; the fraction is the time of day whatever the sign.
std::string dateTime(double days) {
    constexpr long long kDaysFrom1970 = 25569;
    const double whole = std::trunc(days);
    long long seconds = std::llround(std::fabs(days - whole) * 86400.0);
    long long z = static_cast<long long>(whole) - kDaysFrom1970 + seconds / 86400;
    seconds %= 86400;
    // Civil date from days since 1970-01-01, proleptic Gregorian.
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", year, month, day,
                  seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

} // namespace

std::string csvField(const jet::Value& value, const CsvOptions& options) {
    using Kind = jet::Value::Kind;
    switch (value.kind) {
    case Kind::Null:
        return options.nullText.value_or(std::string());
    case Kind::Boolean:
    case Kind::Integer:
        return std::to_string(value.integer);
    case Kind::Currency: {
        char text[40];
        const long long whole = value.integer / 10000;
        const long long part = std::llabs(value.integer % 10000);
        std::snprintf(text, sizeof text, "%s%lld.%04lld",
                      value.integer < 0 && whole == 0 ? "-" : "", whole, part);
        return text;
    }
    case Kind::Real:
        return number(value.real, value.columnType == jet::kSingle ? 9 : 17);
    case Kind::DateTime:
        return dateTime(value.real);
    case Kind::Text:
        if (value.text.empty() && !options.nullText)
            return std::string();
        return quoted(jet::toUtf8(value.text));
    case Kind::Binary: {
        std::string hex = "0x";
        for (unsigned char c : value.bytes) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02X", c);
            hex += digits;
        }
        return hex;
    }
    case Kind::Unsupported:
        break;
    }
    return quoted("(unsupported type " + std::to_string(value.columnType) + ")");
}

void exportCsv(jet::Recordset& rows, std::ostream& out, const CsvOptions& options) {
    const auto& columns = rows.columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        out << (i ? "," : "") << jet::toUtf8(columns[i].name);
    out << '\n';
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        const auto& values = rows.row();
        for (std::size_t i = 0; i < values.size(); ++i)
            out << (i ? "," : "") << csvField(values[i], options);
        out << '\n';
    }
}

std::string columnTypeName(std::uint8_t type) {
    switch (type) {
    case jet::kBoolean:
        return "Boolean";
    case jet::kByte:
        return "Byte";
    case jet::kInteger:
        return "Integer";
    case jet::kLong:
        return "Long Integer";
    case jet::kCurrency:
        return "Currency";
    case jet::kSingle:
        return "Single";
    case jet::kDouble:
        return "Double";
    case jet::kDateTime:
        return "Date/Time";
    case jet::kBinary:
        return "Binary";
    case jet::kText:
        return "Text";
    case jet::kOle:
        return "OLE";
    case jet::kMemo:
        return "Memo";
    case jet::kGuid:
        return "Replication ID";
    case jet::kDecimal:
        return "Decimal";
    default:
        return "type " + std::to_string(type);
    }
}
