// The import on excerpts of the real dictionaries: a few headwords' index lines over the whole
// data, so that each case is the authors' own text and the test stays quick.
#include "dictbuild/DictdImport.h"
#include "jet/TextCodec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The headers and every index line of `headwords` (as the index writes them).
DictdInput excerpt(const std::string& name, const std::set<std::string>& headwords) {
    const char* directory = std::getenv("DICTIONARY_DIR");
    const std::string base = std::string(directory == nullptr ? "" : directory) + "/" + name;
    std::istringstream index(slurp(base + ".index"));
    std::string kept;
    for (std::string line; std::getline(index, line);) {
        const std::string headword = line.substr(0, line.find('\t'));
        if (headword.rfind("00-database-", 0) == 0 || headwords.count(headword) != 0)
            kept += line + "\n";
    }
    return DictdInput{base + ".index", kept, base + ".dict.dz", slurp(base + ".dict.dz")};
}

std::u16string pageOf(const std::vector<DictionaryEntry>& rows, const std::u16string& term) {
    for (const DictionaryEntry& row : rows) {
        if (row.term == term)
            return row.definition.value_or(u"");
    }
    return u"";
}

std::size_t count(const std::u16string& text, const std::u16string& piece) {
    std::size_t found = 0;
    for (std::size_t at = text.find(piece); at != std::u16string::npos;
         at = text.find(piece, at + 1))
        ++found;
    return found;
}

class RealExcerpts : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DICTIONARY_DIR") == nullptr)
            FAIL() << "DICTIONARY_DIR names no dictionaries (scripts/fetch-dictionaries.sh fetches "
                      "them)";
    }
};

} // namespace

TEST_F(RealExcerpts, AnArticleTheIndexNamesMoreThanOnceIsImportedOnce) {
    // GCIDE's index has "Run B0C4f DDX" three times and "Set B4s5L Dtz" twice; FreeDict's
    // "lkw" twice; Ding's data holds "Abbindeprüfung {f} (Beton)" twice.
    DictdSummary summary;
    const auto rows =
        importDictd({excerpt("gcide", {"Run", "Set"}), excerpt("freedict-deu-eng", {"lkw"}),
                     excerpt("german-english", {"abbindepr\u00FCfung"})},
                    &summary);
    EXPECT_EQ(count(pageOf(rows, u"Abbindepr\u00FCfung"), u"setting test"), 1u);
    EXPECT_EQ(count(pageOf(rows, u"Run"), u"Run \\Run\\ (r[u^]n), v. i."), 1u);
    EXPECT_EQ(count(pageOf(rows, u"Set"), u"Set \\Set\\ (s[e^]t), v. t."), 1u);
    EXPECT_EQ(count(pageOf(rows, u"lkw"), u"Lastkraftwagen /"), 1u);
    ASSERT_EQ(summary.perSource.size(), 3u);
    EXPECT_EQ(summary.perSource[0].repeated, 3u);
    EXPECT_EQ(summary.perSource[1].repeated, 1u);
    EXPECT_EQ(summary.perSource[0].entries, 11u)
        << "Run's and Set's other entries stay, with the dictionary's description";
}

TEST_F(RealExcerpts, WordNetsReferenceBrokenAfterItsHyphenLinksTheWholeWord) {
    // "[syn: {andiron}, {firedog}, {dog}, {dog-\n         iron}]"
    const auto rows = importDictd({excerpt("wn", {"andiron", "dog-iron"})});
    const std::u16string page = pageOf(rows, u"andiron");
    EXPECT_NE(page.find(u"<a href=\"#dog-iron\">dog-iron</a>"), std::u16string::npos)
        << jet::toUtf8(page);
}

