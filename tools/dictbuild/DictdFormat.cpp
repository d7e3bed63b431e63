#include "DictdFormat.h"

#include <zlib.h>

#include <limits>

namespace dictd {

namespace {

// Far more than any dictionary; a damaged or hostile file must not take all memory.
constexpr std::size_t kLargestData = std::size_t{512} << 20;

int digitValue(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::optional<std::uint64_t> decodeNumber(std::string_view digits) {
    // Ten digits already pass any file this program could read.
    if (digits.empty() || digits.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int digit = digitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 64 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::vector<IndexEntry> parseIndex(const std::string& text, const std::string& file) {
    std::vector<IndexEntry> entries;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::string where = file + ":" + std::to_string(lineNumber);
        const std::size_t first = line.find('\t');
        const std::size_t second =
            first == std::string_view::npos ? first : line.find('\t', first + 1);
        if (second == std::string_view::npos)
            throw FormatError(where, "not headword, TAB, offset, TAB, length");
        // dictfmt may add a fourth field (the original headword); it is not needed here.
        const std::size_t third = line.find('\t', second + 1);
        const auto offset = decodeNumber(line.substr(first + 1, second - first - 1));
        const auto length = decodeNumber(line.substr(second + 1, third == std::string_view::npos
                                                                     ? std::string_view::npos
                                                                     : third - second - 1));
        if (!offset || !length)
            throw FormatError(where, "offset or length is not a number in the index's digits");
        entries.push_back(
            IndexEntry{std::string(line.substr(0, first)), *offset, *length, lineNumber});
    }
    return entries;
}

std::string readData(const std::string& bytes, const std::string& file) {
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0x1F ||
        static_cast<unsigned char>(bytes[1]) != 0x8B)
        return bytes;
    z_stream stream = {};
    // 16 + window bits: a gzip header and trailer, whose checksum is checked.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        throw FormatError(file, "cannot start decompression");
    std::string text;
    std::size_t consumed = 0;
    int status = Z_OK;
    char buffer[1 << 16];
    while (status != Z_STREAM_END) {
        const std::size_t chunk =
            std::min<std::size_t>(bytes.size() - consumed, std::numeric_limits<uInt>::max());
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + consumed));
        stream.avail_in = static_cast<uInt>(chunk);
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        consumed += chunk - stream.avail_in;
        text.append(buffer, sizeof buffer - stream.avail_out);
        if (text.size() > kLargestData) {
            inflateEnd(&stream);
            throw FormatError(file, "the data grows past " + std::to_string(kLargestData >> 20) +
                                        " MB when decompressed");
        }
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&stream);
            throw FormatError(file,
                              "damaged compressed data near byte " + std::to_string(consumed));
        }
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0 &&
            consumed == bytes.size()) {
            inflateEnd(&stream);
            throw FormatError(file, "compressed data ends too early");
        }
    }
    inflateEnd(&stream);
    return text;
}

} // namespace dictd
