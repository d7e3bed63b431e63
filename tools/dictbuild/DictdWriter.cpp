#include "DictdWriter.h"

#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <zlib.h>

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <unordered_map>

namespace dictd {

namespace {

// dictzip's own chunk length: a chunk compressed stays below 64 kB even when nothing shrinks.
constexpr std::size_t kChunkLength = 58315;
// The extra field holds 10 bytes besides the table, in at most 65,535.
constexpr std::size_t kMostChunks = (65535 - 10) / 2;

// Lower-case letters that Unicode's case folding maps to another lower-case letter (the micro
// sign to mu, the long s to s, final sigma to sigma, Cherokee's small letters to its capitals):
// towlower() leaves them.
bool foldsButIsLower(char16_t c) {
    switch (c) {
    case 0x00B5:
    case 0x017F:
    case 0x0345:
    case 0x03C2:
    case 0x03D0:
    case 0x03D1:
    case 0x03D5:
    case 0x03D6:
    case 0x03F0:
    case 0x03F1:
    case 0x03F5:
    case 0x1E9B:
    case 0x1FBE:
        return true;
    default:
        return (c >= 0x13F8 && c <= 0x13FD) || (c >= 0x1C80 && c <= 0x1C88) ||
               (c >= 0xAB70 && c <= 0xABBF);
    }
}

// Capitals whose folding is more than one character, but towlower() one.
char16_t lowerOfExpanding(char16_t c) {
    if (c == 0x0130)
        return u'i';
    if (c == 0x1E9E)
        return 0x00DF;
    if ((c >= 0x1F88 && c <= 0x1F8F) || (c >= 0x1F98 && c <= 0x1F9F) ||
        (c >= 0x1FA8 && c <= 0x1FAF))
        return static_cast<char16_t>(c - 8);
    if (c == 0x1FBC || c == 0x1FCC || c == 0x1FFC)
        return static_cast<char16_t>(c - 9);
    return c;
}

void appendByte(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
}

void appendLittle16(std::string& out, std::size_t value) {
    appendByte(out, static_cast<unsigned>(value));
    appendByte(out, static_cast<unsigned>(value >> 8));
}

void appendLittle32(std::string& out, std::uint32_t value) {
    appendLittle16(out, value & 0xFFFF);
    appendLittle16(out, value >> 16);
}

// The chunks, each deflated up to a full flush: each starts with no history. The end of the
// stream follows the last, in no chunk: a server inflates a chunk expecting more to come.
std::vector<std::string> compressedChunks(const std::string& text, std::string& end) {
    z_stream stream = {};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::runtime_error("the compression could not start (out of memory)");
    std::vector<std::string> chunks;
    std::string buffer(kChunkLength + kChunkLength / 8 + 64, '\0');
    const auto deflated = [&](std::size_t at, std::size_t length, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data() + at));
        stream.avail_in = static_cast<uInt>(length);
        std::string out;
        int status;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = static_cast<uInt>(buffer.size());
            status = deflate(&stream, flush);
            out.append(buffer.data(), buffer.size() - stream.avail_out);
        } while (status == Z_OK && (stream.avail_in != 0 || stream.avail_out == 0));
        if (status == Z_STREAM_ERROR || out.size() > 0xFFFF) {
            deflateEnd(&stream);
            throw std::runtime_error("the compression failed");
        }
        return out;
    };
    for (std::size_t at = 0; at < text.size(); at += kChunkLength)
        chunks.push_back(deflated(at, std::min(kChunkLength, text.size() - at), Z_FULL_FLUSH));
    end = deflated(text.size(), 0, Z_FINISH);
    deflateEnd(&stream);
    return chunks;
}

// Columns of the longest line of the texts, a TAB to the next multiple of eight.
std::size_t longestLine(const std::vector<WrittenEntry>& entries) {
    std::size_t longest = 0;
    for (const WrittenEntry& entry : entries) {
        std::size_t column = 0;
        for (const char16_t c : entry.text) {
            if (c == u'\n') {
                longest = std::max(longest, column);
                column = 0;
            } else if (c == u'\t') {
                column = (column / 8 + 1) * 8;
            } else if (c < 0xDC00 || c >= 0xE000) {
                ++column;
            }
        }
        longest = std::max(longest, column);
    }
    return longest;
}

