#include "SetWordForms.h"

#include "WindowText.h"

#include "jet/Database.h"

const search::WordForms* SetWordForms::forms() {
    // Read at the first search that finds nothing, and again when other databases are shown:
    // the opened one's, else those of the first database added that has any.
    const std::vector<std::wstring> paths = owner_.paths();
    std::wstring key;
    for (const std::wstring& path : paths)
        key += path + L'\n';
    if (key != formsOf_) {
        formsOf_ = key;
        forms_.reset();
        for (const std::wstring& path : paths) {
            if (forms_)
                break;
            if (path != paths.front() && owner_.showsNothing(path))
                continue; // not opened while it shows nothing
            try {
                forms_ = search::WordForms::read(jet::Database::open(utf8(path)));
            } catch (const std::exception&) {
                // Damaged forms are no forms: the search stays as it is without them.
            }
        }
    }
    return forms_.get();
}

Glossary::Match SetWordForms::match(const Glossary& glossary, const std::u16string& text,
                                    std::u16string& note) {
    Glossary::Match none;
    const search::WordForms* forms = text.empty() ? nullptr : this->forms();
    if (forms == nullptr)
        return none;
    // The bases that are terms of the list (a damaged database lists fewer), the first shown.
    std::vector<std::u16string> bases;
    Glossary::Match first;
    for (const std::u16string& base : forms->basesOf(text)) {
        const Glossary::Match match = glossary.match(base);
        if (match.index < 0 || (match.found != Glossary::Found::Equal &&
                                match.found != Glossary::Found::EqualIgnoringAccents))
            continue;
        if (bases.empty())
            first = match;
        bases.emplace_back(glossary.term(static_cast<std::size_t>(match.index)));
    }
    if (bases.empty())
        return none;
    std::u16string typed = text;
    const std::size_t start = typed.find_first_not_of(u" \t");
    typed = typed.substr(start, typed.find_last_not_of(u" \t") + 1 - start);
    note = Glossary::formNote(typed, bases);
    return first;
}
