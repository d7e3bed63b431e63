// The StarDict reader on dictionaries no one here wrote: Debian's Littré and Czech dictionary
// of foreign words whole and in excerpts cut short or with lying counts, and the Jargon File as
// pyglossary writes it, entry for entry against the dictd reading of the same dictionary.
#include "StardictWriter.h"
#include "dictbuild/DictdFormat.h"
#include "dictbuild/StardictDictionary.h"
#include "dictbuild/StardictInfo.h"
#include "jet/TextCodec.h"
#include "page/HtmlToRtf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

using stardict_test::failure;
using stardict_test::page;

namespace {

std::string directory() {
    const char* value = std::getenv("DICTIONARY_DIR");
    return value != nullptr ? value : "";
}

bool present(const std::string& name) {
    return static_cast<bool>(std::ifstream(directory() + "/" + name + ".ifo"));
}

// Skipped only where the files were never fetched; the test run fetches them.
#define REQUIRE_DICTIONARY(name)                                                                   \
    if (!present(name))                                                                            \
    GTEST_FAIL() << "no " << name                                                                  \
                 << ".ifo in DICTIONARY_DIR (scripts/fetch-dictionaries.sh "                       \
                    "fetches it)"

stardict::Input filesOf(const std::string& name) {
    return stardict::readFiles(directory() + "/" + name + ".ifo");
}

// Read once for the tests that look at it: the reading takes seconds.
const stardict::Dictionary& littre() {
    static const stardict::Dictionary read = stardict::readDictionary(filesOf("XMLittre"));
    return read;
}

// The first `count` records of a 32-bit index, and the information file that tells so.
stardict::Input excerpt(stardict::Input input, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i)
        at = input.index.find('\0', at) + 9;
    input.index.resize(at);
    const std::size_t words = input.info.find("wordcount=");
    input.info.replace(words, input.info.find('\n', words) - words,
                       "wordcount=" + std::to_string(count));
    const std::size_t size = input.info.find("idxfilesize=");
    input.info.replace(size, input.info.find('\n', size) - size,
                       "idxfilesize=" + std::to_string(at));
    return input;
}

// The words of a text, mark-up and braces left out (a line break separates words, other tags
// do not): what both forms of an entry must share.
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> list;
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        if (c == '<') {
            const std::size_t end = text.find('>', i);
            const bool lineBreak = text.compare(i, 3, "<br") == 0;
            i = end == std::string::npos ? text.size() : end;
            if (!lineBreak)
                continue;
        } else if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
            if (c != '{' && c != '}')
                word += c;
            continue;
        }
        if (!word.empty())
            list.push_back(std::move(word)), word.clear();
    }
    return list;
}

} // namespace

TEST(RealStardict, TheLittreAndTheCzechDictionaryAreReadWhole) {
    REQUIRE_DICTIONARY("XMLittre");
    REQUIRE_DICTIONARY("czech-cizi");
    const stardict::Dictionary& littre = ::littre();
    EXPECT_EQ(littre.entries.size(), 122910u);
    EXPECT_EQ(littre.title, u"XMLittre");
    EXPECT_TRUE(littre.skipped.reasons.empty());
    const std::string cheval = page(littre, "CHEVAL");
    EXPECT_EQ(cheval.substr(0, 52), "<i><font size=\"-1\">(che-val) s. m.</font></i><br><br");
    EXPECT_NE(cheval.find("<b>1°</b> Animal domestique"), std::string::npos);

    const stardict::Dictionary czech = stardict::readDictionary(filesOf("czech-cizi"));
    EXPECT_EQ(czech.entries.size(), 18259u);
    EXPECT_EQ(czech.title, u"Slovník cizích slov");
    EXPECT_EQ(czech.shortName, u"czech-cizi");
    EXPECT_EQ(page(czech, "a capella"),
              "[<i>a kapela</i>]<br><br><b>vokální skladba bez instrumentálního doprovodu</b>");
}

TEST(RealStardict, ExcerptsCutShortOrWithLyingCountsAreRefusedWithThePlaceNamed) {
    REQUIRE_DICTIONARY("XMLittre");
    REQUIRE_DICTIONARY("czech-cizi");
    const stardict::Input littre = excerpt(filesOf("XMLittre"), 500);
    const std::string indexName = littre.indexName;
    EXPECT_EQ(stardict::readDictionary(littre).entries.size(), 500u);

    stardict::Input cut = littre;
    cut.index.resize(cut.index.size() - 3);
    EXPECT_EQ(failure(cut), indexName + ": holds " + std::to_string(cut.index.size()) +
                                " bytes, but the information file says " +
                                std::to_string(littre.index.size()) +
                                " (idxfilesize): the index is cut short or belongs to another "
                                "dictionary");
    const std::size_t size = cut.info.find("idxfilesize=");
    cut.info.replace(size, cut.info.find('\n', size) - size,
                     "idxfilesize=" + std::to_string(cut.index.size()));
    EXPECT_NE(failure(cut).find(": entry 500 at byte "), std::string::npos) << failure(cut);
    EXPECT_NE(failure(cut).find("the file ends inside the numbers after"), std::string::npos);

    stardict::Input lying = littre;
    lying.info.replace(lying.info.find("wordcount=500"), 13, "wordcount=122910");
    EXPECT_EQ(failure(lying),
              indexName + ": holds 500 entries, but the information file says 122910 (wordcount)");

    // The Czech data cut short inside its last entry: that entry is named.
    stardict::Input czech = filesOf("czech-cizi");
    czech.data.resize(czech.data.size() - 10);
    const std::string message = failure(czech);
    EXPECT_EQ(message.substr(0, czech.indexName.size() + 8), czech.indexName + ": entry ");
    EXPECT_NE(message.find("past the end of " + czech.dataName + " (1340212 bytes)"),
              std::string::npos)
        << message;

    // The compressed data itself cut short.
    std::ifstream in(directory() + "/czech-cizi.dict.dz", std::ios::binary);
    std::string compressed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    compressed.resize(compressed.size() / 2);
    try {
        dictd::readData(compressed, "czech-cizi.dict.dz");
        ADD_FAILURE() << "half the compressed data was read";
    } catch (const dictd::FormatError& error) {
        EXPECT_EQ(std::string(error.what()), "czech-cizi.dict.dz: compressed data ends too early");
    }
}