std::string headerText(const char* name, const std::u16string& value) {
    return std::string(name) + "\n" + (value.empty() ? "" : jet::toUtf8(value) + "\n");
}

} // namespace

std::u16string indexKey(const std::u16string& headword) {
    std::u16string key;
    key.reserve(headword.size());
    for (const char16_t c : headword) {
        if (c < 0x80) {
            key += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
            continue;
        }
        if (foldsButIsLower(c) || (c >= 0xD800 && c < 0xE000)) {
            key += c;
            continue;
        }
        const std::u16string folded = text::foldCase(std::u16string_view(&c, 1));
        key += folded.size() == 1 ? folded[0] : lowerOfExpanding(c);
    }
    return key;
}

std::string encodeNumber(std::uint64_t value) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value % 64]);
        value /= 64;
    } while (value != 0);
    return digits;
}

std::string dictzip(const std::string& text) {
    if (text.size() / kChunkLength >= kMostChunks)
        throw std::length_error("the dictionary's text is larger than dictzip's form holds (" +
                                std::to_string(kMostChunks * kChunkLength / 1000000) +
                                " MB): write fewer dictionaries into it");
    std::string end;
    const std::vector<std::string> chunks = compressedChunks(text, end);
    std::string out = "\x1f\x8b\x08";
    appendByte(out, 0x04);  // FEXTRA
    appendLittle32(out, 0); // no time: the same database writes the same file
    appendByte(out, 2);     // the best compression
    appendByte(out, 3);     // Unix, as dictzip writes it
    appendLittle16(out, 10 + 2 * chunks.size());
    out += "RA";
    appendLittle16(out, 6 + 2 * chunks.size());
    appendLittle16(out, 1); // version
    appendLittle16(out, kChunkLength);
    appendLittle16(out, chunks.size());
    for (const std::string& chunk : chunks)
        appendLittle16(out, chunk.size());
    for (const std::string& chunk : chunks)
        out += chunk;
    out += end;
    uLong crc = crc32(0L, Z_NULL, 0);
    for (std::size_t at = 0; at < text.size(); at += kChunkLength)
        crc = crc32(crc, reinterpret_cast<const Bytef*>(text.data() + at),
                    static_cast<uInt>(std::min(kChunkLength, text.size() - at)));
    appendLittle32(out, static_cast<std::uint32_t>(crc));
    appendLittle32(out, static_cast<std::uint32_t>(text.size()));
    return out;
}

Files writeDictionary(const std::vector<WrittenEntry>& entries, const Description& description) {
    struct Line {
        std::string key, headword;
        std::uint64_t offset, length;
    };
    std::vector<Line> lines;
    std::string data;
    const auto addText = [&](std::string headword, const std::string& text) {
        lines.push_back({jet::toUtf8(indexKey(jet::fromUtf8(headword))), std::move(headword),
                         data.size(), text.size()});
        data += text;
    };
    // Every character counts in a look-up ("C++" is not "C"), and the text is UTF-8.
    addText("00-database-allchars", headerText("00-database-allchars", u""));
    addText("00-database-utf8", headerText("00-database-utf8", u""));
    addText("00-database-short", headerText("00-database-short", description.shortName));
    if (!description.url.empty())
        addText("00-database-url", headerText("00-database-url", description.url));
    // The import takes a text of few lines for one wrapped at its longest line, and would join
    // a line that follows one nearly as long: a line of blanks (which no reader sees) longer
    // than any line and word together tells it that no line was wrapped.
    addText("00-database-info", headerText("00-database-info", description.info) +
                                    std::string(2 * longestLine(entries) + 2, ' ') + "\n");
    std::unordered_map<std::string, std::pair<std::uint64_t, std::uint64_t>> written;
    for (const WrittenEntry& entry : entries) {
        const std::string text = jet::toUtf8(entry.text);
        const auto [at, added] = written.try_emplace(text, data.size(), text.size());
        if (added)
            data += text;
        std::string headword = jet::toUtf8(indexKey(entry.headword));
        lines.push_back({headword, headword, at->second.first, at->second.second});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.key < b.key; });
    Files files;
    for (const Line& line : lines)
        files.index += line.headword + "\t" + encodeNumber(line.offset) + "\t" +
                       encodeNumber(line.length) + "\n";
    files.data = dictzip(data);
    return files;
}

} // namespace dictd
