#include "Glossary.h"

#include "jet/Database.h"

#include <algorithm>
#include <new>

namespace {

constexpr std::size_t kTermColumn = 1;
constexpr std::size_t kDefinitionColumn = 2;

} // namespace

std::u16string simpleUpperCase(const std::u16string& text) {
    std::u16string upper = text;
    for (char16_t& c : upper) {
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
            (c >= 0x430 && c <= 0x44F))
            c = static_cast<char16_t>(c - 32);
        else if (c >= 0x450 && c <= 0x45F)
            c = static_cast<char16_t>(c - 80);
        else if (c == 0xFF)
            c = 0x178;
    }
    return upper;
}

Glossary Glossary::load(const std::string& path, UpperCase upper) {
    std::vector<std::u16string> terms;
    std::vector<std::optional<std::u16string>> definitions;
    try {
        const jet::Database database = jet::Database::open(path);
        // Only the two columns shown are read: damage anywhere else loses nothing.
        for (jet::Recordset rows = database.openTable(u"Dict", {kTermColumn, kDefinitionColumn}); !rows.eof();
             rows.moveNext()) {
            const jet::Value& term = rows.value(kTermColumn);
            if (term.isNull())
                continue; // nothing to list
            const jet::Value& definition = rows.value(kDefinitionColumn);
            terms.push_back(term.text);
            definitions.push_back(definition.isNull() ? std::nullopt : std::optional<std::u16string>(definition.text));
        }
    } catch (const JetError&) {
        // Reading stops at the first failure; what was read is kept.
    } catch (const std::bad_alloc&) {
        // So does a file that asks for more memory than there is.
        terms.resize(std::min(terms.size(), definitions.size()));
        definitions.resize(terms.size());
    }
    return Glossary(std::move(terms), std::move(definitions), std::move(upper));
}

Glossary::Glossary(std::vector<std::u16string> terms, std::vector<std::optional<std::u16string>> definitions,
                   UpperCase upper)
    : terms_(std::move(terms)), definitions_(std::move(definitions)),
      upper_(upper ? std::move(upper) : UpperCase(simpleUpperCase)) {
    upperTerms_.reserve(terms_.size());
    for (std::size_t i = 0; i < terms_.size(); ++i) {
        upperTerms_.push_back(upper_(terms_[i]));
        firstRecord_.emplace(terms_[i], i); // keeps the first of equal terms
    }
}

int Glossary::search(const std::u16string& text) const {
    const std::u16string wanted = upper_(text);
    for (std::size_t i = 0; i < upperTerms_.size(); ++i) {
        if (upperTerms_[i].compare(0, wanted.size(), wanted) == 0 && upperTerms_[i].size() >= wanted.size())
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::u16string> Glossary::definitionOf(const std::u16string& term) const {
    const auto found = firstRecord_.find(term);
    if (found == firstRecord_.end() || found->second >= definitions_.size())
        return std::nullopt;
    return definitions_[found->second];
}

std::u16string Glossary::page(const std::u16string& term, const std::u16string& definition) {
    return u"<B><font color=#336699 face= 'MS Sans Serif' Size=3>" + term +
           u":</B></font><BR><BR><font face = 'MS Sans Serif' color = 'black' size = 2><p class='MsoNormal' "
           u"style='text-align:justify'>" +
           definition + u"</font>";
}
