// Word forms with Hunspell's real dictionaries (English, German, French): on entries written
// here and on the Jargon File, imported as dictbuild imports them.
#include "SearchTestDatabase.h"

#include "dictbuild/DictdImport.h"
#include "jet/TextCodec.h"
#include "search/WordForms.h"
#include "search/Words.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace {

std::vector<SpellingFiles> languages() {
    const char* directory = std::getenv("HUNSPELL_DIR");
    if (directory == nullptr)
        return {};
    std::vector<SpellingFiles> files;
    for (const char* name : {"en_US", "de_DE", "fr"}) {
        const std::string base = std::string(directory) + "/" + name;
        if (!std::ifstream(base + ".dic"))
            return {};
        files.push_back({base + ".aff", base + ".dic"});
    }
    return files;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::u16string> bases(const search::WordForms& forms, const std::u16string& word) {
    return forms.basesOf(word);
}

} // namespace

TEST(RealWordForms, RegularFormsOfThreeLanguagesLeadToTheirTerms) {
    if (languages().empty())
        FAIL() << "HUNSPELL_DIR names no dictionaries (scripts/fetch-hunspell.sh fetches them)";
    const std::vector<DictionaryEntry> entries = {
        {u"dog", std::u16string(u"Dogs bark; two dogs walked home."), {}},
        {u"walk", std::u16string(u"To go on foot."), {}},
        {u"Haus", std::u16string(u"house; <i>pl.</i> H&auml;user, des Hauses"), {}},
        {u"cheval", std::u16string(u"horse; les chevaux"), {}},
        {u"home", std::u16string(u"Where one lives."), {}},
        {u"gram", std::u16string(u"A unit of mass."), {}},
        {u"program", std::u16string(u"Programs run."), {}},
    };
    SearchTestDatabase db(entries, {u"test"}, false, languages());
    const std::unique_ptr<search::WordForms> forms = search::WordForms::read(db.database);
    ASSERT_NE(forms, nullptr);
    EXPECT_EQ(bases(*forms, u"dogs"), (std::vector<std::u16string>{u"dog"}));
    EXPECT_EQ(bases(*forms, u"WALKED"), (std::vector<std::u16string>{u"walk"}));
    EXPECT_EQ(bases(*forms, u"Häuser"), (std::vector<std::u16string>{u"Haus"}));
    EXPECT_EQ(bases(*forms, u"Hauses"), (std::vector<std::u16string>{u"Haus"}));
    EXPECT_EQ(bases(*forms, u"chevaux"), (std::vector<std::u16string>{u"cheval"}));
    EXPECT_EQ(bases(*forms, u"programs"), (std::vector<std::u16string>{u"program"}))
        << "the reading with the fewest affixes: not pro-gram-s";
    EXPECT_TRUE(bases(*forms, u"home").empty()) << "a term is no form";
    EXPECT_TRUE(bases(*forms, u"bark").empty()) << "a word whose base is no term leads nowhere";
}

TEST(RealWordForms, JargonFileWordsLeadToItsTermsAndNeverFromOne) {
    const char* directory = std::getenv("DICTIONARY_DIR");
    if (languages().empty() || directory == nullptr)
        FAIL() << "HUNSPELL_DIR or DICTIONARY_DIR names no dictionaries";
    const std::string base = std::string(directory) + "/jargon";
    std::vector<DictdInput> inputs = {
        {base + ".index", slurp(base + ".index"), base + ".dict.dz", slurp(base + ".dict.dz")}};
    ASSERT_FALSE(inputs[0].index.empty());
    DictdSummary summary;
    std::vector<DictionaryEntry> rows = importDictd(inputs, &summary);
    SearchTestDatabase db(std::move(rows), summary.sources, false, languages());
    const std::unique_ptr<search::WordForms> forms = search::WordForms::read(db.database);
    ASSERT_NE(forms, nullptr);
    EXPECT_GT(forms->size(), 300u);
    EXPECT_EQ(bases(*forms, u"Robots"), (std::vector<std::u16string>{u"robot"}));
    EXPECT_EQ(bases(*forms, u"cookbooks"), (std::vector<std::u16string>{u"cookbook"}));

    std::set<std::string> terms;
    for (const std::u16string& term : db.terms)
        terms.insert(search::foldWord(term));
    for (const search::WordForm& form : forms->all()) {
        ASSERT_EQ(terms.count(form.form), 0u) << form.form << " is a term";
        ASSERT_EQ(terms.count(search::foldWord(form.base)), 1u)
            << jet::toUtf8(form.base) << " is no term";
    }
}
