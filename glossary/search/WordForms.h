#pragma once

#include "jet/Database.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Word forms that lead to the terms they are forms of ("dogs" to "dog"), as the import found
// them with the spelling dictionaries it was given. Table WordForms (form Text, base Text):
// one row a form and base, sorted by form; the form folded as the full-text index folds its
// words (Words.h), the base as the spelling dictionary writes it, which the term search finds.
namespace search {

inline constexpr char16_t kWordFormsTable[] = u"WordForms";

struct WordForm {
    std::string form;    // folded, UTF-8
    std::u16string base; // a term of the database, up to case and accents
};

class WordForms {
public:
    // The forms of `database`, read whole; null when it has none (built without spelling
    // dictionaries, or before word forms were known). Throws JetError when the table cannot be
    // read.
    static std::unique_ptr<WordForms> read(const jet::Database& database);
    explicit WordForms(std::vector<WordForm> forms);

    // The bases of the typed word (blanks at either end ignored; case and accents too), in the
    // order the import found them; empty when it is no known form.
    std::vector<std::u16string> basesOf(std::u16string_view typed) const;
    std::size_t size() const { return forms_.size(); }
    const std::vector<WordForm>& all() const { return forms_; }

private:
    std::vector<WordForm> forms_; // sorted by form
};

} // namespace search
