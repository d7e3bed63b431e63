#pragma once

#include "FullTextIndex.h"

#include <cstdint>
#include <string>
#include <vector>

// Which of a database's source dictionaries the user has on, and in what order. Remembered by
// the sources' names, so that a database built again (sources added, dropped or numbered
// otherwise) keeps what still applies.
namespace search {

struct SourceSetting {
    std::uint32_t number = 0; // in the database's Sources
    std::u16string name;
    std::uint32_t entries = 0;
    bool on = true;
};
using SourceChoice = std::vector<SourceSetting>;

// The database's sources in the remembered order and states, matched by name: sources the
// remembered form does not name follow, on; names the database no longer has are dropped.
SourceChoice applyRemembered(const std::vector<Source>& sources,
                             const std::vector<std::u16string>& remembered);

// The form a choice is remembered in: one text a source, in order, "+" or "-" before its name.
std::vector<std::u16string> rememberedForm(const SourceChoice& choice);

// Whether the choice shows every source in the database's own order: the pages as written.
bool changesNothing(const SourceChoice& choice);

// The names of the sources on, in the chosen order: the order of a page's dictionaries.
std::vector<std::u16string> namesOn(const SourceChoice& choice);

} // namespace search
