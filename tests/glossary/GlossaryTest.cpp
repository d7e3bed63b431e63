#include "Glossary.h"
#include "Suggestions.h"
#include "jet/JetFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

using Definitions = std::vector<std::optional<std::u16string>>;

namespace {

Glossary sample() {
    return Glossary({u"Alpha", u"beta", u"Beta", u"Gamma", u"Alpha", u"Delta"},
                    Definitions{u"first alpha", u"lower beta", u"upper beta", std::nullopt,
                                u"second alpha", u"d"});
}

// The glossary as the program loads it from these database bytes. The file stays while the
// glossary lives: definitions are read from it when shown.
struct Loaded {
    Loaded(const std::vector<std::uint8_t>& bytes, const char* name)
        : path(::testing::TempDir() + name), glossary(write(path, bytes)) {}
    ~Loaded() { std::remove(path.c_str()); }
    static Glossary write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return Glossary::load(path);
    }
    std::string path;
    Glossary glossary;
};

} // namespace

TEST(GlossarySearch, EmptyTextSelectsTheFirstTerm) {
    EXPECT_EQ(sample().search(u""), 0);
}

TEST(GlossarySearch, PrefixesMatchIgnoringCase) {
    const Glossary glossary = sample();
    EXPECT_EQ(glossary.search(u"BE"), 1);
    EXPECT_EQ(glossary.search(u"gam"), 3);
    EXPECT_EQ(glossary.search(u"delta"), 5);
    EXPECT_EQ(glossary.search(u"x"), -1) << "no match";
    EXPECT_EQ(glossary.search(u"Deltas"), -1) << "longer than the term";
}

TEST(GlossarySearch, LatinAndOtherScriptsFoldToo) {
    const Glossary glossary({u"\u00c9t\u00e9", u"\u0416\u0443\u043a"}, Definitions{u"a", u"b"});
    EXPECT_EQ(glossary.search(u"\u00e9T"), 0);
    EXPECT_EQ(glossary.search(u"\u0436\u0423"), 1);
}

TEST(GlossarySearch, TermsThatFoldLongerKeepTheirPlacesInTheSearchsCase) {
    const Glossary glossary({u"Stra\u00DFe", u"Fu\u00DF", u"", u"Ma\u00DFe", u"zebra"},
                            Definitions{u"a", u"b", u"c", u"d", u"e"});
    const TermList& folded = glossary.foldedTerms();
    ASSERT_EQ(folded.size(), 5u);
    EXPECT_EQ(folded[0], u"strasse");
    EXPECT_EQ(folded[1], u"fuss");
    EXPECT_EQ(folded[2], u"");
    EXPECT_EQ(folded[3], u"masse");
    EXPECT_EQ(folded[4], u"zebra");
    EXPECT_EQ(glossary.search(u"MASS"), 3);
    EXPECT_EQ(glossary.search(u"Z"), 4);
}

TEST(GlossarySearch, FullCaseFoldingThenIgnoringAccentsWhenNothingMatches) {
    const Glossary glossary({u"ecole", u"\u00E9cole", u"Stra\u00DFe", u"\u0141\u00F3d\u017A"},
                            Definitions{u"a", u"b", u"c", u"d"});
    EXPECT_EQ(glossary.search(u"\u00C9CO"), 1) << "an exact match is the answer";
    EXPECT_EQ(glossary.search(u"eco"), 0);
    EXPECT_EQ(glossary.search(u"STRASS"), 2) << "\u00DF folds to ss";
    EXPECT_EQ(glossary.search(u"\u0142\u00F3"), 3);
    EXPECT_EQ(glossary.search(u"lod"), 3) << "no exact match: accents ignored";
    EXPECT_EQ(glossary.search(u"\u00E9colf"), -1);
    // Typing on after a text that nothing begins with exactly: still exact where it can be.
    EXPECT_EQ(glossary.search(u"lo"), 3);
    EXPECT_EQ(glossary.search(u"lod"), 3);
    EXPECT_EQ(glossary.search(u"\u0142\u00F3d"), 3);
    EXPECT_EQ(glossary.search(u"ecol"), 0) << "another beginning is searched exactly again";
    glossary.awaitIndex();
    EXPECT_EQ(glossary.search(u"LOD"), 3) << "the same with the sorted index";
}

