// Word forms with Hunspell's real dictionaries (English, German, French): on entries written
// here and on the Jargon File, imported as dictbuild imports them.
#include "SearchTestDatabase.h"

#include "dictbuild/DictdImport.h"
#include "jet/Recordset.h"
#include "jet/TextCodec.h"
#include "search/IndexFormat.h"
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

namespace {

// Every `step`-th index line of a dictionary, its headers and the lines of `headwords`, over
// the whole data: the authors' own text, quick to import.
DictdInput excerpt(const std::string& name, std::size_t step,
                   const std::set<std::string>& headwords) {
    const char* directory = std::getenv("DICTIONARY_DIR");
    const std::string base = std::string(directory == nullptr ? "" : directory) + "/" + name;
    std::istringstream index(slurp(base + ".index"));
    std::string kept;
    std::size_t number = 0;
    for (std::string line; std::getline(index, line); ++number) {
        const std::string headword = line.substr(0, line.find('\t'));
        if (headword.rfind("00-database-", 0) == 0 || headwords.count(headword) != 0 ||
            number % step == 0)
            kept += line + "\n";
    }
    return DictdInput{base + ".index", kept, base + ".dict.dz", slurp(base + ".dict.dz")};
}

// The full-text index's words of a database: each row's first word and block.
std::vector<std::pair<std::u16string, std::string>> indexWords(const jet::Database& database) {
    std::vector<std::pair<std::u16string, std::string>> rows;
    jet::Recordset table = database.openTable(search::kWordsTable);
    for (table.moveFirst(); !table.eof(); table.moveNext())
        rows.emplace_back(table.value(0).text, table.value(1).bytes);
    return rows;
}

} // namespace

TEST(RealWordForms, ReadInOnePassWithTheIndexTheyAreTheFormsFoundApart) {
    if (languages().empty() || std::getenv("DICTIONARY_DIR") == nullptr)
        FAIL() << "HUNSPELL_DIR or DICTIONARY_DIR names no dictionaries";
    // Ding's capitalised nouns and umlauts, GCIDE's capitalised headwords and entities, and
    // rows that join three dictionaries' parts under their headings.
    const std::set<std::string> shared = {"house", "haus", "run", "set", "dog", "program"};
    DictdSummary summary;
    const std::vector<DictionaryEntry> rows =
        importDictd({excerpt("german-english", 150, shared), excerpt("gcide", 300, shared),
                     excerpt("foldoc", 60, shared)},
                    &summary);
    ASSERT_GT(rows.size(), 2000u);
    // Without the index's words, the forms read every text themselves.
    const SearchTestDatabase apart(rows, summary.sources, false, languages());
    const SearchTestDatabase together(rows, summary.sources, true, languages());
    const SearchTestDatabase indexAlone(rows, summary.sources, true);
    const std::unique_ptr<search::WordForms> formsApart = search::WordForms::read(apart.database),
                                             formsTogether =
                                                 search::WordForms::read(together.database);
    ASSERT_NE(formsApart, nullptr);
    ASSERT_NE(formsTogether, nullptr);
    EXPECT_GT(formsApart->size(), 100u);
    ASSERT_EQ(formsTogether->size(), formsApart->size());
    for (std::size_t i = 0; i < formsApart->size(); ++i) {
        const search::WordForm &one = formsApart->all()[i], &other = formsTogether->all()[i];
        ASSERT_EQ(one.form + " " + jet::toUtf8(one.base),
                  other.form + " " + jet::toUtf8(other.base))
            << "row " << i << " of the word forms";
    }
    const auto words = indexWords(together.database);
    EXPECT_GT(words.size(), 10u);
    EXPECT_TRUE(words == indexWords(indexAlone.database))
        << "the index's words are the same with the word forms read beside them";
}
