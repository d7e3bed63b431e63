// Any bytes as a typed query and as blocks of the full-text index: the query parser and the
// index reader must answer or refuse (IndexError), never crash, hang or read outside the bytes.
#include "search/IndexFormat.h"
#include "search/Query.h"
#include "search/Wildcard.h"
#include "search/Words.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    const search::Query query = search::parseQuery(text);
    (void)query.words();
    search::forEachWord(text, true, [](const std::string&, std::size_t) {});
    (void)search::matchesWildcard(text.substr(0, text.size() / 2), text.substr(text.size() / 2));
    try {
        std::vector<search::Posting> postings;
        for (const std::string& word : search::wordsOf(bytes))
            search::findWord(bytes, word, postings);
    } catch (const search::IndexError&) {
    }
    try {
        std::vector<search::Entry> entries;
        search::readEntries(bytes, entries);
    } catch (const search::IndexError&) {
    }
    return 0;
}
