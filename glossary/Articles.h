#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A definition made of dictionaries' parts, as the dictd import writes it. Each part starts
// with a comment naming its dictionary (when the term is written in other cases too), which no
// reader shows: "<!--from gcide-->" for the
// entries written under the term itself, "<!--from gcide, mention-->" for entries filed under
// a word they only mention (GCIDE files "Sundog" under "dog"). A row whose parts come from more
// than one dictionary names each before its first part, so that any reader shows the names.
// The glossary joins the rows of one term written in other cases into one page.
namespace articles {

struct Part {
    std::u16string source; // the dictionary's short name; empty for a definition without marks
    bool mention = false;
    std::u16string html; // without the mark and the heading
};

// The mark that starts a part.
std::u16string mark(const std::u16string& source, bool mention);

// The heading that names a dictionary before its part (visibly set apart).
std::u16string heading(const std::u16string& source);

// Between two entries of one dictionary.
inline constexpr std::u16string_view kEntrySeparator = u"<hr>";

// A row's definition from its parts, in order; headings when they come from more than one
// dictionary, before each dictionary's first part. Marks only when `marked`: a row that no
// other row joins needs none. `starts` receives where each part begins in the definition.
std::u16string write(const std::vector<Part>& parts, bool marked = true,
                     std::vector<std::size_t>* starts = nullptr);

// The parts of a definition; one without marks is one part of no dictionary.
std::vector<Part> split(std::u16string_view definition);

// One page from the definitions of a term's rows: `rows[0]` the term's own, then those of the
// term written in other cases. Each dictionary's parts under one heading (when there is more
// than one dictionary), the term's own case first within each and entries that only mention
// the term after the rest of their dictionary. `order` (the database's dictionaries, in the
// user's order) ranks the dictionaries, others following; with more than one there, every
// page names its dictionaries, also a single one. Without it, the dictionaries with entries
// under the term itself come first, its own case first.
std::u16string join(const std::vector<std::u16string>& rows,
                    const std::vector<std::u16string>& order = {});

} // namespace articles
