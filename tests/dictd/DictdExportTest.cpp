// The database written out as a dictd dictionary: dictzip's form, the index in the server's
// order, each entry's text, and the import of what was written giving the same rows again.
#include "Articles.h"
#include "dictbuild/DictdFormat.h"
#include "dictbuild/DictdImport.h"
#include "dictbuild/DictdText.h"
#include "dictbuild/DictdWriter.h"
#include "dictbuild/RowEntries.h"
#include "dicttext/PlainToHtml.h"
#include "dicttext/TextLayout.h"
#include "jet/TextCodec.h"

#include <zlib.h>

#include <gtest/gtest.h>

namespace {

unsigned little16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

// One chunk of dictzip data inflated with no history: what a server does for an entry in it.
std::string inflateChunk(const std::string& chunk) {
    z_stream stream = {};
    EXPECT_EQ(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    std::string out(1 << 17, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
    stream.avail_in = static_cast<uInt>(chunk.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    // The server takes the end of the stream inside a chunk for damage.
    EXPECT_EQ(inflate(&stream, Z_SYNC_FLUSH), Z_OK);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

// The dictionary's rows as the import makes them from `files`.
std::vector<DictionaryEntry> imported(const dictd::Files& files) {
    return importDictd({DictdInput{"test.index", files.index, "test.dict.dz", files.data}});
}

// Rows written out (each entry of each row) and imported again.
std::vector<DictionaryEntry> roundTrip(const std::vector<DictionaryEntry>& rows) {
    std::vector<dictd::WrittenEntry> entries;
    for (const DictionaryEntry& row : rows) {
        for (const rowentries::Entry& entry : rowentries::split(*row.definition))
            entries.push_back(rowentries::written(row.term, entry));
    }
    return imported(dictd::writeDictionary(entries, {u"test", u"", u""}));
}

DictdInput dictionary(const std::vector<std::pair<std::string, std::string>>& entries) {
    DictdInput input{"test.index", "", "test.dict", ""};
    for (const auto& [headword, text] : entries) {
        input.index += headword + "\t" + dictd::encodeNumber(input.data.size()) + "\t" +
                       dictd::encodeNumber(text.size()) + "\n";
        input.data += text;
    }
    return input;
}

} // namespace

TEST(DictdOut, DictzipChunksInflateEachOnItsOwnAndTheWholeReadsBack) {
    std::string text;
    for (int i = 0; text.size() < 200000; ++i)
        text += "line " + std::to_string(i * 7919 % 100003) + " of the text\n";
    const std::string data = dictd::dictzip(text);
    ASSERT_GT(data.size(), 30u);
    EXPECT_EQ(data.substr(0, 3), std::string("\x1f\x8b\x08"));
    EXPECT_EQ(data[3] & 0x04, 0x04) << "the extra field is there";
    EXPECT_EQ(data.substr(12, 2), "RA");
    const unsigned chunkLength = little16(data, 18), count = little16(data, 20);
    EXPECT_EQ(little16(data, 16), 1u) << "version";
    ASSERT_EQ(count, (text.size() + chunkLength - 1) / chunkLength);
    std::size_t at = 22 + 2 * count;
    for (unsigned chunk = 0; chunk < count; ++chunk) {
        const unsigned size = little16(data, 22 + 2 * chunk);
        EXPECT_EQ(inflateChunk(data.substr(at, size)),
                  text.substr(chunk * chunkLength, chunkLength))
            << "chunk " << chunk;
        at += size;
    }
    EXPECT_LT(at + 8, data.size()) << "the stream's end follows the chunks";
    EXPECT_EQ(dictd::readData(data, "out.dict.dz"), text);
    EXPECT_EQ(dictd::readData(dictd::dictzip(""), "empty.dict.dz"), "");
}

TEST(DictdOut, IndexIsInTheServersOrderOfLowerCaseBytes) {
    const dictd::Files files =
        dictd::writeDictionary({{u"Zebra", u"Zebra\n"},
                                {u"apple", u"apple\n"},
                                {u"C++", u"C++\n"},
                                {u"c", u"c\n"},
                                {u"\u00c4rger", u"\u00c4rger\n"},
                                {u"cost/x", u"cost/x\n"},
                                {u"cost y", u"cost y\n"},
                                {u"Apple", u"Apple\n"}},
                               {u"Test", u"About it.", u"http://example.com/"});
    std::vector<std::string> headwords;
    for (const dictd::IndexEntry& entry : dictd::parseIndex(files.index, "out.index"))
        headwords.push_back(entry.headword);
    EXPECT_EQ(headwords, (std::vector<std::string>{"00-database-allchars", "00-database-info",
                                                   "00-database-short", "00-database-url",
                                                   "00-database-utf8", "apple", "apple", "c", "c++",
                                                   "cost y", "cost/x", "zebra", "\xC3\xA4rger"}));
}

TEST(DictdOut, HeadwordsInLowerCaseAsTheServerLowersAWord) {
    EXPECT_EQ(dictd::indexKey(u"Stra\u00dfe STRASSE"), u"stra\u00dfe strasse")
        << "the sharp s stays; no full case folding";
    EXPECT_EQ(dictd::indexKey(u"\u0130stanbul \u1E9E"), u"istanbul \u00df");
    EXPECT_EQ(dictd::indexKey(u"\u03a3\u039f\u03a6\u039f\u03a3 \u03c3\u03bf\u03c6\u03bf\u03c2"),
              u"\u03c3\u03bf\u03c6\u03bf\u03c3 \u03c3\u03bf\u03c6\u03bf\u03c2")
        << "a final sigma stays";
    EXPECT_EQ(dictd::indexKey(u"\u00b5m \u00c9t\u00c9"), u"\u00b5m \u00e9t\u00e9");
}

TEST(DictdOut, HeadersNameTheDictionaryAndSayItIsUtf8WithEveryCharacterCounting) {
    const dictd::Files files =
        dictd::writeDictionary({{u"caf\u00e9", u"caf\u00e9\n\n  text\n"}},
                               {u"Team glossary", u"Kept by the team.", u"http://example.com/"});
    const std::vector<DictionaryEntry> rows = imported(files);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].term, u"caf\u00e9") << "read as UTF-8";
    EXPECT_EQ(rows[1].term, u"Team glossary") << "the description under the short name";
    EXPECT_EQ(*rows[1].definition,
              u"<p>Kept by the team.</p><p><a href=\"http://example.com/\">http://example.com/"
              u"</a></p>");
}

TEST(DictdOut, EntryTextReadsBackToTheSamePage) {
    // Its lines are ended on purpose, as the import finds of a dictionary of many lines.
    const auto same = [](const std::u16string& html) {
        EXPECT_EQ(plainToHtml(
                      dictdText(html), [](const std::u16string&) { return true; },
                      Braces::References, layout::kNotWrapped),
                  html)
            << jet::toUtf8(dictdText(html));
    };
    same(u"<p>One paragraph &amp; &lt;more&gt;.</p><p>Another, its<br>lines<br>ended on "
         u"purpose.</p>");
    same(u"<p>See <a href=\"#hack\">hack</a> and <a href=\"https://example.com/a\">the site</a>, "
         u"or <a href=\"http://example.com/b\">http://example.com/b</a>.</p>");
    same(u"<p>A table:</p><pre>  a    b\n  1    2\n\n  3    4</pre><p>After it.</p>");
}

TEST(DictdOut, RowsSplitIntoTheirDictionariesAndEntries) {
    const std::u16string definition = articles::write(
        {{u"gcide", false,
          u"<p>one</p>" + std::u16string(articles::kEntrySeparator) + u"<p>two</p>"},
         {u"gcide", true, u"<p>Sundog, a mention</p>"},
         {u"wn", false, u"<p>three<br>lines</p>"}});
    const std::vector<rowentries::Entry> entries = rowentries::split(definition);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].source, u"gcide");
    EXPECT_EQ(entries[0].html, u"<p>one</p>");
    EXPECT_EQ(entries[1].html, u"<p>two</p>");
    EXPECT_FALSE(entries[1].mention);
    EXPECT_TRUE(entries[2].mention);
    EXPECT_EQ(entries[2].html, u"<p>Sundog, a mention</p>");
    EXPECT_EQ(entries[3].source, u"wn");
    EXPECT_EQ(entries[3].html, u"<p>three<br>lines</p>");
    EXPECT_EQ(rowentries::split(u"<p>unmarked</p>")[0].source, u"");
}

