#include "DictdImport.h"

#include "Articles.h"
#include "DictdEntries.h"
#include "DictdTerms.h"
#include "StardictSource.h"
#include "dicttext/PlainToHtml.h"
#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace {

using dictd::Entries;
using dictd::Entry;
using dictd::Source;
using dictd::Terms;

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

// The page of one term's entries (numbers in `entries`, in order): each dictionary's entries
// under the term itself, then those that only mention it, one part each.
std::u16string rowPage(const std::vector<std::uint32_t>& here, const Entries& entries,
                       const std::vector<Source>& sources, const Terms& terms,
                       const std::function<bool(const std::u16string&)>& isTerm,
                       const std::vector<Braces>& braces, const std::vector<std::size_t>& widths,
                       bool marked, std::vector<DictionaryEntry::Part>& rowParts) {
    std::vector<std::uint32_t> sourcesHere;
    for (const std::uint32_t number : here) {
        const Entry& entry = entries[number];
        const std::uint32_t source = entry.source;
        if (std::find(sourcesHere.begin(), sourcesHere.end(), source) == sourcesHere.end())
            sourcesHere.push_back(source);
        if (!entry.description && !sources[source].html && braces[source] == Braces::References)
            terms.expect(std::string_view(sources[source].data).substr(entry.offset, entry.length));
    }
    terms.prefetch();
    std::vector<articles::Part> parts;
    std::vector<std::uint32_t> partSources;
    for (const std::uint32_t number : sourcesHere) {
        const Source& source = sources[number];
        for (const bool mention : {false, true}) {
            articles::Part part{source.shortName, mention, {}};
            for (const std::uint32_t at : here) {
                const Entry& entry = entries[at];
                if (entry.source != number || entry.mention != mention)
                    continue;
                if (!part.html.empty())
                    part.html += articles::kEntrySeparator;
                const std::u16string_view wholeTerm = entries.wholeTerm(entry);
                if (!wholeTerm.empty()) {
                    part.html += u"<p>";
                    appendEscapedHtml(part.html, wholeTerm);
                    part.html += u"</p>";
                }
                const std::u16string decoded = entry.description
                                                   ? std::u16string()
                                                   : source.decode(entry.offset, entry.length);
                const std::u16string_view text =
                    entry.description ? std::u16string_view(source.description) : decoded;
                if (source.html && !entry.description) {
                    part.html += text;
                } else {
                    // The headword phrase on a line of its own, its wrapped lines joined.
                    const std::size_t heading = entry.heading ? layout::headingLength(text) : 0;
                    if (heading != 0) {
                        std::u16string line(text.substr(0, heading));
                        std::replace(line.begin(), line.end(), u'\n', u' ');
                        appendPlainToHtml(part.html, line, isTerm, braces[number]);
                    }
                    appendPlainToHtml(part.html, text.substr(heading), isTerm, braces[number],
                                      widths[number]);
                }
            }
            if (!part.html.empty()) {
                parts.push_back(std::move(part));
                partSources.push_back(number);
            }
        }
    }
    // The search indexes each dictionary's part of the row apart, so it needs their places.
    std::vector<std::size_t> starts;
    std::u16string page = articles::write(parts, marked, &starts);
    rowParts.clear();
    for (std::size_t i = 0; i < starts.size(); ++i)
        rowParts.push_back({partSources[i], static_cast<std::uint32_t>(starts[i])});
    return page;
}

} // namespace

