// A DICT server's definitions read as the import reads the same dictionary: every entry of two
// dictionaries the import was never tuned on, given as dictd sends it (the entry's text under
// its index headword), becomes the same HTML as in the imported page of its term.
#include "dict/DefinitionParts.h"
#include "dictbuild/DictdFormat.h"
#include "dictbuild/DictdImport.h"
#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Per cent of the entries whose reading as a server's definition stands in the imported page.
double sameReading(const std::string& name, std::string& firstMismatch) {
    const std::string base = std::string(std::getenv("DICTIONARY_DIR")) + "/" + name;
    const DictdInput input{base + ".index", slurp(base + ".index"), base + ".dict.dz",
                           slurp(base + ".dict.dz")};
    const std::string data = dictd::readData(input.data, input.dataName);
    const auto index = dictd::parseIndex(input.index, input.indexName);
    std::map<std::u16string, std::u16string> pages;
    std::set<std::u16string> terms; // as the import knows them: equal but for case
    for (DictionaryEntry& row : importDictd({input})) {
        terms.insert(text::foldCase(row.term));
        pages[row.term] = row.definition.value_or(u"");
    }
    const auto isTerm = [&terms](const std::u16string& term) {
        return terms.count(text::foldCase(term)) != 0;
    };
    dict::LayoutSamples session; // the entries come one by one, as a reader looks them up
    std::size_t entries = 0, same = 0;
    for (const dictd::IndexEntry& entry : index) {
        if (entry.headword.rfind("00-database-", 0) == 0 ||
            entry.headword.rfind("00database", 0) == 0)
            continue;
        std::string text = data.substr(entry.offset, entry.length);
        while (!text.empty() && text.back() == '\n')
            text.pop_back(); // dictd ends the text with its last line
        const auto parts =
            dict::definitionParts({{entry.headword, name, "", text}}, isTerm, session);
        ++entries;
        bool found = false;
        for (const auto& [term, page] : pages)
            found = found || (!parts.empty() && page.find(parts[0].html) != std::u16string::npos);
        same += found ? 1 : 0;
        if (!found && firstMismatch.empty())
            firstMismatch =
                entry.headword + ": " + jet::toUtf8(parts.empty() ? u"" : parts[0].html);
    }
    return entries == 0 ? 0.0 : 100.0 * static_cast<double>(same) / static_cast<double>(entries);
}

} // namespace

TEST(ServerReading, EveryEntryReadsAsTheImportReadsIt) {
    if (std::getenv("DICTIONARY_DIR") == nullptr)
        FAIL()
            << "DICTIONARY_DIR names no dictionaries (scripts/fetch-dictionaries.sh fetches them)";
    for (const std::string name : {"devil", "elements"}) {
        std::string mismatch;
        const double rate = sameReading(name, mismatch);
        std::printf("%s: %.2f %% of the entries read alike%s%s\n", name.c_str(), rate,
                    mismatch.empty() ? "" : "; the first that differs: ", mismatch.c_str());
        EXPECT_GE(rate, 99.5) << name << ", the first that differs: " << mismatch;
    }
}
