#pragma once

#include "Glossary.h"
#include "search/WordForms.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The word forms of the databases shown (their table WordForms, which the import's spelling
// dictionaries fill): a word that no term begins with is found as a form of a term ("dogs"
// shows "dog"). A database without them searches as before.
class SetWordForms {
public:
    struct Owner {
        std::function<std::vector<std::wstring>()> paths; // the set shown, the opened one first
        // Whether an added database shows nothing (every dictionary off): not opened for forms.
        std::function<bool(const std::wstring& path)> showsNothing;
    };

    explicit SetWordForms(Owner owner) : owner_(std::move(owner)) {}
    SetWordForms(const SetWordForms&) = delete;
    SetWordForms& operator=(const SetWordForms&) = delete;

    // The term of `glossary` that `text` is a form of, with the page's note that says so
    // (`note`); index -1 when it is none or the databases know no forms.
    Glossary::Match match(const Glossary& glossary, const std::u16string& text,
                          std::u16string& note);

private:
    const search::WordForms* forms();

    Owner owner_;
    std::unique_ptr<search::WordForms> forms_; // read when a search first finds nothing
    std::wstring formsOf_;                     // the databases they are of
};
