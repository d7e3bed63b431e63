// The dictd import on small dictionaries written here: the format's numbers and damage, the
// rules for terms, entries and headers, and the page each entry becomes.
#include "dictbuild/DictdImport.h"
#include "Articles.h"
#include "Glossary.h"
#include "Gzip.h"
#include "dictbuild/DictdFormat.h"
#include "dicttext/PlainToHtml.h"
#include "dicttext/TextLayout.h"
#include "jet/TextCodec.h"

#include <gtest/gtest.h>

namespace {

std::string digits(std::uint64_t value) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % 64]);
        value /= 64;
    } while (value > 0);
    return text;
}

// A dictionary from (headword, entry text) pairs, in that order, as dictfmt writes one.
DictdInput dictionary(const std::vector<std::pair<std::string, std::string>>& entries,
                      bool compressed = true, const std::string& name = "test") {
    DictdInput input{name + ".index", "", name + ".dict.dz", ""};
    std::string data;
    for (const auto& [headword, text] : entries) {
        input.index += headword + "\t" + digits(data.size()) + "\t" + digits(text.size()) + "\n";
        data += text;
    }
    input.data = compressed ? gzip(data) : data;
    return input;
}

const DictionaryEntry* row(const std::vector<DictionaryEntry>& rows, const std::u16string& term) {
    for (const DictionaryEntry& entry : rows) {
        if (entry.term == term)
            return &entry;
    }
    return nullptr;
}

