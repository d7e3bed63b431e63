#include "DictdImport.h"

#include "DictdFormat.h"
#include "Glossary.h"
#include "PlainToHtml.h"
#include "jet/TextCodec.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

struct Entry {
    std::u16string term;
    std::u16string text;
};

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

std::u16string latin1(const std::string& bytes) {
    std::u16string text(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return text;
}

std::u16string trimmed(const std::u16string& text) {
    const std::size_t first = text.find_first_not_of(u" \t\r\n");
    if (first == std::u16string::npos)
        return std::u16string();
    return text.substr(first, text.find_last_not_of(u" \t\r\n") - first + 1);
}

bool sameIgnoringCase(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() && simpleUpperCase(a) == simpleUpperCase(b);
}

class Reader {
public:
    explicit Reader(const DictdInput& input) : input_(input) {}

    void read(std::vector<Entry>& entries) {
        const std::vector<dictd::IndexEntry> index =
            dictd::parseIndex(input_.index, input_.indexName);
        const std::string data = dictd::readData(input_.data, input_.dataName);
        for (const dictd::IndexEntry& item : index) {
            if (isHeader(item.headword)) {
                const std::string name = headerName(item.headword);
                if (name == "utf8")
                    encoding_ = Encoding::Utf8;
                else if (name.compare(0, 4, "8bit") == 0 && encoding_ == Encoding::Unknown)
                    encoding_ = Encoding::Latin1;
            }
        }
        if (encoding_ == Encoding::Unknown) {
            bool valid = false;
            jet::fromUtf8(data, &valid);
            encoding_ = valid ? Encoding::Utf8 : Encoding::Latin1;
        }
        std::u16string shortName, info, address;
        for (const dictd::IndexEntry& item : index) {
            const std::string where = input_.indexName + ":" + std::to_string(item.line);
            if (item.offset > data.size() || item.length > data.size() - item.offset)
                throw dictd::FormatError(where, "the entry lies past the end of the data (" +
                                                    std::to_string(data.size()) + " bytes)");
            const std::u16string headword = decode(item.headword);
            if (headword.size() > kMaxTermLength)
                throw dictd::FormatError(where, "headword longer than " +
                                                    std::to_string(kMaxTermLength) + " characters");
            const std::u16string text = decode(data.substr(item.offset, item.length));
            const std::size_t lineEnd = text.find(u'\n');
            const std::u16string firstLine = trimmed(text.substr(0, lineEnd));
            const std::u16string rest =
                lineEnd == std::u16string::npos ? u"" : text.substr(lineEnd + 1);
            if (isHeader(item.headword)) {
                const std::string name = headerName(item.headword);
                // The header's own name is the entry's first line when it is written in.
                const std::u16string body =
                    trimmed(sameIgnoringCase(firstLine, headword) ? rest : text);
                if (name == "short")
                    shortName = body;
                else if (name == "info")
                    info = body;
                else if (name == "url")
                    address = body;
                continue;
            }
            // Some dictionaries fold the index to lower case; the entry's first line has the
            // headword as written.
            if (sameIgnoringCase(firstLine, headword))
                entries.push_back(Entry{firstLine, rest});
            else
                entries.push_back(Entry{headword, text});
        }
        if (info.empty() && address.empty())
            return;
        std::u16string name = trimmed(shortName);
        if (name.empty())
            name = decode(input_.indexName);
        if (name.size() > kMaxTermLength)
            name.resize(kMaxTermLength);
        entries.push_back(Entry{name, info + (address.empty() ? u"" : u"\n\n" + address)});
    }

private:
    enum class Encoding { Unknown, Utf8, Latin1 };

    std::u16string decode(const std::string& bytes) const {
        return encoding_ == Encoding::Latin1 ? latin1(bytes) : jet::fromUtf8(bytes);
    }

    const DictdInput& input_;
    Encoding encoding_ = Encoding::Unknown;
};

} // namespace

std::vector<DictionaryEntry> importDictd(const std::vector<DictdInput>& dictionaries) {
    std::vector<Entry> entries;
    for (const DictdInput& dictionary : dictionaries)
        Reader(dictionary).read(entries);

    // A cross-reference links when it names a term of any of the dictionaries, in any case.
    std::unordered_set<std::u16string> known;
    for (const Entry& entry : entries)
        known.insert(simpleUpperCase(entry.term));
    const std::function<bool(const std::u16string&)> isTerm = [&known](const std::u16string& term) {
        return known.count(simpleUpperCase(term)) != 0;
    };

    std::vector<DictionaryEntry> rows;
    std::unordered_map<std::u16string, std::size_t> rowOf;
    for (const Entry& entry : entries) {
        const std::u16string page = plainToHtml(entry.text, isTerm);
        const auto [at, added] = rowOf.emplace(entry.term, rows.size());
        if (added)
            rows.push_back(DictionaryEntry{entry.term, page});
        else
            *rows[at->second].definition += u"<hr>" + page;
    }
    std::vector<std::u16string> keys;
    keys.reserve(rows.size());
    for (const DictionaryEntry& row : rows)
        keys.push_back(simpleUpperCase(row.term));
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<DictionaryEntry> sorted;
    sorted.reserve(rows.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    return sorted;
}
