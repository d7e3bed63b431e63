#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

// The text of one StarDict entry: its fields, each of a type named by a letter (given once for
// the whole dictionary by sametypesequence, or before each field), made one glossary page.
namespace stardict {

// What was left out, and why: counts by reason, for the import's summary.
struct Skipped {
    std::map<std::string, std::size_t> reasons;
    void add(const std::string& reason, std::size_t count = 1) {
        if (count != 0)
            reasons[reason] += count;
    }
};

// The entry's page (HTML, UTF-16) from its bytes: text types as stardict:: markup turns them
// into HTML, fields one after another on lines of their own; pictures, sounds and other
// resources, and types the glossary cannot show, left out and counted in `skipped`. Empty when
// nothing of the entry can be shown. Throws FormatError naming `where` when a field runs past
// the entry's end.
std::u16string entryHtml(std::string_view bytes, const std::string& sameTypes,
                         const std::string& where, Skipped& skipped);

} // namespace stardict