TEST(GlossarySearch, TypingSelectsTheWordInItsCaseElseIgnoringCaseElseAccentsElseAPrefix) {
    const Glossary glossary({u"dog agility", u"dog", u"Dog", u"Ecole Normale", u"\u00E9cole",
                             u"mange", u"mangeoire", u"Set", u"set"},
                            Definitions(9));
    using Found = Glossary::Found;
    const auto is = [&glossary](const char16_t* text, int index, Found found) {
        const Glossary::Match match = glossary.match(text);
        return match.index == index && match.found == found;
    };
    EXPECT_TRUE(is(u"Dog", 2, Found::Equal)) << "its own case";
    EXPECT_TRUE(is(u"dog", 1, Found::Equal)) << "not the first that begins with it";
    EXPECT_TRUE(is(u"DOG", 1, Found::Equal)) << "else the first equal ignoring case";
    EXPECT_TRUE(is(u"set", 8, Found::Equal));
    EXPECT_TRUE(is(u"dog ", 1, Found::Equal)) << "blanks pasted with the word are ignored";
    EXPECT_TRUE(is(u"\t Dog\u00A0", 2, Found::Equal));
    EXPECT_EQ(glossary.match(u" dog ").text, u"dog");
    EXPECT_TRUE(is(u"ecole", 4, Found::EqualIgnoringAccents)) << "before a longer term";
    EXPECT_TRUE(is(u"mang\u00E9", 5, Found::EqualIgnoringAccents));
    EXPECT_TRUE(is(u"do", 0, Found::Prefix)) << "else the first that begins with it";
    EXPECT_TRUE(is(u"mang\u00E9o", 6, Found::PrefixIgnoringAccents));
    EXPECT_TRUE(is(u"cat", -1, Found::Nothing));
    EXPECT_TRUE(is(u"  ", 0, Found::Prefix)) << "blanks alone: the first term, as the empty text";
    EXPECT_EQ(glossary.accentNote(glossary.match(u" mang\u00E9")),
              u"<font face='MS Sans Serif' size=2>No &quot;mang\u00E9&quot;; showing "
              u"&quot;mange&quot;.</font><br><br>");
    EXPECT_NE(glossary.accentNote(glossary.match(u"mang\u00E9o")).find(u"No term begins with"),
              std::u16string::npos);
    EXPECT_EQ(glossary.accentNote(glossary.match(u"mange")), u"") << "found as typed";
    EXPECT_EQ(glossary.accentNote(glossary.match(u"cat")), u"");
}

TEST(GlossaryLookup, ExactCaseAndTheFirstOfEqualTerms) {
    const Glossary glossary = sample();
    EXPECT_EQ(*glossary.definitionShownFor(0), u"first alpha");
    EXPECT_EQ(*glossary.definitionShownFor(4), u"first alpha")
        << "duplicates show the first record";
    EXPECT_EQ(*glossary.definitionShownFor(2), u"upper beta<hr>lower beta")
        << "the term's own case first, then the others";
    EXPECT_EQ(*glossary.definitionShownFor(1), u"lower beta<hr>upper beta");
    EXPECT_FALSE(glossary.definitionShownFor(3).has_value()) << "a null definition keeps the page";
    EXPECT_FALSE(glossary.definitionShownFor(6).has_value()) << "past the end";
}

