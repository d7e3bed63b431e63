// Several databases read as one glossary: their terms merged in the order of terms, a term
// that several have listed once, its page joining their definitions.
#include "Glossary.h"

#include "Articles.h"

#include "text/Folding.h"

#include <algorithm>
#include <mutex>
#include <queue>

struct Glossary::SetState {
    struct Ref {
        std::uint32_t part;
        std::uint32_t local; // the term's place in its part's list
    };
    struct PartState {
        Read read;
        std::vector<std::uint32_t> entryOfLocal;
        std::u16string soleSource;
        std::string path;
        std::size_t listed = 0; // its terms listed (read.terms goes once merged)
    };
    std::vector<PartState> parts;
    std::vector<std::uint32_t> refStart; // by entry, and one past the last
    std::vector<Ref> refs;
    mutable std::mutex mutex;
    mutable std::vector<std::string> lost; // by part: why its definitions can no longer be read
};

namespace {

// The terms without accents, in the layout of `terms`: the first comparison of the order.
TermList keysOf(const TermList& terms) {
    TermList keys = TermList::fromText(text::foldAccents(terms.text()), terms.size());
    for (std::size_t i = keys.size(); i < terms.size(); ++i)
        keys.add(text::foldAccents(terms[i]));
    return keys;
}

// A database of one dictionary marks no part with its name: marked here, so that the page
// places it among the other databases' dictionaries.
std::u16string markedWith(const std::u16string& source, std::u16string definition) {
    if (source.empty())
        return definition;
    std::vector<articles::Part> parts = articles::split(definition);
    bool named = false;
    for (articles::Part& part : parts) {
        named = named || !part.source.empty();
        if (part.source.empty())
            part.source = source;
    }
    return named ? definition : articles::write(parts, true);
}

} // namespace

Glossary Glossary::loadSet(const std::vector<Part>& parts, const std::vector<std::u16string>& order,
                           std::vector<PartRead>* reads, UpperCase upper, std::size_t most) {
    auto state = std::make_shared<SetState>();
    std::vector<TermList> keys;
    if (reads != nullptr)
        reads->assign(parts.size(), PartRead());
    for (std::size_t p = 0; p < parts.size(); ++p) {
        PartRead outcome;
        SetState::PartState part;
        part.read = read(parts[p].path, &outcome.failure, &outcome.damage, parts[p].view, most);
        part.soleSource = parts[p].soleSource;
        part.path = parts[p].path;
        part.entryOfLocal.assign(part.read.terms.size(), 0);
        keys.push_back(keysOf(part.read.terms));
        state->parts.push_back(std::move(part));
        if (reads != nullptr)
            (*reads)[p] = std::move(outcome);
    }
    state->lost.assign(parts.size(), std::string());
    // Each part's terms are in the order of terms already: merged, a term equal in several
    // parts becomes one entry.
    const auto later = [&](const SetState::Ref& a, const SetState::Ref& b) {
        const TermList &termsA = state->parts[a.part].read.terms,
                       &termsB = state->parts[b.part].read.terms;
        const int compared = text::collate(termsA[a.local], keys[a.part][a.local], termsB[b.local],
                                           keys[b.part][b.local]);
        return compared > 0 || (compared == 0 && a.part > b.part);
    };
    std::priority_queue<SetState::Ref, std::vector<SetState::Ref>, decltype(later)> heads(later);
    std::size_t total = 0;
    for (std::uint32_t p = 0; p < state->parts.size(); ++p) {
        total += state->parts[p].read.terms.size();
        if (!state->parts[p].read.terms.empty())
            heads.push({p, 0});
    }
    TermList terms;
    terms.reserve(total);
    state->refs.reserve(total);
    state->refStart.reserve(total + 1);
    while (!heads.empty()) {
        const SetState::Ref next = heads.top();
        heads.pop();
        SetState::PartState& part = state->parts[next.part];
        const std::u16string_view term = part.read.terms[next.local];
        const bool same = !terms.empty() && terms[terms.size() - 1] == term &&
                          state->refs.back().part != next.part;
        if (!same) {
            state->refStart.push_back(static_cast<std::uint32_t>(state->refs.size()));
            terms.add(term);
        }
        part.entryOfLocal[next.local] = static_cast<std::uint32_t>(terms.size() - 1);
        state->refs.push_back(next);
        if (next.local + 1 < part.read.terms.size())
            heads.push({next.part, next.local + 1});
    }
    state->refStart.push_back(static_cast<std::uint32_t>(state->refs.size()));
    keys.clear();
    // The merged list holds them now: each part's own copy goes.
    for (SetState::PartState& part : state->parts) {
        part.listed = part.read.terms.size();
        part.read.terms = TermList();
    }
    DefinitionReader definitionAt = [state](std::size_t index, std::vector<std::u16string>& into) {
        for (std::uint32_t r = state->refStart[index]; r < state->refStart[index + 1]; ++r) {
            const SetState::Ref ref = state->refs[r];
            {
                const std::lock_guard<std::mutex> lock(state->mutex);
                if (!state->lost[ref.part].empty())
                    continue; // left out since it failed
            }
            const SetState::PartState& part = state->parts[ref.part];
            const auto lost = [&state, &ref](std::string why) {
                const std::lock_guard<std::mutex> lock(state->mutex);
                if (state->lost[ref.part].empty())
                    state->lost[ref.part] = why.empty() ? "it cannot be read" : std::move(why);
            };
            if (auto text = part.read.definition(ref.local, lost))
                into.push_back(markedWith(part.soleSource, std::move(*text)));
        }
    };
    Glossary glossary(
        std::move(terms), std::move(definitionAt),
        upper ? upper : UpperCase([](const std::u16string& text) { return text::foldCase(text); }));
    glossary.sourceOrder_ = order;
    glossary.set_ = std::move(state);
    return glossary;
}

int Glossary::entryOfPartRow(std::size_t part, std::uint32_t row) const {
    if (!set_)
        return part == 0 ? entryOfRow(row) : -1;
    if (part >= set_->parts.size())
        return -1;
    const SetState::PartState& state = set_->parts[part];
    const std::vector<std::uint32_t>& rows = *state.read.tableRows;
    const auto at = std::lower_bound(rows.begin(), rows.end(), row);
    if (at == rows.end() || *at != row)
        return -1;
    return static_cast<int>(state.entryOfLocal[static_cast<std::size_t>(at - rows.begin())]);
}

std::vector<std::pair<std::string, std::string>> Glossary::lostParts() const {
    std::vector<std::pair<std::string, std::string>> lost;
    if (!set_)
        return lost;
    const std::lock_guard<std::mutex> lock(set_->mutex);
    for (std::size_t p = 0; p < set_->lost.size(); ++p) {
        if (!set_->lost[p].empty())
            lost.emplace_back(set_->parts[p].path, set_->lost[p]);
    }
    return lost;
}

std::vector<std::pair<std::string, std::size_t>> Glossary::parts() const {
    std::vector<std::pair<std::string, std::size_t>> parts;
    if (set_) {
        for (const SetState::PartState& part : set_->parts)
            parts.emplace_back(part.path, part.listed);
    }
    return parts;
}
