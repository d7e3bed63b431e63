#pragma once

#include "Articles.h"
#include "Reply.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// A DICT server's definitions as parts of a glossary page: one part for each database, in the
// order the server sent them, its entries read as the dictd import reads local text (the same
// layout rules, braces as links), so that a served dictionary reads as the imported one.
namespace dict {

// The text of each database a session has read, so far as it tells the column its lines are
// wrapped at (the import reads it from the whole dictionary; a server gives a few entries at a
// time). Bounded: a database's first 256 KiB, 4 MiB in all (a database past it is read as a
// text whose width is not known).
class LayoutSamples {
public:
    void add(const std::vector<Definition>& definitions);
    // The column `database`'s text is wrapped at, as far as its text read so far tells.
    std::size_t wrapWidth(const std::string& database) const;

private:
    struct Sample {
        std::string text;
        std::size_t width = 0;
    };
    std::map<std::string, Sample> samples_;
    std::size_t bytes_ = 0;
};

// `isTerm` tells which braces link (the window may know the server's words, or take all).
// `samples` learns each database's layout from the definitions, and the session's others.
std::vector<articles::Part>
definitionParts(const std::vector<Definition>& definitions,
                const std::function<bool(const std::u16string&)>& isTerm, LayoutSamples& samples);

} // namespace dict
