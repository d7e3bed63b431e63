// Word forms: which words of an import lead to which terms, and the lookup of a typed word,
// with spelling dictionaries played by the test so that every answer is known.
#include "SearchTestDatabase.h"

#include "dictbuild/SpellingAlphabet.h"

#include "jet/TextCodec.h"
#include "jetwriter/JetWriter.h"
#include "search/IndexBuilder.h"
#include "search/WordForms.h"
#include "search/WordFormsBuilder.h"
#include "search/Words.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <mutex>
#include <set>

namespace {

using Pairs = std::vector<std::pair<std::string, std::u16string>>;

Pairs pairsOf(const std::vector<search::WordForm>& forms) {
    Pairs pairs;
    for (const search::WordForm& form : forms)
        pairs.emplace_back(form.form, form.base);
    return pairs;
}

// A spelling dictionary that knows the stems given, and notes every word it is asked about.
struct FakeLanguage {
    std::map<std::string, std::vector<std::string>> stems;
    std::set<std::string> asked;
    std::vector<std::string> inOrder;
    std::mutex mutex;

    search::WordFormsBuilder::Stems function() {
        return [this](const std::string& word) {
            const std::lock_guard<std::mutex> lock(mutex);
            asked.insert(word);
            inOrder.push_back(word);
            const auto found = stems.find(word);
            return found == stems.end() ? std::vector<std::string>() : found->second;
        };
    }
};

std::vector<search::WordForm> resolve(const std::vector<std::u16string>& terms,
                                      const std::u16string& text,
                                      std::vector<FakeLanguage*> languages) {
    search::WordFormsBuilder builder;
    for (const std::u16string& term : terms)
        builder.addTerm(term);
    builder.addText(text);
    std::vector<search::WordFormsBuilder::Stems> stems;
    for (FakeLanguage* language : languages)
        stems.push_back(language->function());
    return builder.resolve(stems);
}

} // namespace

TEST(WordForms, WrittenWordsKeepCaseAndAccentsAndSkipMarkup) {
    std::vector<std::u16string> found;
    search::forEachWrittenWord(u"<b>Häuser</b>, yeux&nbsp;d&#x2019;&#339;il x-ray", true,
                               [&](std::u16string_view word) { found.emplace_back(word); });
    EXPECT_EQ(found,
              (std::vector<std::u16string>{u"Häuser", u"yeux", u"d", u"\u0153il", u"x", u"ray"}));
}

TEST(WordForms, AWordThatIsNoTermLeadsToItsBasesThatAreTerms) {
    FakeLanguage english;
    english.stems = {{"dogs", {"dog"}}, {"Dogs", {"dog"}},         {"walked", {"walk"}},
                     {"ran", {"run"}},  {"axes", {"axe", "axis"}}, {"cats", {"cat"}},
                     {"Two", {"two"}}};
    const std::vector<search::WordForm> forms =
        resolve({u"dog", u"Walk", u"run", u"axe", u"axis", u"two"},
                u"<p>Two dogs walked; Dogs ran, cats ran. A dog. axes</p>", {&english});
    EXPECT_EQ(pairsOf(forms), (Pairs{{"axes", u"axe"},
                                     {"axes", u"axis"},
                                     {"dogs", u"dog"},
                                     {"ran", u"run"},
                                     {"walked", u"walk"}}))
        << "sorted by form, once for Dogs and dogs; cats has no base among the terms";
    EXPECT_FALSE(english.asked.count("dogs")) << "capitalised, it is asked about once";
    EXPECT_FALSE(english.asked.count("dog")) << "a term is no form of another";
    EXPECT_FALSE(english.asked.count("Two")) << "nor a term written in another case";
    EXPECT_TRUE(english.asked.count("cats"));
}

