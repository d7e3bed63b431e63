#include "TextCodec.h"

namespace jet {

namespace {

// Windows-1252 characters 0x80-0x9F; the other bytes map to the same code point.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

constexpr std::uint16_t kLatin1 = 28591;
constexpr char16_t kReplacement = 0xFFFD;

char16_t fromCodePage(std::uint8_t byte, std::uint16_t codePage) {
    if (byte < 0x80 || codePage == kLatin1)
        return byte;
    // Western files use 1252; for other code pages only ASCII is certain.
    if (codePage != 1252 && codePage != 0)
        return kReplacement;
    return byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

} // namespace

std::u16string decodeJet4Text(Bytes bytes) {
    std::u16string text;
    decodeJet4Text(bytes, text);
    return text;
}

void decodeJet4Text(Bytes bytes, std::u16string& text) {
    // Every index below stays under size, so the raw bytes are read directly.
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bool compressed = true;
        text.resize(size - 2);
        std::size_t length = 0;
        for (std::size_t at = 2; at < size;) {
            if (data[at] == 0) {
                compressed = !compressed;
                ++at;
            } else if (compressed) {
                text[length++] = data[at++];
            } else {
                if (at + 1 >= size)
                    break; // odd trailing byte
                text[length++] = static_cast<char16_t>(data[at] | data[at + 1] << 8);
                at += 2;
            }
        }
        text.resize(length);
        return;
    }
    text.resize(size / 2);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
}

std::u16string decodeCodePageText(Bytes bytes, std::uint16_t codePage) {
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = fromCodePage(bytes.u8(i), codePage);
    return text;
}

std::string encodeJet4Text(const std::u16string& text, bool compressible,
                           std::size_t maxCompressed) {
    bool compress = compressible && text.size() >= 3 && text.size() <= maxCompressed;
    for (std::size_t i = 0; compress && i < text.size(); ++i)
        compress = text[i] >= 0x01 && text[i] <= 0xFF;
    std::string bytes;
    if (compress) {
        bytes.resize(text.size() + 2);
        bytes[0] = '\xFF';
        bytes[1] = '\xFE';
        for (std::size_t i = 0; i < text.size(); ++i)
            bytes[i + 2] = static_cast<char>(text[i]);
        return bytes;
    }
    // A leading byte-order mark would read as the compression marker.
    const std::size_t first = !text.empty() && text[0] == 0xFEFF ? 1 : 0;
    bytes.resize(2 * (text.size() - first));
    for (std::size_t i = first, at = 0; i < text.size(); ++i, at += 2) {
        bytes[at] = static_cast<char>(text[i] & 0xFF);
        bytes[at + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

std::string encodeCodePageText(const std::u16string& text, std::uint16_t codePage) {
    std::string bytes;
    bytes.reserve(text.size());
    for (char16_t c : text) {
        char out = '?';
        for (unsigned byte = 0; byte < 256; ++byte) {
            if (fromCodePage(static_cast<std::uint8_t>(byte), codePage) == c && c != kReplacement) {
                out = static_cast<char>(byte);
                break;
            }
        }
        bytes += out;
    }
    return bytes;
}

std::string toUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    appendUtf8(out, text);
    return out;
}

void appendUtf8(std::string& out, std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement; // an unpaired surrogate has no UTF-8 form
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

std::u16string fromUtf8(const std::string& text, bool* valid) {
    // Never more UTF-16 units than bytes; written by index, cut to length at the end.
    std::u16string out(text.size(), u'\0');
    std::size_t n = 0;
    bool ok = true;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) { // most text is ASCII
            out[n++] = static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        std::size_t extra = 0;
        std::uint32_t c = lead;
        bool good = true;
        if (lead >= 0xC2 && lead < 0xE0) {
            extra = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            extra = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            extra = 3;
            c = lead & 0x07;
        } else if (lead >= 0x80) {
            good = false;
        }
        for (std::size_t k = 1; good && k <= extra; ++k) {
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                good = false;
            else
                c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if (good && ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
                     (c >= 0xD800 && c <= 0xDFFF)))
            good = false;
        if (!good) {
            ok = false;
            out[n++] = kReplacement;
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out[n++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[n++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[n++] = static_cast<char16_t>(c);
        }
        i += extra + 1;
    }
    out.resize(n);
    if (valid != nullptr)
        *valid = ok;
    return out;
}

} // namespace jet