TEST(GlossaryLookup, ALinkLeadsToTheExactTermElseTheFirstEqualIgnoringCase) {
    const Glossary glossary = sample(); // Alpha, beta, Beta, Gamma, Alpha, Delta
    EXPECT_EQ(glossary.find(u"Beta"), 2) << "exact beats an earlier match ignoring case";
    EXPECT_EQ(glossary.find(u"beta"), 1);
    EXPECT_EQ(glossary.find(u"BETA"), 1) << "no exact match: the first ignoring case";
    EXPECT_EQ(glossary.find(u"Alpha"), 0) << "the first of equal terms";
    EXPECT_EQ(glossary.find(u"Alph"), -1) << "a prefix is not the term";
    EXPECT_EQ(glossary.find(u""), -1);
}

// Passes over the terms in table order, as the search is defined: the term in the typed case,
// else the first equal ignoring case, else the first that begins with the text.
int firstWithPrefix(const std::vector<std::u16string>& terms,
                    const std::vector<std::u16string>& upper, const std::u16string& text) {
    const std::u16string prefix = simpleUpperCase(text);
    if (!text.empty()) {
        for (const bool exactly : {true, false}) {
            for (std::size_t i = 0; i < upper.size(); ++i) {
                if (exactly ? terms[i] == text : upper[i] == prefix)
                    return static_cast<int>(i);
            }
        }
    }
    for (std::size_t i = 0; i < upper.size(); ++i) {
        if (upper[i].compare(0, prefix.size(), prefix) == 0 && upper[i].size() >= prefix.size())
            return static_cast<int>(i);
    }
    return -1;
}

TEST(GlossarySearch, SortedIndexGivesTheAnswersOfAPassInTableOrder) {
    // Few letters, so that prefixes, equal terms and terms equal but for case abound.
    std::mt19937 random(7);
    const char16_t letters[] = u"abAB\u00e9";
    for (const std::size_t count : {std::size_t{1}, std::size_t{300}, std::size_t{60000}}) {
        std::vector<std::u16string> terms, upper;
        for (std::size_t i = 0; i < count; ++i) {
            std::u16string term(1 + random() % 5, u' ');
            for (char16_t& c : term)
                c = letters[random() % 5];
            terms.push_back(term);
            upper.push_back(simpleUpperCase(term));
        }
        const Glossary glossary(terms, Definitions(terms.begin(), terms.end()));
        glossary.awaitIndex();
        for (int probe = 0; probe < 400; ++probe) {
            std::u16string prefix(random() % 7, u' ');
            for (char16_t& c : prefix)
                c = letters[random() % 5];
            ASSERT_EQ(glossary.search(prefix), firstWithPrefix(terms, upper, prefix))
                << count << " terms, prefix of " << prefix.size();
            const std::size_t index = random() % count;
            const auto first = std::find(terms.begin(), terms.end(), terms[index]);
            const std::u16string shown = *glossary.definitionShownFor(index);
            ASSERT_EQ(shown.substr(0, first->size()), *first) << "the first of equal terms";
            ASSERT_EQ(shown.find(u"<hr>" + *first + u"<hr>"), std::u16string::npos);
        }
        EXPECT_EQ(glossary.search(u""), 0);
    }
}

TEST(GlossarySearch, SortedIndexOrdersTermsThatBeginAlikeByTheirWholeTextThenTablePlace) {
    // Long beginnings in common, terms that end where others go on, and repeats.
    std::mt19937 random(3);
    const char16_t letters[] = u"AB\u00c9";
    auto upper = std::make_shared<TermList>();
    std::vector<std::u16string> terms;
    for (int i = 0; i < 20000; ++i) {
        std::u16string term = std::u16string(u"ABABABAB").substr(0, random() % 9);
        for (auto more = random() % 14; more > 0; --more)
            term += letters[random() % 3];
        if (term.empty())
            term = u"B";
        terms.push_back(term);
        upper->add(term);
    }
    std::vector<std::uint32_t> expected(terms.size());
    for (std::uint32_t i = 0; i < expected.size(); ++i)
        expected[i] = i;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return terms[a] < terms[b]; });
    const SearchIndex index(upper);
    ASSERT_EQ(index.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(index.atSortPosition(i), expected[i]) << "at " << i;
}