TEST(WordForms, FormsAreFoldedAndEachLanguageIsAskedInItsTurn) {
    FakeLanguage german, french;
    german.stems = {{"Häuser", {"häuser", "Haus"}}, {"ging", {"gehen"}}};
    french.stems = {{"chevaux", {"cheval"}}, {"Häuser", {"haus"}}, {"yeux", {"œil"}}};
    const std::vector<search::WordForm> forms =
        resolve({u"Haus", u"gehen", u"cheval", u"\u0153il"},
                u"Die Häuser; er ging. Les chevaux, les yeux. 1999 a", {&german, &french});
    EXPECT_EQ(pairsOf(forms), (Pairs{{"chevaux", u"cheval"},
                                     {"ging", u"gehen"},
                                     {"hauser", u"Haus"},
                                     {"yeux", u"\u0153il"}}))
        << "häuser is no term; haus is the same base as Haus";
    EXPECT_FALSE(french.asked.count("1999")) << "numbers are no words";
    EXPECT_FALSE(french.asked.count("a")) << "nor single letters";
}

TEST(WordForms, TheFirstLanguageThatKnowsAWordDecidesItsBases) {
    FakeLanguage english, french;
    english.stems = {{"programs", {"program"}}, {"reeves", {"reeve"}}};
    french.stems = {{"programs", {"gram"}}, {"reeves", {"eve"}}, {"grammes", {"gram"}}};
    const std::vector<search::WordForm> forms =
        resolve({u"program", u"gram", u"eve"}, u"programs, reeves, grammes", {&english, &french});
    EXPECT_EQ(pairsOf(forms), (Pairs{{"grammes", u"gram"}, {"programs", u"program"}}))
        << "English knows reeves, though its base is no term";
}

TEST(WordForms, AWordNoLanguageMaySpellIsNeverAskedAbout) {
    FakeLanguage english;
    english.stems = {{"dogs", {"dog"}}};
    search::WordFormsBuilder builder(
        [](std::u16string_view word) { return word.find(u'\u02C8') == word.npos; });
    builder.addTerm(u"dog");
    builder.addText(u"dogs d\u02C8\u0254gz");
    EXPECT_EQ(builder.candidateCount(), 2u) << "dog and dogs; the transcription is not kept";
    EXPECT_EQ(pairsOf(builder.resolve({english.function()})), (Pairs{{"dogs", u"dog"}}));
    EXPECT_EQ(english.asked, (std::set<std::string>{"dogs"}));
}

TEST(WordForms, ASpellingDictionarysLettersAreThoseOfItsFilesInEitherCase) {
    const std::string affixes = testing::TempDir() + "letters.aff",
                      words = testing::TempDir() + "letters.dic";
    std::ofstream(affixes) << "SET UTF-8\nSFX S Y 1\nSFX S 0 s .\n";
    std::ofstream(words) << "2\nhaus/S\nStra\u00DFe\n";
    const SpellingAlphabet letters({affixes, words});
    EXPECT_FALSE(letters.spells(u"H\u00E4user")) << "no \u00E4 in either file";
    EXPECT_TRUE(letters.spells(u"HAUS"));
    EXPECT_TRUE(letters.spells(u"stra\u00DFe"));
    EXPECT_FALSE(letters.spells(u"h\u02C8a\u028As")) << "a transcription";
    EXPECT_FALSE(letters.spells(u"\u0434\u043E\u043C")) << "Cyrillic";
    std::remove(affixes.c_str());
    std::remove(words.c_str());
    EXPECT_THROW(SpellingAlphabet({affixes, words}), std::runtime_error);
}

