#pragma once

#include "SourceChoice.h"

#include "Glossary.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Several databases shown as one glossary: each seen through the user's choice of its
// dictionaries, the dictionaries of them all in one order. A database whose remembered choice
// has every dictionary off is not opened at all.
namespace search {

struct SetMember {
    std::string path;                       // UTF-8
    std::vector<std::u16string> remembered; // its choice (rememberedForm), or none yet
};

// Whether a remembered choice names dictionaries and has every one of them off.
bool allOff(const std::vector<std::u16string>& remembered);

// The order of the set's dictionaries on a page: those of `remembered` (names, in the user's
// order) that are on in some database, then the others on, each database's in its own order.
std::vector<std::u16string> setOrder(const std::vector<SourceChoice>& choices,
                                     const std::vector<std::u16string>& remembered);

// A dictionary of the set: its database's place in the set and its place in that database's
// choice.
struct SourcePlace {
    std::size_t database = 0;
    std::size_t source = 0;
    bool operator==(const SourcePlace& other) const {
        return database == other.database && source == other.source;
    }
};

// Every dictionary of the set in one order: those `remembered` names first, in its order, then
// the others, each database's in its own order.
std::vector<SourcePlace> placesInOrder(const std::vector<SourceChoice>& choices,
                                       const std::vector<std::u16string>& remembered);

// The names of the dictionaries in the order `places` gives them.
std::vector<std::u16string> namesInOrder(const std::vector<SourceChoice>& choices,
                                         const std::vector<SourcePlace>& places);

// Each database's choice in the order of `places`, so that its remembered form keeps it.
void followOrder(std::vector<SourceChoice>& choices, const std::vector<SourcePlace>& places);

// The view of one database through its remembered choice; `choice` (if given) gets the choice.
// A database that cannot be read gives the view of all of it (the load says what is wrong).
// What narrows a database's choice further (a group of dictionaries): what it turns off is
// as if off.
using ChoiceFilter = std::function<void(SourceChoice&)>;

Glossary::Part partFor(const std::string& path, const std::vector<std::u16string>& remembered,
                       SourceChoice* choice = nullptr, const ChoiceFilter& narrow = {});

struct SetRead {
    Glossary glossary{{}, {}};
    std::vector<std::size_t> members;      // by part of the glossary: its member
    std::vector<Glossary::PartRead> reads; // by part
};

// Reads the members that have a dictionary on; the first alone is read as a database by itself.
// `most`: at most so many terms of each.
SetRead readSet(const std::vector<SetMember>& members,
                const std::vector<std::u16string>& rememberedOrder, std::size_t most = SIZE_MAX,
                const ChoiceFilter& narrow = {});

} // namespace search
