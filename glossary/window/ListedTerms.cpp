#include "ListedTerms.h"

#include <algorithm>
#include <string>

void ListedTerms::only(std::vector<std::uint32_t> entries) {
    listed_ = std::move(entries);
    filtered_ = true;
}

void ListedTerms::every() {
    filtered_ = false;
    listed_.clear();
    listed_.shrink_to_fit();
}

int ListedTerms::itemOf(std::size_t entry) const {
    if (!filtered_)
        return entry < glossary_.size() ? static_cast<int>(entry) : -1;
    const auto at = std::find(listed_.begin(), listed_.end(), entry);
    return at == listed_.end() ? -1 : static_cast<int>(at - listed_.begin());
}

int ListedTerms::itemWithInitial(wchar_t letter, int caret) const {
    if (filtered_) {
        const std::u16string initial = glossary_.folded(std::u16string(1, letter));
        for (std::size_t step = 1; step <= listed_.size(); ++step) {
            const std::size_t item =
                (static_cast<std::size_t>(caret + 1) + step - 1) % listed_.size();
            const std::u16string_view term = glossary_.term(listed_[item]);
            if (!term.empty() && glossary_.folded(std::u16string(term.substr(0, 1))) == initial)
                return static_cast<int>(item);
        }
        return -2;
    }
    const int found = glossary_.nextWithInitial(static_cast<char16_t>(letter), caret);
    return found >= 0 ? found : -2;
}

std::vector<std::uint32_t>
ListedTerms::entriesOfRows(const std::vector<std::uint32_t>& rows) const {
    // The index counts the table's rows. A term of several databases is found in each: listed
    // once, where it is first found.
    std::vector<std::uint32_t> entries;
    entries.reserve(rows.size());
    std::vector<bool> listed(glossary_.parts().size() > 1 ? glossary_.size() : 0, false);
    for (const std::uint32_t row : rows) {
        const int entry = glossary_.entryOfRow(row);
        if (entry < 0)
            continue;
        if (!listed.empty()) {
            if (listed[static_cast<std::size_t>(entry)])
                continue;
            listed[static_cast<std::size_t>(entry)] = true;
        }
        entries.push_back(static_cast<std::uint32_t>(entry));
    }
    return entries;
}