TEST(WordForms, ReadWithTheIndexTheWordsAreTheSameAndAskedInTheSameOrder) {
    // Two dictionaries' parts of one row: capitals, entities inside words, accents, a word
    // too long to be one, and the same words again in the second part.
    const std::u16string term = u"Haus";
    const std::u16string first = u"<p>H&auml;user, des Hauses; HAUSES hauses Dogs</p>";
    const std::u16string second = u"<hr><p>dogs DOGS caf&eacute; Caf\u00E9 x-ray Hauses " +
                                  std::u16string(70, u'a') + u" d&#x2019;og</p>";
    FakeLanguage apartLanguage, sharedLanguage;
    for (FakeLanguage* language : {&apartLanguage, &sharedLanguage})
        language->stems = {{"H\u00E4user", {"Haus"}}, {"HAUSES", {"Haus"}}, {"Dogs", {"Dog"}}};

    search::WordFormsBuilder apart;
    apart.addTerm(term);
    apart.addText(first + second);
    search::WordFormsBuilder shared;
    search::IndexBuilder index;
    shared.noteTerm(term);
    index.addEntry(0, 0, 0, term, first, &shared);
    index.addEntry(0, 1, static_cast<std::uint32_t>(first.size()), term, second, &shared);
    EXPECT_EQ(shared.candidateCount(), apart.candidateCount());
    const std::vector<search::WordForm> apartForms = apart.resolve({apartLanguage.function()});
    EXPECT_EQ(pairsOf(shared.resolve({sharedLanguage.function()})), pairsOf(apartForms));
    EXPECT_EQ(sharedLanguage.inOrder, apartLanguage.inOrder);
    EXPECT_EQ(apartLanguage.inOrder,
              (std::vector<std::string>{"H\u00E4user", "des", "Hauses", "HAUSES", "Dogs", "DOGS",
                                        "Caf\u00E9", "ray", "og"}))
        << "in the order first read; a word in lower case is asked about capitalised alone";
}

TEST(WordForms, WithoutLanguagesNothingIsFound) {
    EXPECT_TRUE(resolve({u"dog"}, u"dogs", {}).empty());
}

TEST(WordForms, ATypedWordFindsItsBasesIgnoringCaseAccentsAndBlanks) {
    const search::WordForms forms(
        {{"hauser", u"Haus"}, {"axes", u"axe"}, {"dogs", u"dog"}, {"axes", u"axis"}});
    EXPECT_EQ(forms.basesOf(u" DOGS "), (std::vector<std::u16string>{u"dog"}));
    EXPECT_EQ(forms.basesOf(u"Häuser"), (std::vector<std::u16string>{u"Haus"}));
    EXPECT_EQ(forms.basesOf(u"hauser"), (std::vector<std::u16string>{u"Haus"}));
    EXPECT_EQ(forms.basesOf(u"axes"), (std::vector<std::u16string>{u"axe", u"axis"}))
        << "in the order the import found them";
    EXPECT_TRUE(forms.basesOf(u"dog").empty());
    EXPECT_TRUE(forms.basesOf(u"do").empty()) << "a form is found whole, not by its beginning";
    EXPECT_TRUE(forms.basesOf(u"  ").empty());
}

TEST(WordForms, ADatabaseWithoutTheTableHasNoForms) {
    SearchTestDatabase db({{u"dog", std::u16string(u"Two dogs."), {}}}, {u"test"}, true);
    EXPECT_EQ(search::WordForms::read(db.database), nullptr);
}

TEST(WordForms, TheTableIsReadAsWrittenAndRowsOfOtherKindsAreLeftOut) {
    jet::JetWriter writer;
    const std::size_t table = writer.addTable(
        search::kWordFormsTable, {{u"form", jet::kText, 255}, {u"base", jet::kText, 255}});
    const auto text = [](std::u16string content) {
        jet::Value value;
        value.kind = jet::Value::Kind::Text;
        value.text = std::move(content);
        return value;
    };
    // Another program may write the rows in any order.
    writer.addRow(table, {text(u"walked"), text(u"walk")});
    writer.addRow(table, {text(u"dogs"), text(u"dog")});
    writer.addRow(table, {text(u"mice"), jet::Value()});
    writer.addRow(table, {text(u"ran"), text(u"")});
    const jet::Database database = jet::Database::fromBytes(writer.finish());
    const std::unique_ptr<search::WordForms> forms = search::WordForms::read(database);
    ASSERT_NE(forms, nullptr);
    EXPECT_EQ(forms->size(), 2u);
    EXPECT_EQ(forms->basesOf(u"Walked"), (std::vector<std::u16string>{u"walk"}));
    EXPECT_EQ(forms->basesOf(u"dogs"), (std::vector<std::u16string>{u"dog"}));
    EXPECT_TRUE(forms->basesOf(u"mice").empty());
}