// The threads this process runs, as the system counts them; 0 where it cannot be told.
std::size_t threadCount() {
    std::error_code error;
    std::size_t count = 0;
    for (std::filesystem::directory_iterator task("/proc/self/task", error), end;
         !error && task != end; task.increment(error))
        ++count;
    return error ? 0 : count;
}

TEST(GlossaryIndex, ALargeGlossaryDroppedWhileItsIndexIsBuiltStopsItsThreadWithin100Ms) {
    if (threadCount() == 0)
        GTEST_SKIP() << "no count of this process's threads here";
    // Enough terms, accented too, that the index takes far longer than the wait allowed.
    std::mt19937 random(11);
    const char16_t letters[] = u"abcdefgh\u00e9\u00fc";
    std::vector<std::u16string> terms(400000);
    for (std::u16string& term : terms) {
        term.assign(4 + random() % 12, u' ');
        for (char16_t& c : term)
            c = letters[random() % 10];
    }
    const std::size_t before = threadCount();
    auto glossary = std::make_unique<Glossary>(terms, Definitions(terms.size()));
    ASSERT_FALSE(glossary->indexReady()) << "built already: the test needs more terms";
    const auto start = std::chrono::steady_clock::now();
    glossary.reset();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::milliseconds(100))
        << std::chrono::duration_cast<std::chrono::milliseconds>(waited).count() << " ms";
    // Its thread gone with it: nothing reads the terms or the folding tables afterwards.
    EXPECT_EQ(threadCount(), before);
}

TEST(GlossarySearch, ALetterInTheListLeadsToTheNextTermWithItAfterTheCaretAtAnySize) {
    const Glossary glossary = sample(); // Alpha beta Beta Gamma Alpha Delta
    EXPECT_EQ(glossary.nextWithInitial(u'b', -1), 1);
    EXPECT_EQ(glossary.nextWithInitial(u'B', 1), 2) << "ignoring case";
    EXPECT_EQ(glossary.nextWithInitial(u'a', 4), 0) << "wraps at the end";
    EXPECT_EQ(glossary.nextWithInitial(u'z', 0), -1);
    // Beyond 65,535 entries the caret is taken whole.
    std::vector<std::u16string> many(70000, u"x");
    many[2000] = many[68000] = many[69000] = u"Yes";
    const Glossary large(many, Definitions(many.size()));
    EXPECT_EQ(large.nextWithInitial(u'y', 68000), 69000);
    EXPECT_EQ(large.nextWithInitial(u'y', 69000), 2000);
}

TEST(GlossarySearch, NothingFoundOffersTermsWithinTwoEditsElseTheNeighboursInSortOrder) {
    EXPECT_EQ(editDistanceWithin(u"KITTEN", u"SITTING", 2), 3);
    EXPECT_EQ(editDistanceWithin(u"KITTEN", u"SITTEN", 2), 1);
    EXPECT_EQ(editDistanceWithin(u"", u"AB", 2), 2);
    EXPECT_EQ(editDistanceWithin(u"ABCD", u"BADC", 5), 2) << "two swaps";
    EXPECT_EQ(editDistanceWithin(u"RECIEVE", u"RECEIVE", 2), 1) << "a swap is one edit";
    EXPECT_EQ(editDistanceWithin(u"CA", u"ABC", 3), 3) << "no edit of a swapped pair";
    const Glossary words({u"believe", u"recede", u"receive", u"relieve", u"reprieve", u"receiver"},
                         Definitions(6));
    EXPECT_EQ(words.suggestions(u"recieve"), (std::vector<std::size_t>{2, 3, 0, 1, 4}))
        << "edits, then the difference in length, then table order";
    const Glossary glossary({u"Cache", u"Cash", u"cache", u"Catch", u"Compiler", u"Cachet",
                             u"Caches", u"Cached", u"Zebra"},
                            Definitions(9));
    EXPECT_EQ(glossary.suggestions(u"cachs"), (std::vector<std::size_t>{0, 6, 3, 1, 5}))
        << "one edit before two, then the length nearest, then table order; each text once; "
           "five at most";
    EXPECT_EQ(glossary.suggestions(u"Compilers"), std::vector<std::size_t>{4});
    EXPECT_EQ(glossary.suggestions(u"Dragon"), (std::vector<std::size_t>{5, 1, 3, 4, 8}))
        << "none that near: the terms around where it sorts, in sorted order";
}

