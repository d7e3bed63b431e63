#include "Query.h"

#include "Words.h"

#include <algorithm>

namespace search {

std::vector<std::string> Query::words() const {
    std::vector<std::string> all;
    for (const std::vector<std::string>& group : groups) {
        for (const std::string& word : group) {
            if (std::find(all.begin(), all.end(), word) == all.end())
                all.push_back(word);
        }
    }
    return all;
}

Query parseQuery(std::u16string_view text) {
    Query query;
    const auto addGroup = [&query](std::u16string_view part) {
        std::vector<std::string> group;
        forEachWord(part, false,
                    [&group](const std::string& word, std::size_t) { group.push_back(word); });
        if (!group.empty())
            query.groups.push_back(std::move(group));
    };
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == u'"') {
            const std::size_t close = std::min(text.find(u'"', i + 1), text.size());
            addGroup(text.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != u'"' && text[end] != u' ' && text[end] != u'\t' &&
               text[end] != 0x3000 && text[end] != 0xA0)
            ++end;
        // "run*ing" outside quotes is two words, not a phrase.
        for (std::size_t piece = i; piece < end;) {
            const std::size_t stop = std::min(text.find_first_of(u"*?", piece), end);
            if (stop > piece)
                addGroup(text.substr(piece, stop - piece));
            piece = stop + 1;
        }
        i = end < text.size() && text[end] != u'"' ? end + 1 : end;
    }
    return query;
}

bool hasWildcards(std::u16string_view text) {
    return text.find_first_of(u"*?") != std::u16string_view::npos;
}

} // namespace search
