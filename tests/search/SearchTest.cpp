// The glossary's search beyond the terms' beginnings: query reading, words of a page,
// wildcards over terms, and the full-text index against a scan of the same rows.
#include "SearchTestDatabase.h"

#include "SearchIndex.h"
#include "TermList.h"
#include "jet/TextCodec.h"
#include "search/FullTextIndex.h"
#include "search/IndexBuilder.h"
#include "search/Query.h"
#include "search/Wildcard.h"
#include "search/Words.h"
#include "text/Folding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using search::Place;

namespace {

DictionaryEntry entry(std::u16string term, std::u16string definition,
                      std::vector<DictionaryEntry::Part> parts = {}) {
    return {std::move(term), std::move(definition), std::move(parts)};
}

std::vector<std::string> words(std::u16string_view text, bool markup) {
    std::vector<std::string> found;
    search::forEachWord(text, markup,
                        [&found](const std::string& word, std::size_t) { found.push_back(word); });
    return found;
}

// Thirty words that push what follows them out of an entry's first lines.
std::u16string filler() {
    std::u16string text;
    for (int i = 0; i < 30; ++i)
        text += u"filler ";
    return text;
}

} // namespace

TEST(SearchQuery, WordsAndPhrasesFoldedAsTheTermSearchFolds) {
    using Groups = std::vector<std::vector<std::string>>;
    EXPECT_EQ(search::parseQuery(u"Mutual  EXCLUSION").groups, (Groups{{"mutual"}, {"exclusion"}}));
    EXPECT_EQ(search::parseQuery(u"lock \"Mutual Exclusion\"").groups,
              (Groups{{"lock"}, {"mutual", "exclusion"}}));
    EXPECT_EQ(search::parseQuery(u"\u00C9COLE Stra\u00DFe").groups,
              (Groups{{"ecole"}, {"strasse"}}))
        << "case and accents ignored";
    EXPECT_EQ(search::parseQuery(u"e-mail").groups, (Groups{{"e", "mail"}}))
        << "one typed token of two words is a phrase";
    EXPECT_EQ(search::parseQuery(u"\"open ended").groups, (Groups{{"open", "ended"}}))
        << "an unclosed quote runs to the end";
    EXPECT_EQ(search::parseQuery(u"run*ing").groups, (Groups{{"run"}, {"ing"}}));
    EXPECT_TRUE(search::parseQuery(u" \"\" -- ").empty());
    EXPECT_EQ(search::parseQuery(u"a \"b c\" a").words(),
              (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(search::hasWildcards(u"colo?r"));
    EXPECT_FALSE(search::hasWildcards(u"colour"));
}

TEST(SearchWords, MarkupIsSkippedAndEntitiesStandForTheirCharacters) {
    EXPECT_EQ(words(u"<p><b>Caf&eacute;</b> &amp; bar<br>baz</p>", true),
              (std::vector<std::string>{"cafe", "bar", "baz"}));
    EXPECT_EQ(words(u"a<i>b</i>c", true), (std::vector<std::string>{"a", "b", "c"}))
        << "a tag ends a word";
    EXPECT_EQ(words(u"x &#x41;&#66;c &bogus; y", true),
              (std::vector<std::string>{"x", "abc", "bogus", "y"}));
    EXPECT_EQ(words(u"<b>x", false), (std::vector<std::string>{"b", "x"})) << "plain text";
    EXPECT_EQ(words(u"it's 3.5\u2014\u00BFqu\u00E9? \u4E2D\u6587", false),
              (std::vector<std::string>{"it", "s", "3", "5", "que", "\xE4\xB8\xAD\xE6\x96\x87"}));
    EXPECT_EQ(words(std::u16string(200, u'W'), false),
              (std::vector<std::string>{std::string(search::kMaxWordLength, 'w')}))
        << "words are cut to the longest the index keeps";
    EXPECT_EQ(search::foldWord(std::u16string(70, u'\u00C9')), std::string(64, 'e'));
}

TEST(SearchWildcard, StarIsAnyRunAndQuestionMarkOneCharacter) {
    using search::matchesWildcard;
    EXPECT_TRUE(matchesWildcard(u"run*ing", u"running"));
    EXPECT_TRUE(matchesWildcard(u"run*ing", u"runing"));
    EXPECT_FALSE(matchesWildcard(u"run*ing", u"runs"));
    EXPECT_TRUE(matchesWildcard(u"colo?r", u"colour"));
    EXPECT_FALSE(matchesWildcard(u"colo?r", u"color"));
    EXPECT_TRUE(matchesWildcard(u"*ology", u"biology"));
    EXPECT_FALSE(matchesWildcard(u"*ology", u"biologyx"));
    EXPECT_TRUE(matchesWildcard(u"*a*b*", u"xxaxxbxx"));
    EXPECT_TRUE(matchesWildcard(u"a**", u"a"));
    EXPECT_FALSE(matchesWildcard(u"?", u""));
    EXPECT_TRUE(matchesWildcard(u"x?y", u"x\U0001D11Ey")) << "a character outside the first plane";
    EXPECT_FALSE(matchesWildcard(u"x??y", u"x\U0001D11Ey"));
}

TEST(SearchWildcard, TermsAreFoundInTheirOrderIgnoringCase) {
    auto terms = std::make_shared<TermList>();
    for (const char16_t* term : {u"Running", u"run", u"Biology", u"colour", u"Color", u"ruining",
                                 u"COLOUR", u"ology", u"rerunning"})
        terms->add(term);
    auto folded = std::make_shared<TermList>(terms->withText(text::foldCase(terms->text())));
    const SearchIndex index(folded);
    const auto matches = [&](const std::u16string& pattern) {
        std::vector<std::uint32_t> found =
            search::wildcardMatches(text::foldCase(pattern), index, *folded);
        std::sort(found.begin(), found.end());
        return found;
    };
    EXPECT_EQ(matches(u"RUN*ing"), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(matches(u"colo?r"), (std::vector<std::uint32_t>{3, 6}));
    EXPECT_EQ(matches(u"*ology"), (std::vector<std::uint32_t>{2, 7}));
    EXPECT_EQ(matches(u"*run*"), (std::vector<std::uint32_t>{0, 1, 8}));
    EXPECT_TRUE(matches(u"x*").empty());
}

TEST(FullTextSearch, EveryWordMustOccurInAnyOrder) {
    const SearchTestDatabase db({entry(u"lock", u"guards <b>mutual</b> exclusion"),
                                 entry(u"party", u"mutual friends"),
                                 entry(u"ban", u"Exclusion of the MUTUAL kind")},
                                {u"test"}, true);
    EXPECT_EQ(db.foundRows(u"exclusion mutual"), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(db.foundRows(u"MUTUAL"), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_TRUE(db.foundRows(u"mutual nothing").empty());
    EXPECT_TRUE(db.foundRows(u"b").empty()) << "mark-up is no word";
}

TEST(FullTextSearch, TheTermFirstThenTheFirstLinesThenElsewhere) {
    const SearchTestDatabase db({entry(u"alpha", filler() + u"exclusion late"),
                                 entry(u"beta", u"exclusion early"),
                                 entry(u"exclusion", u"the word itself")},
                                {u"test"}, true);
    const std::vector<search::Hit> hits = db.indexHits(u"exclusion");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].row, 2u);
    EXPECT_EQ(hits[0].place, Place::Term);
    EXPECT_EQ(hits[1].row, 1u);
    EXPECT_EQ(hits[1].place, Place::FirstLines);
    EXPECT_EQ(hits[2].row, 0u);
    EXPECT_EQ(hits[2].place, Place::Elsewhere);
    // Every word counts: the worst place of the words is the entry's.
    const std::vector<search::Hit> both = db.indexHits(u"exclusion word");
    ASSERT_EQ(both.size(), 1u);
    EXPECT_EQ(both[0].place, Place::FirstLines);
}

TEST(FullTextSearch, APhraseMustStandAsWrittenInOneDictionarysPart) {
    const std::u16string joined = u"<p><b>one</b></p>lock of mutual<hr><p><b>two</b></p>exclusion";
    const SearchTestDatabase db(
        {entry(u"a", u"mutual exclusion"), entry(u"b", u"exclusion, mutual"),
         entry(u"c", joined,
               {{0, static_cast<std::uint32_t>(joined.find(u"lock"))},
                {1, static_cast<std::uint32_t>(joined.find(u"exclusion"))}}),
         entry(u"d", u"MUTUAL<br>Exclusion")},
        {u"one", u"two"}, true);
    EXPECT_EQ(db.foundRows(u"\"mutual exclusion\""), (std::vector<std::uint32_t>{0, 3}));
    EXPECT_EQ(db.foundRows(u"mutual exclusion"), (std::vector<std::uint32_t>{0, 1, 3}))
        << "row c holds the words in different dictionaries' parts";
    const std::vector<search::Hit> hits = db.indexHits(u"lock");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].source, 0u) << "found in the first dictionary's part";
    ASSERT_EQ(db.indexHits(u"exclusion").size(), 4u);
}

TEST(FullTextSearch, TheIndexFindsWhatAScanFinds) {
    std::mt19937 random(7);
    const std::vector<std::u16string> vocabulary = {
        u"alpha", u"Beta",          u"g\u00E4mma", u"delta", u"<i>eps</i>",
        u"&amp;", u"\u00C9T\u00C9", u"zeta,",      u"eta.",  u"theta"};
    std::vector<DictionaryEntry> entries;
    for (int row = 0; row < 400; ++row) {
        std::u16string definition;
        const int length = static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i)
            definition += vocabulary[random() % vocabulary.size()] + u" ";
        entries.push_back(entry(vocabulary[random() % vocabulary.size()] + u" " +
                                    std::u16string(1, static_cast<char16_t>(u'a' + row % 26)),
                                definition));
    }
    const SearchTestDatabase indexed(entries, {u"random"}, true);
    for (const char16_t* query : {u"alpha", u"beta gamma", u"\"delta eps\"", u"ete theta",
                                  u"\"zeta eta theta\"", u"q alpha", u"amp"}) {
        std::vector<search::Hit> viaIndex = indexed.indexHits(query),
                                 viaScan = indexed.scanHits(query);
        ASSERT_EQ(viaIndex.size(), viaScan.size()) << jet::toUtf8(query);
        for (std::size_t i = 0; i < viaIndex.size(); ++i) {
            EXPECT_EQ(viaIndex[i].row, viaScan[i].row);
            EXPECT_EQ(viaIndex[i].place, viaScan[i].place);
        }
    }
}

