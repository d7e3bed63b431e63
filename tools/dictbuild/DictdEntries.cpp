#include "DictdEntries.h"

#include "DictdFormat.h"
#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace dictd {

namespace {

bool isHeader(const std::string& headword) {
    return headword.compare(0, 12, "00-database-") == 0 ||
           headword.compare(0, 10, "00database") == 0;
}

// The header's own name without its prefix and dashes: "short", "info", "url", "utf8".
std::string headerName(const std::string& headword) {
    std::string name = headword.substr(headword[2] == '-' ? 12 : 10);
    name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
    return name;
}

std::u16string trimmed(const std::u16string& text) {
    const std::size_t first = text.find_first_not_of(u" \t\r\n");
    if (first == std::u16string::npos)
        return std::u16string();
    return text.substr(first, text.find_last_not_of(u" \t\r\n") - first + 1);
}

bool sameIgnoringCase(const std::u16string& a, const std::u16string& b) {
    return text::foldCase(a) == text::foldCase(b);
}

// Latin-1's symbols and general punctuation ("°", "„", "…") are no letters; "µ" is one.
bool isLetterOrDigit(char16_t c) {
    return (c >= 0xC0 && c != 0xD7 && c != 0xF7 && (c < 0x2000 || c > 0x206F)) || c == 0xAA ||
           c == 0xB5 || c == 0xBA || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
           (c >= u'A' && c <= u'Z');
}

// Ding's index keeps a headword's letters and digits only: "0815" for "08/15", "180linie" for
// "180°-Linie".
bool sameLetters(const std::u16string& a, const std::u16string& b) {
    const auto letters = [](const std::u16string& text) {
        std::u16string kept;
        for (const char16_t c : text) {
            if (isLetterOrDigit(c))
                kept += c;
        }
        return text::foldCase(kept);
    };
    return letters(a) == letters(b);
}

// At most kMaxTermLength code units, never half a surrogate pair.
std::size_t shortenedLength(std::u16string_view term) {
    if (term.size() <= kMaxTermLength)
        return term.size();
    std::size_t length = kMaxTermLength;
    if (term[length - 1] >= 0xD800 && term[length - 1] < 0xDC00)
        --length;
    return length;
}

std::u16string decoded(std::string_view bytes, bool latin1) {
    if (!latin1)
        return jet::fromUtf8(std::string(bytes));
    std::u16string text(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return text;
}

// Lower-case letters that fold to another one: "µ" to "μ", "ſ" to "s", "ς" to "σ", Greek's
// symbol forms, Cyrillic's old forms and Cherokee's small letters.
bool foldingLowerCase(char16_t c) {
    static constexpr char16_t kSingle[] = {0xB5,  0x17F, 0x345, 0x3C2, 0x3D0,  0x3D1, 0x3D5,
                                           0x3D6, 0x3F0, 0x3F1, 0x3F5, 0x1E9B, 0x1FBE};
    return std::find(std::begin(kSingle), std::end(kSingle), c) != std::end(kSingle) ||
           (c >= 0x13F8 && c <= 0x13FD) || (c >= 0x1C80 && c <= 0x1C88) ||
           (c >= 0xAB70 && c <= 0xABBF);
}

// A character that dictfmt keeps in an index's keys by default.
bool lowerLetterDigitOrBlank(char16_t c) {
    if (c < 0x80)
        return c == u' ' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z');
    if (!isLetterOrDigit(c))
        return false;
    // A capital folds to one other letter ("ß" folds to "ss" and is none).
    const std::u16string folded = text::foldCase(std::u16string_view(&c, 1));
    return folded.size() != 1 || folded[0] == c || foldingLowerCase(c);
}

// Whether every key of `index` is as dictfmt writes them by default, only lower-case letters,
// digits and blanks ("drivertoguard" for "driver-to-guard"). Only there does a first line of
// the key's letters name the same headword: an index that keeps punctuation files an entry
// under other names too (FOLDOC's "client/server" on "client-server").
bool normalisedIndex(const std::vector<IndexEntry>& index, bool latin1) {
    for (const IndexEntry& item : index) {
        if (isHeader(item.headword))
            continue;
        bool ascii = true;
        for (const char c : item.headword) {
            if ((c & 0x80) != 0)
                ascii = false;
            else if (!lowerLetterDigitOrBlank(static_cast<char16_t>(c)))
                return false;
        }
        if (ascii)
            continue;
        const std::u16string key = decoded(item.headword, latin1);
        if (!std::all_of(key.begin(), key.end(), lowerLetterDigitOrBlank))
            return false;
    }
    return true;
}

// GCIDE files "Sundog" under "dog" too, and FOLDOC "exclamation mark" under "!": such an
// entry's first line does not begin with its headword as a word.
bool mentions(const std::u16string& firstLine, const std::u16string& headword) {
    const std::u16string line = text::foldCase(firstLine), word = text::foldCase(headword);
    if (line.compare(0, word.size(), word) != 0)
        return true;
    const char16_t next = line.size() > word.size() ? line[word.size()] : u' ';
    return (next >= u'a' && next <= u'z') || (next >= u'0' && next <= u'9');
}

} // namespace

std::u16string_view unframed(std::u16string_view line) {
    constexpr char16_t kEllipsis = u'\u2026';
    if (line.size() > 1 && line[0] == kEllipsis) {
        const std::size_t first = line.find_first_not_of(u" -\u2026");
        return first == std::u16string_view::npos ? line : line.substr(first);
    }
    static constexpr std::pair<char16_t, char16_t> kQuotes[] = {
        {u'\u201E', u'\u201C'}, {u'\u201C', u'\u201D'}, {u'"', u'"'}, {u'\'', u'\''}};
    for (const auto& [open, close] : kQuotes) {
        if (line.size() < 3 || line.front() != open || line.back() != close)
            continue;
        const std::u16string_view inner = line.substr(1, line.size() - 2);
        // An apostrophe between letters ("Razor's") closes nothing; a quote beside a blank or
        // a mark ("cats!' 'The") does.
        for (std::size_t at = inner.find(close); at != std::u16string_view::npos;
             at = inner.find(close, at + 1)) {
            const bool between = at > 0 && at + 1 < inner.size() &&
                                 isLetterOrDigit(inner[at - 1]) && isLetterOrDigit(inner[at + 1]);
            if (!between || close != u'\'')
                return line;
        }
        return inner.find(open) == std::u16string_view::npos || open == close ? inner : line;
    }
    return line;
}

void Entries::add(Entry entry, std::u16string_view headword) {
    const std::size_t termLength = shortenedLength(headword);
    std::u16string key = text::foldAccents(headword.substr(0, termLength));
    // Most terms are their own key ("dog"): kept once.
    if (key == headword.substr(0, termLength))
        key.clear();
    // Counted in 64 bits: in a 32-bit build the test would be always false, and warned of.
    if (std::uint64_t{text_.size()} + headword.size() + key.size() > UINT32_MAX)
        throw std::length_error("the dictionaries have more headwords than one import takes: "
                                "import fewer at a time");
    entry.termAt = static_cast<std::uint32_t>(text_.size());
    entry.wholeLength = static_cast<std::uint32_t>(headword.size());
    entry.termLength = static_cast<std::uint16_t>(termLength);
    entry.keyLength = static_cast<std::uint16_t>(key.size());
    text_ += headword;
    text_ += key;
    list_.push_back(entry);
}

void Entries::shrink() {
    list_.shrink_to_fit();
    text_.shrink_to_fit();
}

std::u16string Source::decode(std::uint64_t offset, std::uint64_t length) const {
    return decoded(std::string_view(data).substr(offset, length), latin1);
}

std::u16string nameOfIndex(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > 6 && name.compare(name.size() - 6, 6, ".index") == 0)
        name.resize(name.size() - 6);
    return jet::fromUtf8(name);
}

