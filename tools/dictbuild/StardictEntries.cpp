#include "StardictEntries.h"

#include "StardictInfo.h"
#include "StardictMarkup.h"
#include "jet/TextCodec.h"

#include <cctype>
#include <cstring>

namespace stardict {

namespace {

// A field's page, or nothing with the reason counted.
std::u16string fieldHtml(char type, std::string_view bytes, Skipped& skipped) {
    // Blank lines around a text would be blank lines on the page.
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    bytes = first == std::string_view::npos
                ? std::string_view()
                : bytes.substr(first, bytes.find_last_not_of(" \t\r\n") - first + 1);
    bool valid = false;
    const std::u16string text = jet::fromUtf8(std::string(bytes), &valid);
    if (!valid && std::strchr("mtyghx", type) != nullptr)
        skipped.add("text fields not in UTF-8 (shown with replacement characters)");
    switch (type) {
    case 'm': // plain text
    case 'l': // plain text in the writer's own encoding, read as UTF-8
    case 't': // a phonetic transcription
    case 'y': // Chinese YinBiao or Japanese kana
        return type == 't' ? u"[" + plainTextHtml(text) + u"]" : plainTextHtml(text);
    case 'g':
        return pangoHtml(text);
    case 'x':
        return xdxfHtml(text);
    case 'h':
        return entryLinks(text);
    case 'r':
        skipped.add("lists of resource files (type r), which dictbuild leaves out");
        return {};
    case 'W':
        skipped.add("sounds (type W), which dictbuild leaves out");
        return {};
    case 'P':
        skipped.add("pictures (type P), which dictbuild leaves out");
        return {};
    default:
        skipped.add(std::string("fields of type '") + type +
                    "', which dictbuild cannot show (left out)");
        return {};
    }
}

void append(std::u16string& page, const std::u16string& field) {
    if (field.empty())
        return;
    if (!page.empty())
        page += u"<br>";
    page += field;
}

// A field of `type` at `at`: a text ended by a NUL (lower-case types) or a size of four bytes
// and the bytes (upper-case); the last of a sametypesequence has neither and takes the rest.
std::string_view nextField(std::string_view bytes, std::size_t& at, char type, bool last,
                           const std::string& where) {
    const std::size_t left = bytes.size() - at;
    if (last) {
        at = bytes.size();
        return bytes.substr(bytes.size() - left);
    }
    if (std::islower(static_cast<unsigned char>(type))) {
        const std::size_t nul = bytes.find('\0', at);
        if (nul == std::string_view::npos)
            throw FormatError(where, std::string("the text of type '") + type +
                                         "' has no end (NUL) within the entry");
        const std::string_view field = bytes.substr(at, nul - at);
        at = nul + 1;
        return field;
    }
    if (left < 4)
        throw FormatError(where, std::string("the size of the field of type '") + type +
                                     "' lies past the entry's end");
    const std::size_t size =
        static_cast<std::size_t>(std::uint32_t{static_cast<unsigned char>(bytes[at])} << 24 |
                                 std::uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 16 |
                                 std::uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 8 |
                                 std::uint32_t{static_cast<unsigned char>(bytes[at + 3])});
    if (size > left - 4)
        throw FormatError(where, std::string("the field of type '") + type + "' says " +
                                     std::to_string(size) + " bytes, but only " +
                                     std::to_string(left - 4) + " are left in the entry");
    at += 4 + size;
    return bytes.substr(at - size, size);
}

} // namespace

std::u16string entryHtml(std::string_view bytes, const std::string& sameTypes,
                         const std::string& where, Skipped& skipped) {
    std::u16string page;
    std::size_t at = 0;
    if (!sameTypes.empty()) {
        for (std::size_t i = 0; i < sameTypes.size(); ++i) {
            const char type = sameTypes[i];
            const std::string_view field =
                nextField(bytes, at, type, i + 1 == sameTypes.size(), where);
            append(page, fieldHtml(type, field, skipped));
        }
        return page;
    }
    while (at < bytes.size()) {
        const char type = bytes[at++];
        if (!std::isalpha(static_cast<unsigned char>(type)))
            throw FormatError(where, "byte " + std::to_string(at - 1) +
                                         " of the entry names no field type");
        const std::string_view field = nextField(bytes, at, type, false, where);
        append(page, fieldHtml(type, field, skipped));
    }
    return page;
}

} // namespace stardict