TEST(GlossaryPage, IsTheSixPiecesWithTheTermEscaped) {
    EXPECT_EQ(Glossary::page(u"<g>&B", u"<i>x</i>"),
              u"<B><font color=#336699 face= 'MS Sans Serif' "
              u"Size=3>&lt;g&gt;&amp;B:</B></font><BR><BR><font "
              u"face = 'MS "
              u"Sans Serif' color = 'black' size = 2><p class='MsoNormal' "
              u"style='text-align:justify'><i>x</i></font>");
}

TEST(GlossaryLoad, MissingOrDamagedDatabaseGivesAnEmptyList) {
    EXPECT_EQ(Glossary::load("/nonexistent/Dict.mdb").size(), 0u);
    const std::string path = ::testing::TempDir() + "not-a-database.mdb";
    std::ofstream(path, std::ios::binary) << std::string(10000, 'x');
    EXPECT_EQ(Glossary::load(path).size(), 0u);
    std::remove(path.c_str());
}

TEST(GlossaryLoad, ReadsTermsAndNullDefinitionsInTableOrder) {
    using namespace fixtures;
    const Rows rows = {{integer(1), text(u"Zeta"), text(u"last letter")},
                       {integer(2), text(u"Alpha"), null()}};
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    const Loaded file(bytes, "glossary-load.mdb");
    const Glossary& glossary = file.glossary;
    ASSERT_EQ(glossary.size(), 2u);
    EXPECT_EQ(glossary.term(0), u"Zeta") << "table order, not sorted";
    EXPECT_FALSE(glossary.definitionShownFor(1).has_value());
    EXPECT_EQ(*glossary.definitionShownFor(0), u"last letter");
}

TEST(GlossaryLoad, TheFirstTermsAloneAreReadAsTheWholeBegins) {
    using namespace fixtures;
    const Rows rows = {{integer(1), text(u"Zeta"), text(u"last letter")},
                       {integer(2), null(), text(u"no term")},
                       {integer(3), text(u"Alpha"), text(u"first letter")},
                       {integer(4), text(u"zeta"), text(u"in lower case")}};
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    const Loaded file(bytes, "glossary-first.mdb");
    std::string failure, damage;
    const Glossary first = Glossary::load(file.path, {}, &failure, &damage, {}, 2);
    EXPECT_TRUE(failure.empty() && damage.empty()) << failure << damage;
    ASSERT_EQ(first.size(), 2u) << "terms, not rows";
    EXPECT_EQ(first.term(1), u"Alpha");
    EXPECT_EQ(*first.definitionShownFor(1), u"first letter");
    EXPECT_EQ(file.glossary.size(), 3u);
}

