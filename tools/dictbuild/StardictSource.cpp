#include "StardictSource.h"

#include "jet/TextCodec.h"

namespace dictd {

Source stardictSource(stardict::Dictionary dictionary, std::uint32_t number, Entries& entries,
                      DictdSummary& summary) {
    Source source;
    source.html = true;
    source.shortName = dictionary.shortName;
    source.title = dictionary.title.substr(0, kMaxTermLength);
    source.description = dictionary.description;
    entries.reserve(dictionary.entries.size() + 1);
    for (const stardict::Dictionary::Entry& item : dictionary.entries) {
        Entry entry;
        entry.source = number;
        entry.offset = item.offset;
        entry.length = item.length;
        const std::u16string headword = jet::fromUtf8(item.headword);
        if (headword.size() > kMaxTermLength)
            ++summary.shortened;
        entries.add(entry, headword);
    }
    if (!source.description.empty()) {
        Entry entry;
        entry.source = number;
        entry.description = true;
        entries.add(entry, source.title);
    }
    const std::string name = jet::toUtf8(source.shortName);
    if (dictionary.synonyms != 0)
        summary.notes.push_back(name + ": " + std::to_string(dictionary.synonyms) +
                                " synonyms added as headwords of their entries");
    source.data = std::move(dictionary.pages);
    return source;
}

} // namespace dictd
