#include "DictdImport.h"

#include "DictdEntries.h"
#include "PlainToHtml.h"
#include "text/Folding.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <unordered_set>

namespace {

using dictd::Entry;
using dictd::Source;

// The entries in the order of the rows, and the lookup of terms among them.
class Terms {
public:
    explicit Terms(const std::vector<Entry>& entries) : entries_(entries) {
        order_.resize(entries.size());
        std::iota(order_.begin(), order_.end(), 0u);
        std::sort(order_.begin(), order_.end(), [&entries](std::uint32_t a, std::uint32_t b) {
            const int order =
                text::collate(entries[a].term, entries[a].key, entries[b].term, entries[b].key);
            return order < 0 || (order == 0 && a < b);
        });
    }
    const std::vector<std::uint32_t>& order() const { return order_; }

    // Whether `term` names an entry (of dictionary `source` only, when given), ignoring case.
    bool has(const std::u16string& term, std::optional<std::uint32_t> source = {}) const {
        const std::u16string key = text::foldAccents(term);
        // Equal ignoring case means equal keys: those entries stand together.
        auto at = std::lower_bound(order_.begin(), order_.end(), key,
                                   [this](std::uint32_t index, const std::u16string& wanted) {
                                       return text::collateKeys(entries_[index].key, wanted) < 0;
                                   });
        const std::u16string folded = text::foldCase(term);
        for (; at != order_.end() && entries_[*at].key == key; ++at) {
            if ((!source || entries_[*at].source == *source) &&
                text::foldCase(entries_[*at].term) == folded)
                return true;
        }
        return false;
    }

private:
    const std::vector<Entry>& entries_;
    std::vector<std::uint32_t> order_;
};

// Braces are cross-references where a dictionary uses them so, and labels such as Ding's {m}
// and {pl} where it does not. Labels are a small vocabulary used over and over of which few
// words name an entry of the dictionary itself: Ding has 56 different words in braces,
// thousands of times each, and 9 in 100 name one of its headwords; FOLDOC, the Jargon File,
// GCIDE, WordNet and FreeDict use each word in braces 1 to 8 times on average, and from 58 to
// 99 in 100 name their own headwords. So braces are labels when their words (of the first
// 10,000 different) come at least ten times each on average and fewer than one in four names
// a headword of the same dictionary.
Braces bracesOf(const Source& source, std::uint32_t number, const Terms& terms) {
    constexpr std::size_t kSample = 10000, kLongest = 800; // bytes of a reference at most
    std::unordered_set<std::u16string> seen;
    std::size_t named = 0, uses = 0;
    const std::string& data = source.data;
    for (std::size_t open = data.find('{'); open != std::string::npos && seen.size() < kSample;
         open = data.find('{', open + 1)) {
        const std::size_t close = data.find_first_of("{}", open + 1);
        if (close == std::string::npos)
            break;
        if (data[close] != '}' || close - open - 1 > kLongest)
            continue;
        const std::u16string target = referenceTarget(source.decode(open + 1, close - open - 1));
        if (target.empty())
            continue;
        ++uses;
        if (seen.insert(target).second && terms.has(target, number))
            ++named;
        open = close - 1;
    }
    return !seen.empty() && uses >= 10 * seen.size() && named * 4 < seen.size()
               ? Braces::Labels
               : Braces::References;
}

} // namespace

void importDictd(std::vector<DictdInput> dictionaries,
                 const std::function<void(DictionaryEntry&)>& each, DictdSummary* summary) {
    DictdSummary counts;
    std::vector<Entry> entries;
    std::vector<Source> sources;
    for (DictdInput& dictionary : dictionaries) {
        sources.push_back(dictd::readSource(dictionary, static_cast<std::uint32_t>(sources.size()),
                                            entries, counts));
        std::string().swap(dictionary.index);
        std::string().swap(dictionary.data);
    }
    for (const Source& source : sources)
        counts.sources.push_back(source.shortName);
    const Terms terms(entries);
    std::vector<Braces> braces;
    for (const Source& source : sources) {
        braces.push_back(bracesOf(source, static_cast<std::uint32_t>(braces.size()), terms));
        counts.labelDictionaries += braces.back() == Braces::Labels ? 1 : 0;
    }
    const std::function<bool(const std::u16string&)> isTerm = [&terms](const std::u16string& term) {
        return terms.has(term);
    };

    // Entries of one term stand together in the order: each run is one row.
    const std::vector<std::uint32_t>& order = terms.order();
    DictionaryEntry row;
    for (std::size_t start = 0; start < order.size();) {
        std::size_t end = start + 1;
        bool mixed = false;
        while (end < order.size() && entries[order[end]].term == entries[order[start]].term) {
            mixed = mixed || entries[order[end]].source != entries[order[start]].source;
            ++end;
        }
        std::u16string page;
        row.parts.clear();
        for (std::size_t i = start; i < end; ++i) {
            const Entry& entry = entries[order[i]];
            const Source& source = sources[entry.source];
            if (i > start)
                page += u"<hr>";
            if (mixed)
                page += u"<p><b>" + escapeHtml(source.shortName) + u"</b></p>";
            row.parts.push_back({entry.source, static_cast<std::uint32_t>(page.size())});
            if (!entry.wholeTerm.empty())
                page += u"<p>" + escapeHtml(entry.wholeTerm) + u"</p>";
            page += plainToHtml(entry.description ? source.description
                                                  : source.decode(entry.offset, entry.length),
                                isTerm, braces[entry.source]);
        }
        counts.entries += end - start;
        ++counts.rows;
        row.term = entries[order[start]].term;
        row.definition = std::move(page);
        each(row);
        start = end;
    }
    if (summary != nullptr)
        *summary = counts;
}

std::vector<DictionaryEntry> importDictd(const std::vector<DictdInput>& dictionaries,
                                         DictdSummary* summary) {
    std::vector<DictionaryEntry> rows;
    importDictd(
        dictionaries, [&rows](DictionaryEntry& row) { rows.push_back(std::move(row)); }, summary);
    return rows;
}