Source readSource(const DictdInput& input, std::uint32_t number, Entries& entries,
                  DictdSummary& summary, ImportProgress* progress) {
    const std::vector<IndexEntry> index = parseIndex(input.index, input.indexName);
    Source source;
    source.data = readData(input.data, input.dataName);
    // Places in the text are kept in 32 bits; a 32-bit build cannot read more anyway.
    if ((std::uint64_t{source.data.size()} >> 32) != 0)
        throw FormatError(input.dataName, "the data is larger than 4 GB");
    enum class Encoding { Unknown, Utf8, Latin1 } encoding = Encoding::Unknown;
    for (const IndexEntry& item : index) {
        if (isHeader(item.headword)) {
            const std::string name = headerName(item.headword);
            if (name == "utf8")
                encoding = Encoding::Utf8;
            else if (name.compare(0, 4, "8bit") == 0 && encoding == Encoding::Unknown)
                encoding = Encoding::Latin1;
        }
    }
    if (encoding == Encoding::Unknown) {
        bool valid = false;
        jet::fromUtf8(source.data, &valid);
        encoding = valid ? Encoding::Utf8 : Encoding::Latin1;
    }
    source.latin1 = encoding == Encoding::Latin1;
    const bool normalised = normalisedIndex(index, source.latin1);
    auto decode = [&source](const std::string& bytes) { return decoded(bytes, source.latin1); };
    std::u16string info, address;
    entries.reserve(index.size());
    std::size_t read = 0;
    for (const IndexEntry& item : index) {
        if (progress != nullptr && ++read % 4096 == 0)
            progress->entriesRead(read);
        const std::string where = input.indexName + ":" + std::to_string(item.line);
        if (item.offset > source.data.size() || item.length > source.data.size() - item.offset)
            throw FormatError(where, "the entry lies past the end of the data (" +
                                         std::to_string(source.data.size()) + " bytes)");
        const std::u16string headword = trimmed(decode(item.headword));
        // The first line, and where the rest of the text starts. Looked for within the entry
        // only: data without a line end must not be scanned to its end for every entry.
        const char* const start = source.data.data() + item.offset;
        const void* lineEnd = std::memchr(start, '\n', item.length);
        const std::uint64_t lineLength =
            lineEnd == nullptr
                ? item.length
                : static_cast<std::uint64_t>(static_cast<const char*>(lineEnd) - start);
        const std::u16string firstLine = trimmed(source.decode(item.offset, lineLength));
        const std::uint64_t restOffset = item.offset + std::min(item.length, lineLength + 1);
        const std::uint64_t restLength = item.offset + item.length - restOffset;
        if (isHeader(item.headword)) {
            const std::string name = headerName(item.headword);
            // The header's own name is the entry's first line when it is written in (dictfmt
            // writes "00-database-short" for the headword "00databaseshort").
            const std::u16string body =
                sameIgnoringCase(firstLine, headword) || isHeader(jet::toUtf8(firstLine))
                    ? trimmed(source.decode(restOffset, restLength))
                    : trimmed(source.decode(item.offset, item.length));
            if (name == "short")
                source.title = body;
            else if (name == "info")
                info = body;
            else if (name == "url")
                address = body;
            continue;
        }
        Entry entry;
        entry.source = number;
        entry.offset = static_cast<std::uint32_t>(item.offset);
        entry.length = static_cast<std::uint32_t>(item.length);
        std::u16string_view term = headword;
        // The second line goes on the headword, one blank in (Ding): the page starts with
        // both. Not after a first line that holds more than the headword (FreeDict's
        // pronunciation): its translation stands so.
        entry.heading = restLength >= 2 && start[restOffset - item.offset] == ' ' &&
                        std::strchr(" \t\r\n", start[restOffset - item.offset + 1]) == nullptr &&
                        sameLetters(firstLine, headword);
        // Some dictionaries fold the index to lower case, or to its letters and digits, or
        // leave it empty; the entry's first line has the headword as written.
        if (!firstLine.empty() && (headword.empty() || sameIgnoringCase(firstLine, headword) ||
                                   (normalised && sameLetters(firstLine, headword)))) {
            term = firstLine;
            if (normalised)
                term = unframed(term);
            // A line taken apart stays on the page as written.
            if (!entry.heading && term.size() == firstLine.size()) {
                entry.offset = static_cast<std::uint32_t>(restOffset);
                entry.length = static_cast<std::uint32_t>(restLength);
            }
        } else {
            entry.mention = mentions(firstLine, headword);
        }
        if (term.empty()) {
            ++summary.perSource[number].unnamed;
            continue;
        }
        if (term.size() > kMaxTermLength)
            ++summary.shortened;
        entries.add(entry, term);
    }
    source.shortName = nameOfIndex(input.indexName);
    source.title = trimmed(source.title);
    if (source.title.empty())
        source.title = source.shortName;
    source.title.resize(shortenedLength(source.title));
    if (!info.empty() || !address.empty()) {
        source.description = info + (address.empty() ? u"" : u"\n\n" + address);
        Entry entry;
        entry.source = number;
        entry.description = true;
        entries.add(entry, source.title);
    }
    return source;
}

} // namespace dictd
