// The import on excerpts of the real dictionaries: a few headwords' index lines over the whole
// data, so that each case is the authors' own text and the test stays quick.
#include "dictbuild/DictdImport.h"

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
    // "lkw" twice.
    DictdSummary summary;
    const auto rows = importDictd(
        {excerpt("gcide", {"Run", "Set"}), excerpt("freedict-deu-eng", {"lkw"})}, &summary);
    EXPECT_EQ(count(pageOf(rows, u"Run"), u"Run \\Run\\ (r[u^]n), v. i."), 1u);
    EXPECT_EQ(count(pageOf(rows, u"Set"), u"Set \\Set\\ (s[e^]t), v. t."), 1u);
    EXPECT_EQ(count(pageOf(rows, u"lkw"), u"Lastkraftwagen /"), 1u);
    ASSERT_EQ(summary.perSource.size(), 2u);
    EXPECT_EQ(summary.perSource[0].repeated, 3u);
    EXPECT_EQ(summary.perSource[1].repeated, 1u);
    EXPECT_EQ(summary.perSource[0].entries, 11u)
        << "Run's and Set's other entries stay, with the dictionary's description";
}
