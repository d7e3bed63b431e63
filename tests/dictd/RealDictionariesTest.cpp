// The import on real dictionaries that no one here wrote (FOLDOC, the Jargon File, V.E.R.A.,
// GCIDE, WordNet, Ding both ways, FreeDict French-English and German-English), written into one
// database and read back by the glossary's own reader.
#include "Articles.h"
#include "Glossary.h"
#include "dictbuild/DictdEntries.h"
#include "dictbuild/DictdFormat.h"
#include "dictbuild/DictdImport.h"
#include "dicttext/PlainToHtml.h"
#include "jet/Database.h"
#include "jet/TextCodec.h"
#include "jetwriter/JetWriter.h"
#include "text/Folding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>

namespace {

// The three smaller dictionaries whole; of the larger ones every 25th index line, the
// headers, headwords longer than a term may be, and those the checks below name. (Whole, the
// import under the sanitizers takes minutes; bench.sh times it on all of them.)
const char* const kWhole[] = {"foldoc", "jargon", "vera", "freedict-fra-eng"};
const char* const kSliced[] = {"gcide", "wn", "german-english", "english-german",
                               "freedict-deu-eng"};

std::string slice(const std::string& index) {
    static const std::set<std::string> named = {"aal",
                                                "Aal",
                                                "dog",
                                                "Dog",
                                                "canis",
                                                "Canis",
                                                "domestic dog",
                                                "ecologist",
                                                "haus",
                                                "strasse",
                                                "stra\xC3\x9F"
                                                "e",
                                                "Stra\xC3\x9F"
                                                "e"};
    std::istringstream in(index);
    std::string kept;
    std::size_t number = 0;
    for (std::string line; std::getline(in, line); ++number) {
        const std::string headword = line.substr(0, line.find('\t'));
        if (number % 25 == 0 || headword.rfind("00", 0) == 0 || headword.size() > 255 ||
            named.count(headword) != 0)
            kept += line + "\n";
    }
    return kept;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::u16string trimmed(const std::u16string& text) {
    const std::size_t first = text.find_first_not_of(u" \t\r");
    return first == std::u16string::npos
               ? u""
               : text.substr(first, text.find_last_not_of(u" \t\r") - first + 1);
}

bool isHeader(const std::string& headword) {
    return headword.rfind("00-database-", 0) == 0 || headword.rfind("00database", 0) == 0;
}

// Letters and digits, in one case: general punctuation and Latin-1's symbols are none.
std::u16string lettersOf(const std::u16string& text) {
    std::u16string letters;
    for (const char16_t c : text) {
        if ((c < 0x80 && std::isalnum(c)) || c == 0xAA || c == 0xB5 || c == 0xBA ||
            (c >= 0xC0 && c != 0xD7 && c != 0xF7 && (c < 0x2000 || c > 0x206F)))
            letters += c;
    }
    return text::foldCase(letters);
}

// Whether the index keeps only letters, digits and blanks, in lower case, as dictfmt writes
// one by default. On these dictionaries ASCII tells: GCIDE keeps capitals, the others that
// do not keep punctuation.
bool normalised(const DictdInput& input) {
    for (const dictd::IndexEntry& item : dictd::parseIndex(input.index, input.indexName)) {
        if (!isHeader(item.headword) &&
            std::any_of(item.headword.begin(), item.headword.end(), [](char c) {
                return c > 0 && c != ' ' && !std::islower(c) && !std::isdigit(c);
            }))
            return false;
    }
    return true;
}

// The term an index entry becomes, and the text its page shows: the entry's first line when
// it equals the headword ignoring case, or in a `normalised` index has its letters and digits
// (then the rest of the text, unless the line was taken out of its frame), else the headword.
std::u16string termOf(const dictd::IndexEntry& item, const std::string& data, bool normalised,
                      std::string& text) {
    text = data.substr(item.offset, item.length);
    const std::string firstLine = text.substr(0, text.find('\n'));
    const std::u16string headword = trimmed(jet::fromUtf8(item.headword));
    const std::u16string written = trimmed(jet::fromUtf8(firstLine));
    if (!written.empty() &&
        (headword.empty() || text::foldCase(written) == text::foldCase(headword) ||
         (normalised && lettersOf(written) == lettersOf(headword)))) {
        const std::u16string term(normalised ? dictd::unframed(written) : written);
        if (term == written)
            text = text.substr(std::min(text.size(), firstLine.size() + 1));
        return term.substr(0, kMaxTermLength);
    }
    return headword.substr(0, kMaxTermLength);
}

// Thirty entries of each dictionary, always the same.
std::vector<dictd::IndexEntry> sample(const DictdInput& input) {
    std::vector<dictd::IndexEntry> entries;
    for (const dictd::IndexEntry& item : dictd::parseIndex(input.index, input.indexName)) {
        if (!isHeader(item.headword))
            entries.push_back(item);
    }
    std::mt19937 random(2026);
    std::vector<dictd::IndexEntry> picked;
    for (int pick = 0; pick < 30 && !entries.empty(); ++pick)
        picked.push_back(entries[random() % entries.size()]);
    return picked;
}

struct Real {
    std::vector<DictdInput> inputs;
    std::vector<std::string> data;
    std::vector<bool> normalised; // each input's index
    DictdSummary summary;
    std::vector<std::u16string> terms; // in table order, as read back
    std::set<std::u16string> foldedTerms;
    // The definitions of FOLDOC's terms, the sampled ones and a few more, as read back.
    std::map<std::u16string, std::u16string> definitionOf;
};

const Real& real() {
    static const Real loaded = [] {
        Real real;
        const char* directory = std::getenv("DICTIONARY_DIR");
        if (directory == nullptr)
            return real;
        std::set<std::u16string> wanted = {u"<g>", u"Stra\u00DFe", u"stra\u00DFe", u"dog",
                                           u"Dog", u"Aal",         u"Haus",        u"hack",
                                           u"TCP", u"manger"};
        std::vector<std::pair<const char*, bool>> names;
        for (const char* name : kWhole)
            names.emplace_back(name, false);
        for (const char* name : kSliced)
            names.emplace_back(name, true);
        for (const auto& [name, sliced] : names) {
            const std::string base = std::string(directory) + "/" + name;
            const std::string index = slurp(base + ".index");
            real.inputs.push_back(DictdInput{base + ".index", sliced ? slice(index) : index,
                                             base + ".dict.dz", slurp(base + ".dict.dz")});
            real.data.push_back(
                dictd::readData(real.inputs.back().data, real.inputs.back().dataName));
            real.normalised.push_back(normalised(real.inputs.back()));
            const bool everyTerm = real.inputs.size() == 1; // FOLDOC
            std::string text;
            for (const dictd::IndexEntry& item :
                 everyTerm ? dictd::parseIndex(real.inputs.back().index, base)
                           : sample(real.inputs.back()))
                wanted.insert(termOf(item, real.data.back(), real.normalised.back(), text));
        }
        jet::WriterOptions options;
        options.mixedCompression = true;
        jet::JetWriter writer(options);
        const std::size_t table = writer.addTable(u"Dict", {{u"id", jet::kLong, 0, true},
                                                            {u"term", jet::kText, 255},
                                                            {u"definition", jet::kMemo}});
        std::vector<jet::Value> row(3);
        row[1].kind = row[2].kind = jet::Value::Kind::Text;
        importDictd(
            real.inputs,
            [&](DictionaryEntry& entry) {
                row[0] = jet::Value();
                row[1].text = std::move(entry.term);
                row[2].text = std::move(entry.definition.value());
                writer.addRow(table, row);
            },
            &real.summary);
        const jet::Database database = jet::Database::fromBytes(writer.finish());
        for (jet::Recordset rows = database.openTable(u"Dict"); !rows.eof(); rows.moveNext()) {
            const std::u16string& term = rows.value(1).text;
            real.terms.push_back(term);
            real.foldedTerms.insert(text::foldCase(term));
            if (wanted.count(term) != 0)
                real.definitionOf.emplace(term, rows.value(2).text);
        }
        return real;
    }();
    return loaded;
}

std::string collapsed(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else if (c != '{' && c != '}') {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// What a reader sees of a definition: the mark-up removed, entities read.
std::string visibleText(const std::u16string& html) {
    // Blocks end with a space, links leave none.
    std::string text = std::regex_replace(jet::toUtf8(html), std::regex("</?(p|pre|hr|br)>"), " ");
    text = std::regex_replace(text, std::regex("<[^>]*>"), "");
    for (const auto& [entity, character] :
         {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
        text = std::regex_replace(text, std::regex(entity), character);
    return collapsed(text);
}

// What a reader sees of an entry: {term} shows the term, {label (address)} the label and
// {(address)} the address.
std::string visibleText(const std::string& entry) {
    static const std::regex reference(R"(\{([^{}]*)\})");
    static const std::regex address(R"(^(.*?)\s*\(((?:https?://|mailto:)[^\s()]*)\)$)");
    std::string text;
    auto last = entry.cbegin();
    for (auto match = std::sregex_iterator(entry.begin(), entry.end(), reference);
         match != std::sregex_iterator(); ++match) {
        text.append(last, (*match)[0].first);
        const std::string content = collapsed((*match)[1].str());
        std::smatch parts;
        if (std::regex_match(content, parts, address))
            text += parts[1].str().empty() ? parts[2].str() : parts[1].str();
        else
            text += content;
        last = (*match)[0].second;
    }
    text.append(last, entry.cend());
    return collapsed(text);
}

class RealDictionaries : public ::testing::Test {
protected:
    void SetUp() override {
        if (real().inputs.empty())
            FAIL() << "DICTIONARY_DIR names no dictionaries (scripts/fetch-dictionaries.sh fetches "
                      "them)";
    }
};

} // namespace

TEST_F(RealDictionaries, EveryHeadwordIsATermShortenedOnesIncluded) {
    for (std::size_t i = 0; i < real().inputs.size(); ++i) {
        const DictdInput& input = real().inputs[i];
        std::size_t headwords = 0;
        std::string text;
        for (const dictd::IndexEntry& item : dictd::parseIndex(input.index, input.indexName)) {
            if (isHeader(item.headword))
                continue;
            ++headwords;
            const std::u16string term = termOf(item, real().data[i], real().normalised[i], text);
            ASSERT_EQ(real().foldedTerms.count(text::foldCase(term)), 1u)
                << input.indexName << ": " << item.headword;
        }
        EXPECT_GT(headwords, 1000u) << input.indexName;
    }
    EXPECT_GT(real().terms.size(), 100000u);
    EXPECT_EQ(real().summary.shortened, 4u) << "Ding's four longest";
}

TEST_F(RealDictionaries, ThirtyEntriesOfEachReadBackWithTheirWholeText) {
    for (std::size_t i = 0; i < real().inputs.size(); ++i) {
        const DictdInput& input = real().inputs[i];
        for (const dictd::IndexEntry& item : sample(input)) {
            std::string text;
            const auto found =
                real().definitionOf.find(termOf(item, real().data[i], real().normalised[i], text));
            ASSERT_NE(found, real().definitionOf.end()) << input.indexName << ": " << item.headword;
            EXPECT_NE(visibleText(found->second).find(visibleText(text)), std::string::npos)
                << input.indexName << ": " << item.headword << "\n"
                << visibleText(text) << "\n----\n"
                << visibleText(found->second);
        }
    }
}

TEST_F(RealDictionaries, InAlphabeticalOrderFoundWithOrWithoutAccents) {
    const std::vector<std::u16string>& terms = real().terms;
    for (std::size_t i = 1; i < terms.size(); ++i)
        ASSERT_LE(text::collate(terms[i - 1], terms[i]), 0) << i;
    const auto at = [&terms](const std::u16string& term) {
        return std::find(terms.begin(), terms.end(), term) - terms.begin();
    };
    EXPECT_LT(at(u"\u00E9cole"), at(u"Ecole Normale Superieure")) << "école sorts among the e";
    EXPECT_LT(at(u"\u00E9cole"), at(u"zoulou"));
    EXPECT_LT(at(u"\u00E9cole"), at(u"ecologist")) << "accents only count after the letters";
    Glossary glossary(terms, std::vector<std::optional<std::u16string>>(terms.size()));
    glossary.awaitIndex();
    const auto found = [&glossary](const std::u16string& text) {
        const int index = glossary.search(text);
        return index < 0 ? u"" : std::u16string(glossary.term(static_cast<std::size_t>(index)));
    };
    EXPECT_EQ(text::foldCase(found(u"STRASSE")).substr(0, 7), u"strasse") << "Stra\u00DFe";
    EXPECT_EQ(found(u"\u00C9COLE D"), u"\u00E9cole dagriculture");
    // A term with accents whose letters alone begin no term: found only ignoring accents.
    const std::set<std::u16string>& folded = real().foldedTerms;
    const auto accented = std::find_if(terms.begin(), terms.end(), [&](const std::u16string& t) {
        const std::u16string letters = text::foldAccents(t);
        const auto next = folded.lower_bound(letters);
        return letters != text::foldCase(t) &&
               (next == folded.end() || next->compare(0, letters.size(), letters) != 0);
    });
    ASSERT_NE(accented, terms.end());
    EXPECT_EQ(text::foldAccents(found(text::foldAccents(*accented))), text::foldAccents(*accented))
        << jet::toUtf8(*accented);
}

TEST_F(RealDictionaries, BracesLabelsOrLinksHeadingsAndSourceNames) {
    EXPECT_EQ(real().summary.labelDictionaries, 2u) << "Ding, both ways";
    const std::u16string& eel = real().definitionOf.at(u"Aal");
    EXPECT_NE(eel.find(u"{m}"), std::u16string::npos) << "Ding's labels are text";
    EXPECT_EQ(eel.find(u"<a href=\"#m\">"), std::u16string::npos);
    EXPECT_NE(real().definitionOf.at(u"dog").find(u"<a href=\"#domestic dog\">"),
              std::u16string::npos)
        << "WordNet's synonyms are links";
    EXPECT_NE(real().definitionOf.at(u"Dog").find(u"<a href=\"#Canis\">"), std::u16string::npos)
        << "and GCIDE's references";
    const std::u16string page = Glossary::page(u"<g>", real().definitionOf.at(u"<g>"));
    EXPECT_EQ(page.find(u"<g>"), std::u16string::npos);
    EXPECT_NE(page.find(u"&lt;g&gt;:"), std::u16string::npos) << "the heading keeps its term";
    EXPECT_TRUE(std::any_of(real().definitionOf.begin(), real().definitionOf.end(),
                            [](const auto& entry) {
                                const std::size_t foldoc =
                                    entry.second.find(articles::heading(u"foldoc"));
                                return foldoc != std::u16string::npos &&
                                       entry.second.find(articles::heading(u"jargon"), foldoc) !=
                                           std::u16string::npos;
                            }))
        << "a page of two dictionaries names each before its part, by its short name";
}

TEST_F(RealDictionaries, DogAndStrassePagesShowEveryCaseEachDictionaryOnce) {
    const std::vector<std::u16string>& terms = real().terms;
    std::vector<std::optional<std::u16string>> definitions(terms.size());
    for (std::size_t i = 0; i < terms.size(); ++i) {
        const auto found = real().definitionOf.find(terms[i]);
        if (found != real().definitionOf.end())
            definitions[i] = found->second;
    }
    const Glossary glossary(terms, definitions);
    glossary.awaitIndex();
    const auto pageOf = [&glossary](const std::u16string& typed) {
        const Glossary::Match match = glossary.match(typed);
        EXPECT_EQ(match.found, Glossary::Found::Equal) << jet::toUtf8(typed);
        return match.index < 0
                   ? u""
                   : *glossary.definitionShownFor(static_cast<std::size_t>(match.index));
    };
    const std::u16string dog = pageOf(u"dog");
    const std::size_t wordnet = dog.find(articles::heading(u"wn")),
                      gcide = dog.find(articles::heading(u"gcide"));
    EXPECT_EQ(dog.find(articles::heading(u"foldoc")), 0u) << "the first with an entry for dog";
    EXPECT_LT(wordnet, gcide) << "WordNet's dog before GCIDE's, which files Sundog under dog";
    EXPECT_NE(gcide, std::u16string::npos);
    EXPECT_EQ(dog.find(articles::heading(u"gcide"), gcide + 1), std::u16string::npos);
    EXPECT_LT(dog.find(u"Dog \\Dog\\"), dog.find(u"Sundog \\Sun"))
        << "GCIDE's own Dog before the article that mentions dog";
    EXPECT_LT(gcide, dog.find(u"Dog \\Dog\\"));
    EXPECT_EQ(glossary.term(static_cast<std::size_t>(glossary.search(u"Dog"))), u"Dog");
    const std::u16string street = pageOf(u"stra\u00DFe");
    EXPECT_NE(street.find(articles::heading(u"freedict-deu-eng")), std::u16string::npos);
    EXPECT_NE(street.find(articles::heading(u"german-english")), std::u16string::npos)
        << "Ding's Stra\u00DFe on FreeDict's stra\u00DFe page";
    for (const char16_t* title : {u"Dictionary devel", u"Ding/FreeDict"})
        EXPECT_EQ(street.find(title), std::u16string::npos) << "short names, not titles";
}

TEST_F(RealDictionaries, FoldocCrossReferencesToHeadwordsAreLinksAndTheRestText) {
    const DictdInput& foldoc = real().inputs[0];
    std::size_t links = 0, texts = 0;
    for (const dictd::IndexEntry& item : dictd::parseIndex(foldoc.index, foldoc.indexName)) {
        if (isHeader(item.headword))
            continue;
        std::string text;
        const auto found =
            real().definitionOf.find(termOf(item, real().data[0], real().normalised[0], text));
        ASSERT_NE(found, real().definitionOf.end()) << item.headword;
        const std::u16string& definition = found->second;
        static const std::regex reference(R"(\{([^{}]*)\})");
        for (auto match = std::sregex_iterator(text.begin(), text.end(), reference);
             match != std::sregex_iterator(); ++match) {
            const std::u16string target = jet::fromUtf8(collapsed((*match)[1].str()));
            // Addresses, and braces in program text.
            if (target.empty() || target.find(u"://") != std::u16string::npos ||
                target.find(u"mailto:") == 0 || target.find(u"news:") != std::u16string::npos ||
                target.find_first_of(u";=\"") != std::u16string::npos)
                continue;
            const std::u16string href = u"<a href=\"#" + escapeHtml(target) + u"\">";
            if (real().foldedTerms.count(text::foldCase(target)) != 0) {
                ++links;
                EXPECT_NE(definition.find(href), std::u16string::npos)
                    << item.headword << ": {" << (*match)[1] << "}";
            } else {
                ++texts;
                EXPECT_EQ(definition.find(href), std::u16string::npos) << item.headword;
                EXPECT_NE(visibleText(definition).find(jet::toUtf8(target)), std::string::npos)
                    << item.headword << ": {" << (*match)[1] << "}";
            }
        }
    }
    EXPECT_GT(links, 50000u);
    EXPECT_GT(texts, 100u);
}

namespace {

// The page's text outside preformatted blocks.
std::u16string outsideBlocks(const std::u16string& page) {
    std::u16string text;
    for (std::size_t at = 0; at < page.size();) {
        const std::size_t open = std::min(page.find(u"<pre>", at), page.size());
        text += page.substr(at, open - at);
        const std::size_t close = page.find(u"</pre>", open);
        at = close == std::u16string::npos ? page.size() : close + 6;
    }
    return text;
}

} // namespace

TEST_F(RealDictionaries, PagesJoinWrappedLinesAndStartEachSenseExampleAndLineEndedOnPurpose) {
    const auto& pages = real().definitionOf;
    const auto check = [](const std::u16string& page, std::initializer_list<const char16_t*> has,
                          std::initializer_list<const char16_t*> hasNot) {
        for (const char16_t* piece : has)
            EXPECT_NE(page.find(piece), std::u16string::npos) << jet::toUtf8(piece) << "\n"
                                                              << jet::toUtf8(page);
        for (const char16_t* piece : hasNot)
            EXPECT_EQ(page.find(piece), std::u16string::npos) << jet::toUtf8(piece) << "\n"
                                                              << jet::toUtf8(page);
        EXPECT_EQ(outsideBlocks(page).find(u"  "), std::u16string::npos) << "no runs of blanks";
    };
    // WordNet: a sense's wrapped lines are one line; each sense starts its own.
    check(pages.at(u"dog"),
          {u"(probably descended from the common wolf) that has been domesticated by man",
           u"<br>2: a dull unattractive", u"<br>v 1: go after", u"give chase",
           // FOLDOC's entry, wrapped narrower than most of FOLDOC.
           u"<a href=\"#cat\">cat</a> command that, in addition to outputting the contents of "
           u"files, can output the data"},
          {u"<pre>"});
    // GCIDE: the same for numbered senses, notes and lettered ones.
    check(pages.at(u"Dog"),
          {u"A quadruped of the genus <a href=\"#Canis\">Canis</a>, esp. the domestic dog",
           u"<p>2. A mean, worthless fellow",
           u"Note: The dog is distinguished above all others of "
           u"the inferior animals",
           u"<br>(b) An iron with fangs"},
          {});
    // Ding: the word with its labels, its translation below, nothing preformatted.
    check(pages.at(u"Haus"), {u"<p>Haus {n}</p><p>house</p>"}, {u"<pre>"});
    // FreeDict: example lines and notes each on a line of their own.
    check(pages.at(u"stra\u00DFe"),
          {u"<br>&quot;Stra\u00DFe von Gibraltar&quot; - Straits of Gibraltar<br>"}, {u"<pre>"});
    check(pages.at(u"manger"), {u"manger /m\u0251\u0303\u0292e/ &lt;v&gt;<br>eat"}, {u"<pre>"});
    // V.E.R.A.: each expansion of an acronym on its line.
    check(pages.at(u"TCP"), {u"<p>Tape Carrier Package (CPU)</p>"}, {u"<pre>"});
    // The Jargon File: numbered senses, wrapped at 79.
    check(pages.at(u"hack"),
          {u"<p>2. n. An incredibly good, and perhaps very time-consuming, piece "
           u"of work that produces exactly what is needed.</p>"},
          {u"<pre>"});
    // FOLDOC: drawings keep their columns.
    const std::u16string& boxology = pages.at(u"ASCII art");
    const std::size_t drawing = boxology.find(u"|\\/\\/\\/|     ____/|");
    EXPECT_NE(drawing, std::u16string::npos) << jet::toUtf8(boxology);
    EXPECT_GT(drawing, boxology.rfind(u"<pre>", drawing));
    EXPECT_LT(drawing, boxology.find(u"</pre>", drawing));
}