void importDictd(std::vector<DictdInput> dictionaries,
                 const std::function<void(DictionaryEntry&)>& each, DictdSummary* summary,
                 ImportProgress* progress) {
    DictdSummary counts;
    Entries entries;
    std::vector<Source> sources;
    std::vector<std::size_t> numbers; // each source's number for `progress`
    for (DictdInput& dictionary : dictionaries) {
        counts.perSource.emplace_back();
        const auto number = static_cast<std::uint32_t>(sources.size());
        if (progress != nullptr)
            numbers.push_back(progress->beginDictionary(
                jet::toUtf8(dictionary.stardict ? dictionary.stardict->shortName
                                                : dictd::nameOfIndex(dictionary.indexName))));
        if (dictionary.stardict) {
            // Told as the dictd entries left out are: in the dictionary's summary.
            for (const auto& [reason, count] : dictionary.stardict->skipped.reasons) {
                if (progress != nullptr)
                    progress->skipped(numbers.back(), reason, count);
                else
                    counts.notes.push_back(jet::toUtf8(dictionary.stardict->shortName) + ": " +
                                           std::to_string(count) + " " + reason);
            }
        }
        sources.push_back(
            dictionary.stardict
                ? dictd::stardictSource(std::move(*dictionary.stardict), number, entries, counts)
                : dictd::readSource(dictionary, number, entries, counts, progress));
        dictionary.stardict.reset();
        std::string().swap(dictionary.index);
        std::string().swap(dictionary.data);
    }
    entries.shrink();
    for (const Source& source : sources)
        counts.sources.push_back(source.shortName);
    if (progress != nullptr)
        progress->phase("sorting " + counted(entries.size(), "entry", "entries"));
    const Terms terms(entries);
    std::vector<Braces> braces;
    std::vector<std::size_t> widths;
    for (const Source& source : sources) {
        if (progress != nullptr)
            progress->phase(jet::toUtf8(source.shortName) + ": reading its layout");
        // An HTML source's description alone is plain text, on lines ended on purpose.
        if (source.html) {
            widths.push_back(layout::kNotWrapped);
            braces.push_back(Braces::Labels);
            continue;
        }
        widths.push_back(layout::wrapWidthOf(source.data));
        braces.push_back(bracesOf(source, static_cast<std::uint32_t>(braces.size()), terms));
        counts.labelDictionaries += braces.back() == Braces::Labels ? 1 : 0;
    }
    const std::function<bool(const std::u16string&)> isTerm = [&terms](const std::u16string& term) {
        return terms.has(term);
    };

    // Entries of one term stand together in the order: each run is one row. Terms equal but
    // for case share their letters, so they stand in one run of equal keys.
    const std::vector<std::uint32_t>& order = terms.order();
    DictionaryEntry row;
    std::vector<std::u16string> folded;
    std::vector<std::uint32_t> here, sourcesHere;
    for (std::size_t keyStart = 0; keyStart < order.size();) {
        std::size_t keyEnd = keyStart + 1;
        const std::u16string_view key = entries.key(entries[order[keyStart]]);
        while (keyEnd < order.size() && entries.key(entries[order[keyEnd]]) == key)
            ++keyEnd;
        std::vector<std::pair<std::size_t, std::size_t>> rows; // runs of one term
        folded.clear();
        for (std::size_t start = keyStart; start < keyEnd;) {
            std::size_t end = start + 1;
            const std::u16string_view term = entries.term(entries[order[start]]);
            while (end < keyEnd && entries.term(entries[order[end]]) == term)
                ++end;
            rows.emplace_back(start, end);
            folded.push_back(rows.size() > 1 || keyEnd - keyStart > end - start
                                 ? text::foldCase(term)
                                 : std::u16string());
            start = end;
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const auto [start, end] = rows[r];
            // One text of one dictionary under one term is one entry, however often its index
            // names it (GCIDE's repeats 861 lines) or its data holds it (Ding's "Abbindeprüfung"
            // twice): texts are compared only among one term's entries of one length.
            here.clear();
            sourcesHere.clear();
            for (std::size_t i = start; i < end; ++i) {
                const Entry& entry = entries[order[i]];
                const bool repeated = std::any_of(here.begin(), here.end(), [&](std::uint32_t at) {
                    const Entry& other = entries[at];
                    const std::string& data = sources[entry.source].data;
                    return other.source == entry.source && other.length == entry.length &&
                           other.description == entry.description &&
                           other.heading == entry.heading &&
                           (other.offset == entry.offset ||
                            data.compare(other.offset, other.length, data, entry.offset,
                                         entry.length) == 0);
                });
                DictdSourceSummary& ofSource = counts.perSource[entry.source];
                if (repeated) {
                    ++ofSource.repeated;
                    continue;
                }
                here.push_back(order[i]);
                ++ofSource.entries;
                if (std::find(sourcesHere.begin(), sourcesHere.end(), entry.source) ==
                    sourcesHere.end()) {
                    sourcesHere.push_back(entry.source);
                    ++ofSource.headwords;
                }
            }
            // Marked for the glossary when another row is this term in another case.
            const bool joined =
                std::count(folded.begin(), folded.end(), folded[r]) > 1 && !folded[r].empty();
            row.term = entries.term(entries[order[start]]);
            row.definition =
                rowPage(here, entries, sources, terms, isTerm, braces, widths, joined, row.parts);
            counts.entries += here.size();
            ++counts.rows;
            each(row);
            if (progress != nullptr && counts.rows % 4096 == 0)
                progress->phase("writing pages", counts.rows, order.size());
        }
        keyStart = keyEnd;
    }
    if (progress != nullptr) {
        for (std::size_t number = 0; number < sources.size(); ++number) {
            const DictdSourceSummary& ofSource = counts.perSource[number];
            progress->skipped(numbers[number],
                              "repeated entries (the same headword and text as another)",
                              ofSource.repeated);
            progress->skipped(numbers[number],
                              "entries without a headword (neither the index nor the text "
                              "names one)",
                              ofSource.unnamed);
            progress->endDictionary(numbers[number], ofSource.entries, ofSource.headwords);
        }
    }
    if (summary != nullptr)
        *summary = counts;
}

std::vector<DictionaryEntry> importDictd(const std::vector<DictdInput>& dictionaries,
                                         DictdSummary* summary, ImportProgress* progress) {
    std::vector<DictionaryEntry> rows;
    importDictd(
        dictionaries, [&rows](DictionaryEntry& row) { rows.push_back(std::move(row)); }, summary,
        progress);
    return rows;
}
