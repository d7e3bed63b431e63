// The StarDict reader on dictionaries written here: the information file, both widths of
// offsets, synonyms, each kind of text, what is left out, and every kind of damage named.
#include "StardictWriter.h"
#include "dictbuild/DictdImport.h"
#include "dictbuild/StardictDictionary.h"
#include "dictbuild/StardictInfo.h"
#include "jet/TextCodec.h"

#include <gtest/gtest.h>

#include <memory>

using stardict_test::bigEndian;
using stardict_test::failure;
using stardict_test::page;
using stardict_test::Writer;

namespace {

Writer twoEntries() {
    Writer writer;
    writer.entries = {{"alpha", "first line\nsecond line"}, {"beta", "a < b & c"}};
    return writer;
}

} // namespace

TEST(StardictInfo, ReadsTheKeysAndRefusesWhatIsNoInformationFile) {
    const stardict::Info info =
        stardict::parseInfo(std::string("\xEF\xBB\xBF") + stardict::kInfoFirstLine +
                                "\r\nversion=3.0.0\r\nbookname=Le Littré\r\nwordcount=12\r\n"
                                "synwordcount=3\r\nidxfilesize=345\r\nidxoffsetbits=64\r\n"
                                "sametypesequence=tm\r\nnot a key\r\nwebsite=http://x.org\r\n",
                            "a.ifo");
    EXPECT_EQ(info.bookname, "Le Littré");
    EXPECT_EQ(info.wordcount, 12u);
    EXPECT_EQ(info.synwordcount, 3u);
    EXPECT_EQ(info.idxfilesize, 345u);
    EXPECT_EQ(info.idxoffsetbits, 64u);
    EXPECT_EQ(info.sametypesequence, "tm");
    EXPECT_EQ(info.website, "http://x.org");

    const auto failureOf = [](const std::string& text) {
        try {
            stardict::parseInfo(text, "b.ifo");
        } catch (const stardict::FormatError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    const std::string head = std::string(stardict::kInfoFirstLine) + "\nversion=2.4.2\n";
    EXPECT_EQ(failureOf("dog\tA\tB\n"),
              "b.ifo:1: does not begin with \"StarDict's dict ifo file\", so it is no StarDict "
              "information file");
    EXPECT_EQ(failureOf(head + "idxfilesize=10\n"),
              "b.ifo: no wordcount line: the number of entries is not known");
    EXPECT_EQ(failureOf(head + "wordcount=1\n"),
              "b.ifo: no idxfilesize line: the size of the index is not known");
    EXPECT_EQ(failureOf(head + "wordcount=twelve\nidxfilesize=10\n"),
              "b.ifo:3: wordcount is \"twelve\", not a whole number");
    EXPECT_EQ(failureOf(head + "wordcount=99999999999999999999\nidxfilesize=10\n"),
              "b.ifo:3: wordcount is \"99999999999999999999\", not a whole number");
    EXPECT_EQ(failureOf(head + "wordcount=1\nidxfilesize=10\nidxoffsetbits=48\n"),
              "b.ifo:5: idxoffsetbits is 48; only 32 and 64 exist");
    EXPECT_EQ(failureOf(std::string(stardict::kInfoFirstLine) + "\nversion=4.0\nwordcount=1\n"
                                                                "idxfilesize=10\n"),
              "b.ifo: version 4.0 is not one dictbuild knows (2.4.2 or 3.0.0)");
    EXPECT_EQ(failureOf(head + "wordcount=1\nidxfilesize=10\nsametypesequence=m1\n"),
              "b.ifo:5: sametypesequence \"m1\" holds a character that names no type");
}

TEST(StardictIndex, ThirtyTwoAndSixtyFourBitOffsetsReadTheSameEntries) {
    Writer narrow = twoEntries(), wide = twoEntries();
    wide.wideOffsets = true;
    // Offsets of the wrong width or order would lie past the data's end.
    for (Writer* writer : {&narrow, &wide})
        writer->entries.insert(writer->entries.begin(), {"padding", std::string(300, 'x')});
    const stardict::Dictionary first = stardict::readDictionary(narrow.input());
    const stardict::Dictionary second = stardict::readDictionary(wide.input());
    ASSERT_EQ(first.entries.size(), 3u);
    ASSERT_EQ(second.entries.size(), 3u);
    EXPECT_EQ(page(first, "alpha"), "first line<br>second line");
    EXPECT_EQ(page(second, "alpha"), "first line<br>second line");
    EXPECT_EQ(page(second, "beta"), "a &lt; b &amp; c");
    EXPECT_EQ(first.shortName, u"test");
    EXPECT_EQ(first.title, u"Test Book");
}

TEST(StardictIndex, SynonymsAreHeadwordsOfTheirEntriesButNotTwiceTheirOwn) {
    Writer writer = twoEntries();
    writer.synonyms = {{"first", 0}, {"alpha", 0}, {"second", 1}};
    const stardict::Dictionary dictionary = stardict::readDictionary(writer.input());
    EXPECT_EQ(dictionary.synonyms, 2u);
    ASSERT_EQ(dictionary.entries.size(), 4u);
    EXPECT_EQ(page(dictionary, "first"), page(dictionary, "alpha"));
    EXPECT_EQ(page(dictionary, "second"), page(dictionary, "beta"));
}

TEST(StardictEntries, EachKindOfTextBecomesHtmlKeepingItsLineBreaks) {
    Writer writer;
    writer.sameTypes = "";
    writer.entries = {
        {"plain", std::string("m\n  one <two>\r\nthree\n\n") + '\0'},
        {"pango",
         std::string("g<b>bold</b> <span foreground=\"#c00000\">red</span> <big>x</big>"
                     " a & b < c <unknown>kept</unknown>\n<span weight=\"bold\" fgcolor='blue' "
                     "style=\"italic\">w</span>") +
             '\0'},
        {"xdxf", std::string("x<k>cheval</k> <tr>ʃəval</tr>\n<abr>n. m.</abr> <dtrn>horse, see "
                             "<kref>jument</kref></dtrn> <c c=\"green\">vert</c>") +
                     '\0'},
        {"html", std::string("h<i>see</i> <a href=\"bword://other word\">other</a>") + '\0'},
        {"both", std::string("tfoʊ\0mfirst\nsecond", 19) + '\0'},
    };
    const stardict::Dictionary dictionary = stardict::readDictionary(writer.input());
    EXPECT_EQ(page(dictionary, "plain"), "one &lt;two&gt;<br>three");
    EXPECT_EQ(page(dictionary, "pango"),
              "<b>bold</b> <font color=\"#c00000\">red</font> <font size=\"+1\">x</font> a &amp; "
              "b &lt; c kept<br><font color=\"blue\"><b><i>w</i></b></font>");
    EXPECT_EQ(page(dictionary, "xdxf"),
              "<b>cheval</b> [ʃəval]<br><i>n. m.</i> horse, see <a href=\"#jument\">jument</a> "
              "<font color=\"green\">vert</font>");
    EXPECT_EQ(page(dictionary, "html"), "<i>see</i> <a href=\"#other word\">other</a>");
    EXPECT_EQ(page(dictionary, "both"), "[foʊ]<br>first<br>second");
    EXPECT_TRUE(dictionary.skipped.reasons.empty());
}

TEST(StardictEntries, PicturesSoundsAndResourcesAreLeftOutAndCounted) {
    Writer writer;
    writer.sameTypes = "";
    writer.entries = {
        {"word", "mtext" + std::string(1, '\0') + "W" + bigEndian(3, 4) + "wav"},
        {"picture only", "P" + bigEndian(2, 4) + "pn"},
        {"list", std::string("rimg:a.png", 10) + '\0' + "mseen" + '\0'},
    };
    writer.synonyms = {{"image", 1}};
    const stardict::Dictionary dictionary = stardict::readDictionary(writer.input());
    EXPECT_EQ(page(dictionary, "word"), "text");
    EXPECT_EQ(page(dictionary, "list"), "seen");
    EXPECT_EQ(page(dictionary, "picture only"), "(none)");
    EXPECT_EQ(page(dictionary, "image"), "(none)");
    const std::map<std::string, std::size_t> expected = {
        {"sounds (type W), which dictbuild leaves out", 1},
        {"pictures (type P), which dictbuild leaves out", 1},
        {"lists of resource files (type r), which dictbuild leaves out", 1},
        {"entries with nothing the glossary can show", 1},
        {"synonyms of entries left out", 1}};
    EXPECT_EQ(dictionary.skipped.reasons, expected);
}

TEST(StardictDamage, EachFaultIsNamedWithItsFileAndPlace) {
    const stardict::Input good = twoEntries().input();
    auto changed = [&good](auto change) {
        stardict::Input input = good;
        change(input);
        return failure(input);
    };
    EXPECT_EQ(failure(good), "");
    EXPECT_EQ(changed([](stardict::Input& in) { in.index.pop_back(); }),
              "test.idx: holds 26 bytes, but the information file says 27 (idxfilesize): the "
              "index is cut short or belongs to another dictionary");
    const auto cutIndex = [](std::size_t size) {
        return [size](stardict::Input& in) {
            in.index.resize(size);
            in.info.replace(in.info.find("idxfilesize=27"), 14,
                            "idxfilesize=" + std::to_string(size));
        };
    };
    EXPECT_EQ(changed(cutIndex(25)),
              "test.idx: entry 2 at byte 14: the file ends inside the numbers after \"beta\": it "
              "is cut short");
    EXPECT_EQ(changed(cutIndex(16)),
              "test.idx: entry 2 at byte 14: the file ends inside a word: it is cut short");
    EXPECT_EQ(changed([](stardict::Input& in) {
                  in.info.replace(in.info.find("wordcount=2"), 11, "wordcount=3");
              }),
              "test.idx: holds 2 entries, but the information file says 3 (wordcount)");
    EXPECT_EQ(changed([](stardict::Input& in) { in.data.resize(30); }),
              "test.idx: entry 2 \"beta\": lies at bytes 22 to 31, past the end of test.dict.dz "
              "(30 bytes): the data is cut short or belongs to another dictionary");
    EXPECT_EQ(changed([](stardict::Input& in) {
                  in.info.replace(in.info.find("idxfilesize=27"), 14,
                                  "idxfilesize=27\nsynwordcount=1");
              }),
              "test.ifo: names 1 synonyms (synwordcount), but no .syn file is beside it");
}

TEST(StardictDamage, LyingCountsAndSizesNeitherCrashNorAllocate) {
    Writer writer = twoEntries();
    stardict::Input input = writer.input();
    input.info.replace(input.info.find("wordcount=2"), 11, "wordcount=4000000000");
    EXPECT_EQ(failure(input),
              "test.idx: holds 2 entries, but the information file says 4000000000 (wordcount)");
    writer.extraInfo = "synwordcount=4000000000\n"; // after the writer's own, so it counts
    writer.synonyms = {{"x", 1}};
    EXPECT_EQ(failure(writer.input()),
              "test.syn: holds 1 synonyms, but the information file says 4000000000 "
              "(synwordcount)");

    Writer synonyms = twoEntries();
    synonyms.synonyms = {{"x", 1}, {"y", 7}};
    EXPECT_EQ(failure(synonyms.input()), "test.syn: synonym 2 at byte 6: \"y\" points to entry 8, "
                                         "but there are only 2");

    Writer fields;
    fields.sameTypes = "";
    fields.entries = {{"sized", "W" + bigEndian(0xFFFFFFF0, 4) + "abc"}};
    EXPECT_EQ(failure(fields.input()),
              "test.idx: entry 1 \"sized\": the field of type 'W' says 4294967280 bytes, but "
              "only 3 are left in the entry");
    fields.entries = {{"open", "mno end"}};
    EXPECT_EQ(failure(fields.input()),
              "test.idx: entry 1 \"open\": the text of type 'm' has no end (NUL) within the entry");
    fields.sameTypes = "Pm";
    fields.entries = {{"short", "P\0\0"}};
    EXPECT_EQ(failure(fields.input()),
              "test.idx: entry 1 \"short\": the size of the field of type 'P' lies past the "
              "entry's end");
    Writer longWord;
    longWord.entries = {{std::string(300, 'w'), "x"}};
    EXPECT_EQ(failure(longWord.input()), "test.idx: entry 1 at byte 0: a word longer than 256 "
                                         "bytes: the file is damaged or no StarDict file");
}

TEST(StardictImport, AStardictDictionaryJoinsDictdOnesNamedByItsFileWithItsOwnEntry) {
    Writer writer = twoEntries();
    writer.name = "dir/littre";
    writer.extraInfo = "description=Le dictionnaire<br>de la langue\nwebsite=http://littre.org\n";
    DictdInput stardictInput;
    stardictInput.stardict =
        std::make_shared<stardict::Dictionary>(stardict::readDictionary(writer.input()));
    DictdInput dictd{"wn.index", "alpha\tA\tZ\n", "wn.dict", "alpha\n  the first letter\n"};
    DictdSummary summary;
    const std::vector<DictionaryEntry> rows = importDictd({dictd, stardictInput}, &summary);
    ASSERT_EQ(summary.sources, (std::vector<std::u16string>{u"wn", u"littre"}));
    std::u16string alpha, book;
    for (const DictionaryEntry& row : rows) {
        if (row.term == u"alpha")
            alpha = *row.definition;
        if (row.term == u"Test Book")
            book = *row.definition;
    }
    EXPECT_NE(alpha.find(u"the first letter"), std::u16string::npos) << jet::toUtf8(alpha);
    EXPECT_NE(alpha.find(u"littre"), std::u16string::npos) << jet::toUtf8(alpha);
    EXPECT_NE(alpha.find(u"first line<br>second line"), std::u16string::npos) << jet::toUtf8(alpha);
    EXPECT_NE(book.find(u"Le dictionnaire<br>de la langue"), std::u16string::npos)
        << jet::toUtf8(book);
    EXPECT_NE(book.find(u"http://littre.org"), std::u16string::npos) << jet::toUtf8(book);
}
