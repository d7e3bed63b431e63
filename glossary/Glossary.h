#pragma once

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The glossary's data and rules, apart from any window: the terms in table order, their
// definitions, the prefix search and the page text.
class Glossary {
public:
    using UpperCase = std::function<std::u16string(const std::u16string&)>;

    // Reads table Dict of the database: column 1 the term, column 2 the definition. A missing
    // or damaged file gives the terms read before the failure (often none); nothing is thrown.
    static Glossary load(const std::string& path, UpperCase upper = UpperCase());
    Glossary(std::vector<std::u16string> terms, std::vector<std::optional<std::u16string>> definitions,
             UpperCase upper = UpperCase());

    const std::vector<std::u16string>& terms() const { return terms_; }

    // First index whose term begins with `text`, comparing upper case; -1 when none. The
    // empty text matches the first term.
    int search(const std::u16string& text) const;

    // The definition of the first record whose term equals `term` exactly; nothing when there
    // is no such record or its definition is null (the page then stays as it is).
    std::optional<std::u16string> definitionOf(const std::u16string& term) const;

    // The page shown for a term: fixed mark-up around the term and its definition, unescaped.
    static std::u16string page(const std::u16string& term, const std::u16string& definition);

private:
    std::vector<std::u16string> terms_;
    std::vector<std::optional<std::u16string>> definitions_;
    std::vector<std::u16string> upperTerms_;
    std::unordered_map<std::u16string, std::size_t> firstRecord_;
    UpperCase upper_;
};

// Upper case for the search where the system offers none: ASCII, Latin-1, Greek and Cyrillic.
std::u16string simpleUpperCase(const std::u16string& text);
