#include "WordForms.h"

#include "Words.h"

#include "jet/TextCodec.h"

#include <algorithm>

namespace search {

std::unique_ptr<WordForms> WordForms::read(const jet::Database& database) {
    const auto& tables = database.tables();
    if (std::none_of(tables.begin(), tables.end(),
                     [](const jet::TableInfo& table) { return table.name == kWordFormsTable; }))
        return nullptr;
    std::vector<WordForm> forms;
    for (jet::Recordset rows = database.openTable(kWordFormsTable); !rows.eof(); rows.moveNext()) {
        const jet::Value &form = rows.value(0), &base = rows.value(1);
        // A row that is not two texts is no form of anything: left out, as another reader would.
        if (form.kind != jet::Value::Kind::Text || base.kind != jet::Value::Kind::Text ||
            base.text.empty())
            continue;
        forms.push_back({jet::toUtf8(form.text), base.text});
    }
    return std::make_unique<WordForms>(std::move(forms));
}

WordForms::WordForms(std::vector<WordForm> forms) : forms_(std::move(forms)) {
    // Written sorted; sorted again in case another program wrote the table.
    std::stable_sort(forms_.begin(), forms_.end(),
                     [](const WordForm& a, const WordForm& b) { return a.form < b.form; });
}

std::vector<std::u16string> WordForms::basesOf(std::u16string_view typed) const {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0; };
    while (!typed.empty() && blank(typed.front()))
        typed.remove_prefix(1);
    while (!typed.empty() && blank(typed.back()))
        typed.remove_suffix(1);
    std::vector<std::u16string> bases;
    if (typed.empty())
        return bases;
    const std::string form = foldWord(typed);
    const auto [first, last] =
        std::equal_range(forms_.begin(), forms_.end(), WordForm{form, {}},
                         [](const WordForm& a, const WordForm& b) { return a.form < b.form; });
    for (auto at = first; at != last; ++at)
        bases.push_back(at->base);
    return bases;
}

} // namespace search
