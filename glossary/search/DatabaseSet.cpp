#include "DatabaseSet.h"

#include "FullTextIndex.h"
#include "SourceView.h"

#include "jet/Database.h"

#include <algorithm>
#include <memory>

namespace search {

bool allOff(const std::vector<std::u16string>& remembered) {
    bool named = false;
    for (const std::u16string& line : remembered) {
        if (line.empty() || (line[0] != u'+' && line[0] != u'-'))
            continue;
        if (line[0] == u'+')
            return false;
        named = true;
    }
    return named;
}

std::vector<std::u16string> setOrder(const std::vector<SourceChoice>& choices,
                                     const std::vector<std::u16string>& remembered) {
    std::vector<std::u16string> on, order;
    for (const SourceChoice& choice : choices) {
        for (const std::u16string& name : namesOn(choice))
            on.push_back(name);
    }
    const auto add = [&order](const std::u16string& name) {
        if (std::find(order.begin(), order.end(), name) == order.end())
            order.push_back(name);
    };
    for (const std::u16string& name : remembered) {
        if (std::find(on.begin(), on.end(), name) != on.end())
            add(name);
    }
    for (const std::u16string& name : on)
        add(name);
    return order;
}

std::vector<SourcePlace> placesInOrder(const std::vector<SourceChoice>& choices,
                                       const std::vector<std::u16string>& remembered) {
    std::vector<SourcePlace> places;
    for (std::size_t d = 0; d < choices.size(); ++d) {
        for (std::size_t s = 0; s < choices[d].size(); ++s)
            places.push_back({d, s});
    }
    const auto rank = [&](const SourcePlace& place) {
        const std::u16string& name = choices[place.database][place.source].name;
        return static_cast<std::size_t>(std::find(remembered.begin(), remembered.end(), name) -
                                        remembered.begin());
    };
    std::stable_sort(places.begin(), places.end(),
                     [&](const SourcePlace& a, const SourcePlace& b) { return rank(a) < rank(b); });
    return places;
}

std::vector<std::u16string> namesInOrder(const std::vector<SourceChoice>& choices,
                                         const std::vector<SourcePlace>& places) {
    std::vector<std::u16string> names;
    for (const SourcePlace& place : places)
        names.push_back(choices[place.database][place.source].name);
    return names;
}

void followOrder(std::vector<SourceChoice>& choices, const std::vector<SourcePlace>& places) {
    std::vector<SourceChoice> ordered(choices.size());
    for (const SourcePlace& place : places)
        ordered[place.database].push_back(choices[place.database][place.source]);
    choices = std::move(ordered);
}

Glossary::Part partFor(const std::string& path, const std::vector<std::u16string>& remembered,
                       SourceChoice* chosen, const ChoiceFilter& narrow) {
    Glossary::Part part;
    part.path = path;
    try {
        const jet::Database database = jet::Database::open(path);
        const std::vector<Source> sources = readSources(database);
        SourceChoice choice = applyRemembered(sources, remembered);
        if (narrow)
            narrow(choice);
        if (chosen != nullptr)
            *chosen = choice;
        if (sources.size() == 1)
            part.soleSource = sources.front().name;
        // Pages follow the dictionaries' order even where rows cannot be told apart.
        part.view.sourceOrder = namesOn(choice);
        const std::shared_ptr<const SourceView> view = SourceView::open(database, choice);
        if (!view)
            return part;
        part.view.listed = [view](std::uint32_t row) { return view->listed(row); };
        part.view.shown = [view](std::uint32_t row, const std::u16string& definition) {
            return view->shown(row, definition);
        };
    } catch (const std::exception&) {
        // Read as written: what is wrong with the file the load itself tells.
        part.view = Glossary::RowView();
    }
    return part;
}

SetRead readSet(const std::vector<SetMember>& members,
                const std::vector<std::u16string>& rememberedOrder, std::size_t most,
                const ChoiceFilter& narrow) {
    SetRead read;
    std::vector<Glossary::Part> parts;
    std::vector<SourceChoice> choices;
    for (std::size_t m = 0; m < members.size(); ++m) {
        if (allOff(members[m].remembered))
            continue; // costs nothing: not even opened
        choices.emplace_back();
        parts.push_back(partFor(members[m].path, members[m].remembered, &choices.back(), narrow));
        read.members.push_back(m);
    }
    // The database opened alone is read as ever; any other, alone or not, as a part of a set,
    // which names its path to the searches.
    if (parts.size() == 1 && read.members[0] == 0) {
        read.reads.resize(1);
        read.glossary = Glossary::load(parts[0].path, {}, &read.reads[0].failure,
                                       &read.reads[0].damage, parts[0].view, most);
        return read;
    }
    read.glossary =
        Glossary::loadSet(parts, setOrder(choices, rememberedOrder), &read.reads, {}, most);
    return read;
}

} // namespace search
