#include "StardictDictionary.h"

#include "StardictIndex.h"
#include "StardictInfo.h"
#include "jet/TextCodec.h"

namespace stardict {

namespace {

std::u16string nameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ifo") == 0)
        name.resize(name.size() - 4);
    return jet::fromUtf8(name);
}

} // namespace

Dictionary readDictionary(const Input& input) {
    const Info info = parseInfo(input.info, input.infoName);
    const std::vector<IndexEntry> index = parseIndex(input.index, input.indexName, info);
    std::vector<Synonym> synonyms;
    if (!input.synonymsName.empty())
        synonyms = parseSynonyms(input.synonyms, input.synonymsName, info);
    else if (info.synwordcount != 0)
        throw FormatError(input.infoName, "names " + std::to_string(info.synwordcount) +
                                              " synonyms (synwordcount), but no .syn file is "
                                              "beside it");
    Dictionary dictionary;
    dictionary.shortName = nameOf(input.infoName);
    dictionary.title = jet::fromUtf8(info.bookname);
    if (dictionary.title.empty())
        dictionary.title = dictionary.shortName;
    // Descriptions mark their line breaks with <br>; the dictionary's own entry is plain text.
    std::string description = info.description;
    for (std::size_t at = description.find("<br>"); at != std::string::npos;
         at = description.find("<br>", at))
        description.replace(at, 4, "\n");
    dictionary.description = jet::fromUtf8(description);
    if (!info.website.empty())
        dictionary.description +=
            (dictionary.description.empty() ? u"" : u"\n\n") + jet::fromUtf8(info.website);
    dictionary.entries.reserve(index.size() + synonyms.size());
    // Entries of the index that could show nothing, so that their synonyms go too.
    std::vector<bool> empty(index.size(), false);
    for (std::size_t i = 0; i < index.size(); ++i) {
        const IndexEntry& item = index[i];
        const std::string where = input.indexName + ": entry " + std::to_string(i + 1) + " \"" +
                                  std::string(item.headword) + "\"";
        if (item.offset > input.data.size() || item.size > input.data.size() - item.offset)
            throw FormatError(where, "lies at bytes " + std::to_string(item.offset) + " to " +
                                         std::to_string(item.offset + item.size) +
                                         ", past the end of " + input.dataName + " (" +
                                         std::to_string(input.data.size()) +
                                         " bytes): the data is cut short or belongs to another "
                                         "dictionary");
        const std::u16string page =
            entryHtml(std::string_view(input.data).substr(item.offset, item.size),
                      info.sametypesequence, where, dictionary.skipped);
        if (page.empty() || item.headword.empty()) {
            empty[i] = true;
            dictionary.skipped.add(page.empty() ? "entries with nothing the glossary can show"
                                                : "entries without a headword");
            continue;
        }
        const std::string html = jet::toUtf8(page);
        // Places are kept in 32 bits, as the dictd import keeps them.
        if (dictionary.pages.size() + html.size() > UINT32_MAX)
            throw FormatError(input.dataName, "the pages grow past 4 GB");
        dictionary.entries.push_back({std::string(item.headword),
                                      static_cast<std::uint32_t>(dictionary.pages.size()),
                                      static_cast<std::uint32_t>(html.size())});
        dictionary.pages += html;
    }
    // Each index entry's page, by its number, for its synonyms.
    std::vector<std::uint32_t> entryOf(index.size(), 0);
    for (std::size_t i = 0, kept = 0; i < index.size(); ++i) {
        if (!empty[i])
            entryOf[i] = static_cast<std::uint32_t>(kept++);
    }
    for (const Synonym& synonym : synonyms) {
        if (empty[synonym.entry] || synonym.word.empty()) {
            dictionary.skipped.add("synonyms of entries left out");
            continue;
        }
        // A synonym that is its entry's own headword would show the entry twice.
        if (synonym.word == index[synonym.entry].headword)
            continue;
        Dictionary::Entry entry = dictionary.entries[entryOf[synonym.entry]];
        entry.headword = synonym.word;
        dictionary.entries.push_back(std::move(entry));
        ++dictionary.synonyms;
    }
    dictionary.skipped.add("files of the res folder (pictures, sounds), which dictbuild leaves "
                           "out",
                           input.resourceFiles);
    return dictionary;
}

} // namespace stardict