TEST(FullTextSearch, ADatabaseWithoutTheIndexIsScanned) {
    const SearchTestDatabase db({entry(u"a", u"needle in hay"), entry(u"b", u"hay")}, {u"x"},
                                false);
    EXPECT_EQ(search::FullTextIndex::open(db.database), nullptr);
    EXPECT_EQ(db.foundRows(u"needle"), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(db.scanHits(u"hay")[0].source, search::kUnknownSource);
    int asked = 0;
    search::RowSource rows = db.rows();
    rows.cancelled = [&asked] { return ++asked > 0; };
    EXPECT_TRUE(search::searchByScan(search::parseQuery(u"hay"), rows).empty())
        << "a cancelled scan stops";
}

TEST(FullTextSearch, SourcesAreListedWithTheirEntryCounts) {
    const std::u16string page = u"<p><b>A</b></p>x<hr><p><b>B</b></p>y";
    const SearchTestDatabase db({entry(u"t", page, {{0, 15}, {1, 35}}), entry(u"u", u"z", {{1, 0}}),
                                 entry(u"v", u"w", {{1, 0}})},
                                {u"A", u"B", u"C"}, false);
    const std::vector<search::Source> sources = search::readSources(db.database);
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(sources[0].name, u"A");
    EXPECT_EQ(sources[0].entries, 1u);
    EXPECT_EQ(sources[1].name, u"B");
    EXPECT_EQ(sources[1].entries, 3u);
    EXPECT_EQ(sources[2].entries, 0u) << "a source without entries is listed too";
}

TEST(FullTextIndexFormat, ADamagedBlockIsRefusedNeverReadOutside) {
    search::IndexBuilder builder;
    for (std::uint32_t row = 0; row < 300; ++row)
        builder.addEntry(row, row % 3, 0, u"term",
                         u"alpha beta gamma " + std::u16string(row % 7, u'x'));
    const std::vector<search::IndexBuilder::WordBlock> blocks = builder.takeWordBlocks();
    ASSERT_EQ(blocks.size(), 1u);
    const std::string& block = blocks[0].bytes;
    EXPECT_EQ(search::wordsOf(block),
              (std::vector<std::string>{"alpha", "beta", "gamma", "term", "x", "xx", "xxx", "xxxx",
                                        "xxxxx", "xxxxxx"}));
    std::vector<search::Posting> postings;
    ASSERT_TRUE(search::findWord(block, "xxxxxx", postings));
    ASSERT_EQ(postings.size(), 42u);
    EXPECT_EQ(postings[1].entry, 13u);
    EXPECT_FALSE(search::findWord(block, "delta", postings));
    int refused = 0;
    for (std::size_t cut = 0; cut < block.size(); ++cut) {
        try {
            search::findWord(std::string_view(block).substr(0, cut), "xxxxxx", postings);
        } catch (const search::IndexError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    std::vector<search::Entry> entries;
    EXPECT_THROW(search::readEntries("\x80", entries), search::IndexError);
}

TEST(FullTextIndexFormat, MillionsOfWordsFillPagesOfTheBuildersArena) {
#ifdef _WIN32
    // Seconds of in-memory work, the same on every system: the native build runs it, under
    // the sanitizers too, and the Windows suite stays quick.
    GTEST_SKIP();
#endif
    // Each new word takes a chunk of its own: more than a page of the arena is filled.
    search::IndexBuilder builder;
    constexpr std::uint32_t kEntries = 2200, kWordsEach = 1000;
    for (std::uint32_t row = 0; row < kEntries; ++row) {
        std::u16string text;
        for (std::uint32_t i = 0; i < kWordsEach; ++i) {
            for (const char c : "w" + std::to_string(row * kWordsEach + i))
                text += static_cast<char16_t>(c);
            text += u' ';
        }
        builder.addEntry(row, 0, 0, u"common", text);
    }
    const std::vector<search::IndexBuilder::WordBlock> blocks = builder.takeWordBlocks();
    std::vector<search::Posting> postings;
    const auto find = [&](const std::string& word) {
        auto after = std::upper_bound(
            blocks.begin(), blocks.end(), word,
            [](const std::string& w, const auto& block) { return w < jet::toUtf8(block.first); });
        return after != blocks.begin() && search::findWord(std::prev(after)->bytes, word, postings);
    };
    ASSERT_TRUE(find("common"));
    EXPECT_EQ(postings.size(), kEntries);
    EXPECT_EQ(postings.back().entry, kEntries - 1);
    ASSERT_TRUE(find("w2199999"));
    ASSERT_EQ(postings.size(), 1u);
    EXPECT_EQ(postings[0].entry, kEntries - 1);
    EXPECT_EQ(postings[0].place, Place::Elsewhere);
}