std::string failureOf(const std::vector<DictdInput>& inputs) {
    try {
        importDictd(inputs);
    } catch (const dictd::FormatError& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(DictdFormat, NumbersAreInTheIndexsOwnDigits) {
    EXPECT_EQ(dictd::decodeNumber("A"), 0u);
    EXPECT_EQ(dictd::decodeNumber("/"), 63u);
    EXPECT_EQ(dictd::decodeNumber("BA"), 64u);
    EXPECT_EQ(dictd::decodeNumber("Gb9L"), ((6u * 64 + 27) * 64 + 61) * 64 + 11);
    for (const char* bad : {"", "A=", "-1", "A A", "AAAAAAAAAAA"})
        EXPECT_FALSE(dictd::decodeNumber(bad).has_value()) << bad;
}

TEST(DictdImport, TermsEntriesAndHeaders) {
    const auto rows = importDictd({dictionary({
        {"00-database-info", "00-database-info\n     A test dictionary.\n     Free to copy.\n"},
        {"00-database-short", "00-database-short\n     Test Dictionary (2026)\n"},
        {"00-database-url", "00-database-url\n     http://example.com/test\n"},
        {"00-database-utf8", "00-database-utf8\n"},
        {"mutex", "MuTeX\n\n   A {TeX} extension.\n"},
        {"mutex", "mutex\n\n   A lock; see {semaphore}.\n"},
        {"semaphore", "semaphore\n\n   First part.\n"},
        {"semaphore", "semaphore\n\n   Second part.\n"},
        {"alias", "semaphore\n\n   Reached by another name.\n"},
        {"caf\xC3\xA9", "caf\xC3\xA9\n\n   In UTF-8.\n"},
    })});
    ASSERT_EQ(rows.size(), 6u) << "headers are no terms; equal terms are one row";
    EXPECT_NE(row(rows, u"MuTeX"), nullptr) << "the first line as written, equal ignoring case";
    EXPECT_NE(row(rows, u"mutex"), nullptr);
    const DictionaryEntry* semaphore = row(rows, u"semaphore");
    ASSERT_NE(semaphore, nullptr);
    EXPECT_EQ(*semaphore->definition, u"<p>First part.</p><hr><p>Second part.</p>")
        << "in index order";
    const DictionaryEntry* alias = row(rows, u"alias");
    ASSERT_NE(alias, nullptr) << "a first line of another word: the index headword";
    EXPECT_EQ(*alias->definition, u"<p>semaphore</p><p>Reached by another name.</p>");
    EXPECT_NE(row(rows, u"caf\u00e9"), nullptr);
    const DictionaryEntry* about = row(rows, u"Test Dictionary (2026)");
    ASSERT_NE(about, nullptr) << "the description, named by the short name";
    EXPECT_NE(about->definition->find(u"Free to copy."), std::u16string::npos);
    EXPECT_NE(about->definition->find(u"<a href=\"http://example.com/test\">"),
              std::u16string::npos);
    // Sorted alphabetically: letters first, then case (lower before upper).
    std::vector<std::u16string> terms;
    for (const DictionaryEntry& entry : rows)
        terms.push_back(entry.term);
    EXPECT_EQ(terms, (std::vector<std::u16string>{u"alias", u"caf\u00e9", u"mutex", u"MuTeX",
                                                  u"semaphore", u"Test Dictionary (2026)"}));
}

TEST(DictdImport, LatinOneWhenTheDictionarySaysSoOrTheTextIsNoUtf8) {
    const auto marked = importDictd({dictionary({{"00-database-8bit-new", "00-database-8bit-new\n"},
                                                 {"caf\xE9", "caf\xE9\n\n   Latin-1.\n"}})});
    EXPECT_NE(row(marked, u"caf\u00e9"), nullptr);
    const auto unmarked =
        importDictd({dictionary({{"na\xEFve", "na\xEFve\n\n   Also Latin-1.\n"}}, false)});
    EXPECT_NE(row(unmarked, u"na\u00efve"), nullptr);
}

TEST(DictdImport, CrossReferencesLinkAcrossDictionariesWhenTheTermExists) {
    const auto rows = importDictd({
        dictionary({{"hack", "hack\n\n   See {Kludge}, {nothing here} and\n   {the site "
                             "(https://example.com/a)}.\n"}},
                   true, "first"),
        dictionary({{"kludge", "kludge\n\n   Also see http://example.com/b, and {hack}.\n"}}, true,
                   "second"),
    });
    EXPECT_EQ(*row(rows, u"hack")->definition, u"<p>See <a href=\"#Kludge\">Kludge</a>, nothing "
                                               u"here and <a href=\"https://example.com/a\">the "
                                               u"site</a>.</p>");
    EXPECT_EQ(*row(rows, u"kludge")->definition,
              u"<p>Also see <a href=\"http://example.com/b\">http://example.com/b</a>, and <a "
              u"href=\"#hack\">hack</a>.</p>");
}

TEST(DictdImport, LongHeadwordsLabelsSourcesAndAddressesTheViewerOpens) {
    // A headword of 300 characters whose 255th is the first half of a surrogate pair.
    const std::string longWord = std::string(254, 'x') + "\xF0\x9F\x98\x80" + std::string(45, 'y');
    // Ding's labels: a few words in braces, used over and over.
    std::vector<std::pair<std::string, std::string>> ding = {
        {"00-database-short", "00-database-short\n     Ding\n"},
        {"haus", "Haus\n {n} [arch.]\n   house\n"},
        {"strasse", "Stra\xC3\x9F"
                    "e\n {f}\n   street; road\n"},
        {"m", "M\n {m}\n   the letter M\n"}};
    for (const char* word : {"gehen", "laufen", "rennen", "gut", "schnell", "Wort", "Wörter", "tun",
                             "sehen", "hören", "essen", "trinken", "kommen"})
        ding.push_back({word, std::string(word) + "\n {vi} {vt} {adj} {adv} {pl} {m} {f}\n   x\n"});
    DictdSummary summary;
    const auto rows = importDictd(
        {dictionary({{"00-database-short", "00-database-short\n     First Dictionary\n"},
                     {longWord, "   Long.\n"},
                     {"\xC5\x81\xC3\xB3"
                      "d\xC5\xBA",
                      "\xC5\x81\xC3\xB3"
                      "d\xC5\xBA\n\n   A city.\n"},
                     {"stra\xC3\x9F"
                      "e",
                      "Stra\xC3\x9F"
                      "e\n\n   See {\xC5\x82\xC3\xB3"
                      "d\xC5\xBA}, "
                      "{(ftp://ftp.example.com/a)} and {the list "
                      "(news:comp.lang)}.\n"}},
                    true, "first"),
         dictionary(ding, true, "ding")},
        &summary);
    EXPECT_EQ(summary.shortened, 1u);
    EXPECT_EQ(summary.labelDictionaries, 1u) << "Ding's braces name a letter now and then";
    const std::u16string cut = rows.back().term; // x after the rest
    ASSERT_EQ(cut.size(), 254u) << "never half a character";
    EXPECT_EQ(*row(rows, cut)->definition, u"<p>" + jet::fromUtf8(longWord) + u"</p><p>Long.</p>");
    EXPECT_EQ(*row(rows, u"Haus")->definition, u"<p>Haus {n} [arch.]</p><p>house</p>")
        << "the headword with its labels, the translation below";
    const std::u16string street = *row(rows, u"Stra\u00DFe")->definition;
    EXPECT_EQ(street, articles::heading(u"first") +
                          u"<p>See <a href=\"#\u0142\u00F3d\u017A\">"
                          u"\u0142\u00F3d\u017A</a>, (ftp://ftp.example.com/a) and the list "
                          u"(news:comp.lang).</p><br>" +
                          articles::heading(u"ding") + u"<p>Stra\u00DFe {f}</p><p>street; road</p>")
        << "one folding rule finds \u0141\u00F3d\u017A; addresses the viewer does not open are "
           "text; each dictionary named by its file";
    EXPECT_EQ(row(rows, u"strasse"), nullptr) << "merged with Stra\u00DFe";
}

TEST(DictdImport, EachDictionaryKeepsItsOwnTermsCutHeadwordsAndTitles) {
    // Every term, key and whole headword of an import shares one block of characters: each
    // dictionary's must come back as its own, keys longer than their terms (ß folds to ss)
    // included. The long headwords differ only past the cut: one term, three whole headwords.
    std::vector<DictdInput> inputs;
    for (const char letter : {'a', 'b', 'c'}) {
        const std::string n(1, letter);
        inputs.push_back(
            dictionary({{"00-database-short", "00-database-short\n     Title " + n + "\n"},
                        {"00-database-info", "00-database-info\n     About " + n + ".\n"},
                        {std::string(255, 'x') + " of " + n, "   Long " + n + ".\n"},
                        {"ma\xC3\x9F" + n, "Ma\xC3\x9F" + n + "\n\n   Measure " + n + ".\n"},
                        {"zebra" + n, "zebra" + n + "\n\n   Stripes " + n + ".\n"}},
                       true, "d" + n));
    }
    DictdSummary summary;
    const auto rows = importDictd(inputs, &summary);
    EXPECT_EQ(summary.shortened, 3u);
    std::vector<std::u16string> terms;
    for (const DictionaryEntry& entry : rows)
        terms.push_back(entry.term);
    EXPECT_EQ(terms, (std::vector<std::u16string>{
                         u"Ma\u00DFa", u"Ma\u00DFb", u"Ma\u00DFc", u"Title a", u"Title b",
                         u"Title c", std::u16string(255, u'x'), u"zebraa", u"zebrab", u"zebrac"}));
    const std::u16string cut = *row(rows, std::u16string(255, u'x'))->definition;
    std::size_t previous = 0;
    for (const char16_t letter : {u'a', u'b', u'c'}) {
        const std::u16string n(1, letter);
        const std::size_t heading = cut.find(articles::heading(u"d" + n)),
                          whole = cut.find(u"<p>" + std::u16string(255, u'x') + u" of " + n +
                                           u"</p><p>Long " + n + u".</p>");
        EXPECT_TRUE(previous <= heading && heading < whole && whole != std::u16string::npos)
            << "each dictionary's own whole headword under its name: " << jet::toUtf8(cut);
        previous = whole;
        EXPECT_EQ(*row(rows, u"Ma\u00DF" + n)->definition, u"<p>Measure " + n + u".</p>");
        EXPECT_EQ(*row(rows, u"zebra" + n)->definition, u"<p>Stripes " + n + u".</p>");
        EXPECT_NE(row(rows, u"Title " + n)->definition->find(u"About " + n + u"."),
                  std::u16string::npos);
    }
}

TEST(DictdImport, AWordInEveryCaseIsOnePageEachDictionaryOnceItsOwnEntriesFirst) {
    const auto rows = importDictd({
        dictionary({{"dog", "Sundog \\Sun\"dog\\, n.\n   A rainbow; called also {dog}.\n"},
                    {"Dog", "Dog \\Dog\\, n.\n   A quadruped.\n"},
                    {"Dog", "Dog \\Dog\\, v. t.\n   To hunt.\n"}},
                   true, "gcide"),
        dictionary({{"dog", "dog\n    n 1: a domestic animal\n"}}, true, "wn"),
    });
    ASSERT_EQ(rows.size(), 2u);
    std::vector<std::u16string> terms;
    std::vector<std::optional<std::u16string>> definitions;
    for (const DictionaryEntry& entry : rows) {
        terms.push_back(entry.term);
        definitions.push_back(entry.definition);
    }
    EXPECT_EQ(terms, (std::vector<std::u16string>{u"dog", u"Dog"}));
    const Glossary glossary(terms, definitions);
    const std::u16string dog = *glossary.definitionShownFor(0);
    const std::size_t wn = dog.find(articles::heading(u"wn")),
                      gcide = dog.find(articles::heading(u"gcide")), noun = dog.find(u"Dog\\, n."),
                      verb = dog.find(u"Dog\\, v. t."), sundog = dog.find(u"Sundog");
    EXPECT_EQ(wn, 0u) << "its own entry under the word leads";
    EXPECT_TRUE(wn < gcide && gcide < noun && noun < verb && verb < sundog &&
                sundog != std::u16string::npos)
        << jet::toUtf8(dog);
    EXPECT_EQ(dog.find(articles::heading(u"gcide"), gcide + 1), std::u16string::npos)
        << "one heading a dictionary";
    const std::u16string upper = *glossary.definitionShownFor(1);
    EXPECT_LT(upper.find(u"Dog\\, n."), upper.find(u"Sundog"));
    EXPECT_LT(upper.find(u"Sundog"), upper.find(u"a domestic animal"));
}

// Index lines of english-german and german-english, their texts as the data holds them.
const std::vector<std::pair<std::string, std::string>> kDingExcerpt = {
    {"00databaseutf8", "\n"},
    {" and bobs your uncle", "\xE2\x80\xA6 and Bob's your uncle!\n [Br.] [coll.]\n   \xE2\x80\xA6 "
                             "und das ist es auch schon; \xE2\x80\xA6 und fertig ist die "
                             "Laube/der Lack\n[Dt.]\n"},
    {"drivertoguard communication system",
     "driver-to-guard communication system\n (railway)\n   Fernsprechverbindung {f} vom Zug zum "
     "Triebfahrzeugf\xC3\xBChrer (Bahn)\n"},
    {"i stupidlyfoolishly agreed to organize the party",
     "I stupidly/foolishly agreed to organize the party.\n\n   Ich war so dumm und habe "
     "zugesagt, das Fest zu organisieren.\n"},
    {" aber manchmal gehts halt nicht anders",
     "\xE2\x80\xA6 aber manchmal geht\xE2\x80\x99s halt nicht anders.\n\n   \xE2\x80\xA6 however "
     "sometimes it just can\xE2\x80\x99t be helped.\n"},
    {"mikro\xC2\xB5", "Mikro\xE2\x80\xA6/\xC2\xB5/\n (10 hoch -6; ein Millionstel) "
                      "(Gr\xC3\xB6\xC3\x9F"
                      "enordnung f\xC3\xBCr Ma\xC3\x9F"
                      "einheiten) [phys.]\n   micro (one millionth)\n"},
    {"0815", "08/15\n {adj}\n   faceless; characterless; lacking character; nondescript\n"},
    {"0815", "08/15-\n (Nullachtf\xC3\xBCnfzehn-) {adj}\n   bog-standard [Br.]; common or garden "
             "[Br.]; garden-variety [Am.]\n(prepositive)\n"},
    {"0815", "08/15\n\n   run-of-the-mill; run-of-the-mine [Am.]\n"},
    {"romeo und julia", "\xE2\x80\x9ERomeo und Julia\xE2\x80\x9C\n\n   'Romeo and Juliet'\n"},
    {"the razors edge", "'The Razor's Edge'\n\n   \xE2\x80\x9E"
                        "Auf Messers Schneide\xE2\x80\x9C\n"},
    {"she says shes married to her cats the mind boggles",
     "'She says she\xE2\x80\x99s married to her cats!' 'The mind boggles!'\n\n   "
     "\xE2\x80\x9ESie sagt, sie sei mit ihren Katzen verheiratet!\xE2\x80\x9C\n"}};

std::vector<std::u16string> termsOf(const std::vector<DictionaryEntry>& rows) {
    std::vector<std::u16string> terms;
    for (const DictionaryEntry& entry : rows)
        terms.push_back(entry.term);
    return terms;
}

TEST(DictdImport, AnIndexOfLettersAndDigitsOnlyGivesEachHeadwordAsItsEntryWritesIt) {
    DictdSummary summary;
    const auto rows = importDictd({dictionary(kDingExcerpt, true, "ding")}, &summary);
    EXPECT_EQ(termsOf(rows),
              (std::vector<std::u16string>{
                  u"'She says she\u2019s married to her cats!' 'The mind boggles!'", u"08/15",
                  u"08/15-", u"aber manchmal geht\u2019s halt nicht anders.",
                  u"and Bob's your uncle!", u"driver-to-guard communication system",
                  u"I stupidly/foolishly agreed to organize the party.", u"Mikro\u2026/\u00B5/",
                  u"Romeo und Julia", u"The Razor's Edge"}))
        << "no term is the index's key, though \u00B5 folds to another letter; a fragment's "
           "ellipsis and a title's quotes do not keep it from the words it begins with";
    const auto page = [&rows](const std::u16string& term) {
        const DictionaryEntry* found = row(rows, term);
        return found == nullptr ? std::u16string() : found->definition.value_or(u"");
    };
    // Braces are labels only in the whole dictionary: not asserted on so few entries.
    EXPECT_EQ(page(u"driver-to-guard communication system")
                  .find(u"<p>driver-to-guard communication system (railway)</p><p>"
                        u"Fernsprechverbindung "),
              0u)
        << "the headword phrase stays the entry's heading";
    EXPECT_EQ(page(u"I stupidly/foolishly agreed to organize the party."),
              u"<p>Ich war so dumm und habe zugesagt, das Fest zu organisieren.</p>")
        << "a first line alone is the term only";
    EXPECT_EQ(page(u"08/15").find(u"<p>08/15 "), 0u) << jet::toUtf8(page(u"08/15"));
    EXPECT_NE(page(u"08/15").find(u"nondescript</p><hr><p>run-of-the-mill;"), std::u16string::npos)
        << "both entries written so";
    EXPECT_NE(page(u"08/15-").find(u"bog-standard"), std::u16string::npos);
    EXPECT_EQ(page(u"aber manchmal geht\u2019s halt nicht anders.")
                  .find(u"<p>\u2026 aber manchmal geht\u2019s halt nicht anders.</p>"),
              0u)
        << "the line, taken apart for the term, stays on the page as written";
    EXPECT_EQ(page(u"Romeo und Julia").find(u"<p>\u201ERomeo und Julia\u201C</p>"), 0u);
    EXPECT_EQ(summary.entries, 11u) << "no entry merged with another or left out";
}

TEST(DictdImport, AnIndexThatKeepsPunctuationKeepsEveryKeyAsItsTerm) {
    // FOLDOC files one text under "compiler compiler" and "compiler-compiler", whose first
    // line it is: two headwords, each a term. Ding beside it keeps its own reading.
    const std::string compiler =
        "compiler-compiler\ncompiler compiler\n\n   A utility to generate the {source code} of a "
        "{parser},\n   {interpreter} or {compiler} from an annotated language\n   description "
        "(usually in {BNF}).\n";
    const auto rows = importDictd(
        {dictionary({{"client/server", "client-server\nclient/server\nclient-server model\n\n   "
                                       "<programming> A common form of {distributed system}.\n"},
                     {"compiler compiler", compiler},
                     {"compiler-compiler", compiler}},
                    true, "foldoc"),
         dictionary(kDingExcerpt, true, "ding")});
    for (const char16_t* term : {u"client/server", u"compiler compiler", u"compiler-compiler"})
        EXPECT_NE(row(rows, term), nullptr) << jet::toUtf8(term);
    EXPECT_EQ(row(rows, u"client-server"), nullptr);
    EXPECT_NE(row(rows, u"driver-to-guard communication system"), nullptr)
        << "each dictionary's index decides for its own entries";
}

TEST(PlainToHtml, ParagraphsJoinedBlocksKeptMarkUpEscaped) {
    const auto never = [](const std::u16string&) { return false; };
    EXPECT_EQ(plainToHtml(u"   One line\n   and its wrap, <b> & \"q\".\n\n   Second.\n", never),
              u"<p>One line and its wrap, &lt;b&gt; &amp; &quot;q&quot;.</p><p>Second.</p>");
    EXPECT_EQ(plainToHtml(u"   Code:\n\n     int x;\n\n       return x;\n   After.\n", never),
              u"<p>Code:</p><pre>  int x;\n\n    return x;</pre><p>After.</p>")
        << "further indented lines, blank lines inside, as they stand";
    EXPECT_EQ(
        plainToHtml(u"word\n/pro-nun-ci-a-tion/\n\n   the entry's text\n   in two lines\n", never),
        u"<p>word /pro-nun-ci-a-tion/</p><p>the entry's text in two lines</p>")
        << "the headword's block may stand further out";
    EXPECT_EQ(plainToHtml(u"{unclosed and {nested} }", never), u"<p>{unclosed and nested }</p>");
    EXPECT_EQ(plainToHtml(u"   Text:\n\n      main(){\n        f(\"{x}\");\n      }\n\n   After.\n",
                          never),
              u"<p>Text:</p><pre>   main(){\n     f(&quot;{x}&quot;);\n   }</pre><p>After.</p>")
        << "braces in program text stay, and so do its lines";
}

TEST(PlainToHtml, WrappedLinesJoinedSensesAndLinesEndedOnPurposeApartColumnsKept) {
    const auto never = [](const std::u16string&) { return false; };
    const auto page = [&never](const std::u16string& text, std::size_t width) {
        return plainToHtml(text, never, Braces::References, width);
    };
    EXPECT_EQ(
        page(u"   1. first sense that is\n      wrapped here\n   2. second\n    n 3: third\n", 26),
        u"<p>1. first sense that is wrapped here<br>2. second<br>n 3: third</p>")
        << "a hanging indent is one paragraph; each sense starts a line";
    EXPECT_EQ(page(u"   short line\n   another   with   blanks\n", 40),
              u"<p>short line<br>another with blanks</p>");
    EXPECT_EQ(page(u"   a line of some length\n   b\n", layout::kNotWrapped),
              u"<p>a line of some length<br>b</p>");
    EXPECT_EQ(
        page(u"   Table:\n\n     a    b\n     c    d\n\n     e    f\n\n   After.\n\n   End.\n", 40),
        u"<p>Table:</p><pre>  a    b\n  c    d\n\n  e    f</pre><p>After.</p><p>End.</p>")
        << "columns kept, and the blank line between two such parts";
    EXPECT_EQ(page(u"   Code:\n\n     if (x)\n         y();\n   After.\n", 40),
              u"<p>Code:</p><pre>  if (x)\n      y();</pre><p>After.</p>")
        << "a line further in than one ended on purpose: a program";
    EXPECT_EQ(page(u"   Quote:\n\n        Verse one\n        verse two\n", 40),
              u"<p>Quote:</p><p>Verse one<br>verse two</p>");
    EXPECT_TRUE(layout::startsItem(u"  (b) An iron"));
    EXPECT_TRUE(layout::startsItem(u"adj 2: fine"));
    EXPECT_FALSE(layout::startsItem(u"  1998. Then"));
    EXPECT_FALSE(layout::startsItem(u"  2.0 of it"));
}

TEST(TextLayout, TheWrapColumnIsFoundFromTheLinesWhereThereIsOne) {
    std::string wrapped, unwrapped;
    for (int line = 0; line < 3000; ++line) {
        wrapped += std::string(52 + line % 9, 'x') + "\n"; // 52 to 60 columns
        // Lines ended on purpose: mostly short, a few of any length.
        const int length = line % 40 == 0 ? 200 + line % 500 : 10 + (line * 37) % 60;
        unwrapped += std::string(static_cast<std::size_t>(length), 'y') + "\n";
    }
    EXPECT_EQ(layout::wrapWidthOf(wrapped), 60u);
    EXPECT_EQ(layout::wrapWidthOf(unwrapped), layout::kNotWrapped);
    EXPECT_EQ(layout::wrapWidthOf("a\n\tbcd\n"), 11u) << "few lines: the longest";
    EXPECT_EQ(layout::wrapWidthOf("\xC3\xA9t\xC3\xA9"), 3u) << "characters, not bytes";
}

TEST(DictdImport, DamageIsReportedWithFileAndLineAndNothingIsImported) {
    DictdInput good = dictionary({{"alpha", "alpha\n\n   A.\n"}, {"beta", "beta\n\n   B.\n"}});
    DictdInput noTab = good;
    noTab.index += "gamma without fields\n";
    EXPECT_EQ(failureOf({noTab}), "test.index:3: not headword, TAB, offset, TAB, length");
    DictdInput badNumber = good;
    badNumber.index += "gamma\tA!\tB\n";
    EXPECT_NE(failureOf({badNumber}).find("test.index:3: "), std::string::npos);
    DictdInput pastEnd = good;
    pastEnd.index += "gamma\t" + digits(1000) + "\tB\n";
    EXPECT_NE(failureOf({pastEnd}).find("test.index:3: the entry lies past the end"),
              std::string::npos);
    DictdInput damaged = good;
    damaged.data[damaged.data.size() / 2] ^= 0x55;
    damaged.data[damaged.data.size() / 2 + 1] ^= 0x55;
    EXPECT_NE(failureOf({damaged}).find("test.dict.dz: "), std::string::npos);
    DictdInput cut = good;
    cut.data.resize(cut.data.size() - 12);
    EXPECT_NE(failureOf({cut}).find("test.dict.dz: "), std::string::npos);
    EXPECT_EQ(failureOf({good, noTab}), "test.index:3: not headword, TAB, offset, TAB, length")
        << "the second dictionary's damage stops the whole import";
}
