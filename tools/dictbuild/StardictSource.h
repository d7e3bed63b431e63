#pragma once

#include "DictdEntries.h"
#include "StardictDictionary.h"

// A StarDict dictionary as one source of the import, beside dictd ones: its pages as the
// source's data, each headword and synonym an entry.
namespace dictd {

// Adds the entries of `dictionary` as source `number`; its synonyms become a note of the
// summary (what it left out is the caller's to tell, from dictionary.skipped).
Source stardictSource(stardict::Dictionary dictionary, std::uint32_t number, Entries& entries,
                      DictdSummary& summary);

} // namespace dictd