TEST(DictdOut, ImportedAgainTheRowsAreTheSame) {
    const std::string longWord(300, 'x');
    const std::vector<DictionaryEntry> rows = importDictd({dictionary({
        {"hack", "hack\n\n   See {Kludge} and\n   {the site (https://example.com/a)}.\n\n   "
                 "Another paragraph,\n   wrapped.\n"},
        {"hack", "hack\n\n   A second entry.\n"},
        {"kludge", "Kludge\n\n   Upper case, see {hack}.\n"},
        {"kludge", "kludge\n\n   Lower case.\n"},
        {"dog", "Sundog, a word that only mentions dog.\n"},
        {"dog", "dog\n\n   The animal.\n"},
        {"Dog", "Dog\n\n   The animal, in capitals.\n"},
        {"table", "table\n\n   Laid out:\n\n        a      b\n        1      2\n"},
        {longWord, longWord + "\n\n   A long headword.\n"},
    })});
    ASSERT_EQ(rows.size(), 7u);
    const std::vector<DictionaryEntry> again = roundTrip(rows);
    ASSERT_EQ(again.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(jet::toUtf8(again[i].term), jet::toUtf8(rows[i].term));
        EXPECT_EQ(jet::toUtf8(*again[i].definition), jet::toUtf8(*rows[i].definition));
    }
}