TEST(GlossaryLoad, DamageOutsideTermAndDefinitionLosesNoRowAndRowsWithoutATermAreLeftOut) {
    using namespace fixtures;
    // Long values in the first and the last column, on pages of their own, then damaged.
    const std::u16string notes(6000, u'N'), extra(6000, u'X');
    Rows rows;
    for (int i = 0; i < 5; ++i)
        rows.push_back({text(notes), text(u"Term " + std::u16string(1, u'A' + i)),
                        text(u"Definition " + std::u16string(1, u'A' + i)), text(extra)});
    rows.push_back({text(notes), null(), text(u"of no term"), text(extra)});
    auto bytes = build({},
                       {{u"notes", jet::kMemo},
                        {u"term", jet::kText},
                        {u"definition", jet::kMemo},
                        {u"extra", jet::kMemo}},
                       rows, u"Dict");
    int damaged = 0;
    for (const char letter : {'N', 'X'}) {
        // As one byte a character when stored compressed, else as UTF-16.
        std::string marker(64, letter), wide;
        for (const char c : marker)
            wide += std::string{c, '\0'};
        auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
        if (at == bytes.end())
            at = std::search(bytes.begin(), bytes.end(), wide.begin(), wide.end());
        ASSERT_NE(at, bytes.end()) << "long value pages of the fixture not found";
        const std::size_t page = static_cast<std::size_t>(at - bytes.begin()) / 4096;
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(page * 4096),
                  bytes.begin() + static_cast<std::ptrdiff_t>(page * 4096 + 16), 0xEE);
        ++damaged;
    }
    ASSERT_EQ(damaged, 2);
    {
        // The damage is real: a reader of every column stops at it.
        const jet::Database database = jet::Database::fromBytes(bytes);
        EXPECT_THROW(readAll(database, u"Dict"), JetError);
    }
    const Loaded file(bytes, "glossary-damaged.mdb");
    const Glossary& glossary = file.glossary;
    ASSERT_EQ(glossary.size(), 5u) << "every row with a term, none lost to the damage";
    EXPECT_EQ(glossary.term(4), u"Term E");
    EXPECT_EQ(*glossary.definitionShownFor(2), u"Definition C");
}

TEST(GlossaryLoad, DefinitionsAreReadWhenShownSoADamagedOneCostsOnlyItself) {
    using namespace fixtures;
    // Long definitions on pages of their own; the third one's page is then damaged.
    Rows rows;
    for (int i = 0; i < 5; ++i)
        rows.push_back({integer(i), text(u"Term " + std::u16string(1, u'A' + i)),
                        text(std::u16string(6000, static_cast<char16_t>(u'a' + i)))});
    auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    std::string marker; // stored as UTF-16: too long to be compressed
    for (int i = 0; i < 64; ++i)
        marker += std::string{'c', '\0'};
    const auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
    ASSERT_NE(at, bytes.end());
    const std::size_t page = static_cast<std::size_t>(at - bytes.begin()) / 4096;
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(page * 4096), 16, 0xEE);

    const Loaded file(bytes, "glossary-damaged-definition.mdb");
    const Glossary& glossary = file.glossary;
    ASSERT_EQ(glossary.size(), 5u) << "the load reads no definition";
    EXPECT_FALSE(glossary.definitionShownFor(2).has_value());
    EXPECT_EQ(*glossary.definitionShownFor(4), std::u16string(6000, u'e'));
    EXPECT_EQ(*glossary.definitionShownFor(0), std::u16string(6000, u'a'));
}

TEST(GlossaryLoad, ALargeFileIsReadPieceByPieceInAnyOrder) {
    using namespace fixtures;
    // Larger than what the reader holds at once (16 MB): pages are let go and read again.
    constexpr int kRows = 5000;
    std::mt19937 random(3);
    Rows rows;
    for (int i = 0; i < kRows; ++i) {
        std::u16string definition(1900 + random() % 100, u' ');
        for (char16_t& c : definition)
            c = static_cast<char16_t>(0x400 + random() % 64); // Cyrillic: stored two bytes each
        rows.push_back({integer(i),
                        text(u"T" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) +
                             std::u16string(1, static_cast<char16_t>(0x4E00 + i))),
                        text(definition)});
    }
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    ASSERT_GT(bytes.size(), 18u * 1024 * 1024);
    const Loaded file(bytes, "glossary-large.mdb");
    const Glossary& glossary = file.glossary;
    ASSERT_EQ(glossary.size(), static_cast<std::size_t>(kRows));
    for (int probe = 0; probe < 200; ++probe) {
        const std::size_t index = random() % kRows;
        ASSERT_EQ(glossary.term(index), rows[index][1].text);
        ASSERT_EQ(*glossary.definitionShownFor(index), rows[index][2].text) << "row " << index;
    }
}