TEST(RealStardict, PyglossarysJargonFileHasTheEntriesOfTheDictdOneWordForWord) {
    REQUIRE_DICTIONARY("jargon-pyglossary");
    const stardict::Dictionary converted = stardict::readDictionary(filesOf("jargon-pyglossary"));
    std::ifstream indexFile(directory() + "/jargon.index", std::ios::binary);
    std::ifstream dataFile(directory() + "/jargon.dict.dz", std::ios::binary);
    const std::string index((std::istreambuf_iterator<char>(indexFile)),
                            std::istreambuf_iterator<char>());
    const std::string data = dictd::readData(
        std::string((std::istreambuf_iterator<char>(dataFile)), std::istreambuf_iterator<char>()),
        "jargon.dict.dz");
    // pyglossary writes one entry a headword, its dictd entries one after another, as HTML
    // without escaping the text: a line break within braces goes, braces become links, line
    // ends <br />. So the text is read as it will read it: a "<" in the text opens a tag.
    const std::regex braceOverLineEnd("\\{([^\\n]*?)\\n([^\\n]*?)\\}"), braces("\\{([^\\n]+?)\\}");
    std::map<std::string, std::vector<std::string>> expected;
    std::size_t lines = 0;
    for (const dictd::IndexEntry& entry : dictd::parseIndex(index, "jargon.index")) {
        std::string text = std::regex_replace(
            std::regex_replace(data.substr(entry.offset, entry.length), braceOverLineEnd, "{$1$2}"),
            braces, "<a href=\"bword://$1\">$1</a>");
        for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at))
            text.replace(at, 1, "<br />");
        std::vector<std::string>& list = expected[entry.headword];
        for (std::string& word : words(text))
            list.push_back(std::move(word));
        ++lines;
    }
    ASSERT_GT(lines, 2300u);
    ASSERT_EQ(converted.entries.size(), expected.size());
    std::size_t differing = 0;
    for (const stardict::Dictionary::Entry& entry : converted.entries) {
        const auto found = expected.find(entry.headword);
        if (found == expected.end()) {
            ADD_FAILURE() << "no dictd entry " << entry.headword;
            continue;
        }
        const std::vector<std::string> got =
            words(converted.pages.substr(entry.offset, entry.length));
        if (got != found->second && ++differing <= 5) {
            std::size_t at = 0;
            while (at < got.size() && at < found->second.size() && got[at] == found->second[at])
                ++at;
            ADD_FAILURE() << "the entry " << entry.headword << " differs at word " << at << ": "
                          << (at < got.size() ? got[at] : "(end)") << " instead of "
                          << (at < found->second.size() ? found->second[at] : "(end)");
        }
    }
    EXPECT_EQ(differing, 0u);
}

TEST(RealStardict, TheLittresQuotationsReadAsQuotationsNeverAsLinks) {
    REQUIRE_DICTIONARY("XMLittre");
    // Each quotation in medium blue, its author in red, where it stands in olive.
    const std::string rose = page(littre(), "ROSE");
    const std::string quotation = "Tu ne devrais jamais marcher que sur des roses";
    ASSERT_NE(rose.find(quotation), std::string::npos) << rose;
    const std::string rtf = htmlToPage(jet::fromUtf8(rose)).rtf;
    EXPECT_EQ(rtf.find("\\blue205;"), std::string::npos) << "no blue but the links'";
    EXPECT_NE(rtf.find("\\red178\\green34\\blue34;"), std::string::npos) << "the authors' red";
    const std::size_t at = rtf.find(quotation);
    ASSERT_NE(at, std::string::npos);
    // Each run a group of its own: its codes, a blank, its text.
    const std::size_t group = rtf.rfind('{', at);
    ASSERT_NE(group, std::string::npos);
    const std::string codes = rtf.substr(group, at - group);
    EXPECT_NE(codes.find("\\i"), std::string::npos) << "italic: " << codes;
    EXPECT_EQ(htmlToPage(u"<font color=\"#0000CD\">a</font> <a href=\"#b\">b</a>").links.size(), 1u)
        << "links stay links";
}