TEST_F(RealExcerpts, DingsEntriesStartWithTheirWholeHeadwordPhraseAndTheTranslationBelow) {
    // "Haus\n {n} der Begegnung\n   community centre [Br.]; ...": the phrase wrapped after
    // its first word, one blank in, the translation three.
    const auto rows = importDictd(
        {excerpt("german-english", {"haus", "aalstreif", "0815", "180linie"}),
         excerpt("english-german", {"take"}), excerpt("freedict-deu-eng", {"0leitung"})});
    const std::u16string house = pageOf(rows, u"Haus");
    EXPECT_NE(house.find(u"<p>Haus {n} der Begegnung</p><p>community centre [Br.]"),
              std::u16string::npos)
        << jet::toUtf8(house);
    EXPECT_NE(house.find(u"<p>Haus {n}</p><p>house</p>"), std::u16string::npos);
    // Wrapped again at the margin, and still the heading.
    EXPECT_NE(pageOf(rows, u"Aalstreif")
                  .find(u"<p>Aalstreif {m} (schmaler, dunkler R\u00FCckenstreifen bei "
                        u"Wildtieren) [J\u00E4gersprache] [zool.]</p><p>list; eel stripe;"),
              std::u16string::npos)
        << jet::toUtf8(pageOf(rows, u"Aalstreif"));
    // Filed in the index under its letters only, and named as written.
    EXPECT_NE(pageOf(rows, u"08/15").find(u"<p>08/15 {adj}</p><p>faceless;"), std::u16string::npos)
        << jet::toUtf8(pageOf(rows, u"08/15"));
    EXPECT_NE(pageOf(rows, u"180\u00B0-Linie").find(u"<p>180\u00B0-Linie {f} (Film, TV)</p>"),
              std::u16string::npos)
        << jet::toUtf8(pageOf(rows, u"180\u00B0-Linie"));
    // FreeDict's first line is the headword with its pronunciation, the translation below it.
    EXPECT_EQ(pageOf(rows, u"0leitung").find(u"sg&gt; [telco.]"), std::u16string::npos)
        << jet::toUtf8(pageOf(rows, u"0leitung"));
    const std::u16string take = pageOf(rows, u"take");
    EXPECT_NE(take.find(u"<p>take (the) temperature</p><p>Fieber messen</p>"), std::u16string::npos)
        << jet::toUtf8(take);
}

TEST_F(RealExcerpts, GcidesSensesAndQuotationsAreProseEachQuotationSetApartWithItsSource) {
    const auto rows = importDictd({excerpt("gcide", {"Set"})});
    const std::u16string set = pageOf(rows, u"Set");
    // Senses (b) to (d) of "Set, v. t. 4." follow quotations whose source stands in a column.
    for (const char16_t* sense : {u"(b) To fix beforehand", u"(c) To fix in the ground",
                                  u"(d) To fix, as a precious stone", u"(a) To cause to stop"}) {
        const std::size_t at = set.find(sense);
        ASSERT_NE(at, std::u16string::npos) << jet::toUtf8(sense);
        EXPECT_LE(set.rfind(u"<pre>", at) + 1, set.rfind(u"</pre>", at) + 1)
            << jet::toUtf8(sense) << " is preformatted";
    }
    for (const char16_t* quotation :
         {u"<blockquote><p>I do set my bow in the cloud. --Gen. ix. 13.</p></blockquote>",
          u"<blockquote><p>His eyes were set by reason of his age. --1 Kings xiv. 4.</p>"
          u"</blockquote>",
          u"<blockquote><p>On these three objects his heart was set. --Macaulay.</p>"
          u"</blockquote>",
          u"<blockquote><p>I have set my life upon a cast,<br>And I will stand the hazard of the "
          u"die. --Shak.</p></blockquote>"})
        EXPECT_NE(set.find(quotation), std::u16string::npos) << jet::toUtf8(quotation);
    EXPECT_EQ(set.find(u"<pre>"), std::u16string::npos) << jet::toUtf8(set);
}

TEST_F(RealExcerpts, GcidesSourceNotesStandOnTheirOwnLineAfterTheQuotationAndTheSense) {
    const auto rows = importDictd({excerpt("gcide", {"Artificially", "Set"})});
    // "--Tillotson." stands at the text's indent, "[1913 Webster]" below it.
    const std::u16string artificially = pageOf(rows, u"Artificially");
    EXPECT_NE(artificially.find(u"<blockquote><p>The spider's web, finely and artificially "
                                u"wrought. --Tillotson.</p></blockquote><p>[1913 Webster]</p>"),
              std::u16string::npos)
        << jet::toUtf8(artificially);
    // A sense whose last line leaves no room for the note's first word.
    const std::u16string set = pageOf(rows, u"Set");
    for (const char16_t* sense :
         {u"to cause to be.<br>[1913 Webster]", u"to set a saw.<br>[1913 Webster]"})
        EXPECT_NE(set.find(sense), std::u16string::npos) << jet::toUtf8(sense);
}

TEST_F(RealExcerpts, GcidesVerseKeepsItsLineEndsWhileProseQuotationsAreJoined) {
    const auto rows = importDictd({excerpt("gcide", {"Set"})});
    const std::u16string set = pageOf(rows, u"Set");
    // Its lines are as long as the quotation's paragraph is wide.
    EXPECT_NE(set.find(u"<blockquote><p>High on their heads, with jewels richly set,<br>Each lady "
                       u"wore a radiant coronet. --Dryden.</p></blockquote>"),
              std::u16string::npos)
        << jet::toUtf8(set);
    EXPECT_NE(set.find(u"<blockquote><p>I am come to set a man at variance against his father, "
                       u"and the daughter against her mother. --Matt. x. 35.</p></blockquote>"),
              std::u16string::npos);
}
