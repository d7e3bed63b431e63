// The import on real dictionaries that no one here wrote (FOLDOC, the Jargon File, V.E.R.A.),
// written into a database and read back by the glossary's own reader.
#include "Glossary.h"
#include "dictbuild/DictdFormat.h"
#include "dictbuild/DictdImport.h"
#include "dictbuild/PlainToHtml.h"
#include "jet/Database.h"
#include "jet/TextCodec.h"
#include "jetwriter/JetWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>

namespace {

const char* const kNames[] = {"foldoc", "jargon", "vera"};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Real {
    std::vector<DictdInput> inputs;
    std::map<std::u16string, std::u16string> definitionOf; // as read back from the database
    std::set<std::u16string> upperTerms;
};

const Real& real() {
    static const Real loaded = [] {
        Real real;
        const char* directory = std::getenv("DICTIONARY_DIR");
        if (directory == nullptr)
            return real;
        for (const char* name : kNames) {
            const std::string base = std::string(directory) + "/" + name;
            real.inputs.push_back(DictdInput{base + ".index", slurp(base + ".index"),
                                             base + ".dict.dz", slurp(base + ".dict.dz")});
        }
        jet::JetWriter writer;
        const std::size_t table = writer.addTable(u"Dict", {{u"id", jet::kLong, 0, true},
                                                            {u"term", jet::kText, 255},
                                                            {u"definition", jet::kMemo}});
        std::vector<jet::Value> row(3);
        row[1].kind = row[2].kind = jet::Value::Kind::Text;
        for (const DictionaryEntry& entry : importDictd(real.inputs)) {
            row[0] = jet::Value();
            row[1].text = entry.term;
            row[2].text = entry.definition.value_or(u"");
            writer.addRow(table, row);
        }
        const jet::Database database = jet::Database::fromBytes(writer.finish());
        for (jet::Recordset rows = database.openTable(u"Dict"); !rows.eof(); rows.moveNext()) {
            real.definitionOf.emplace(rows.value(1).text, rows.value(2).text);
            real.upperTerms.insert(simpleUpperCase(rows.value(1).text));
        }
        return real;
    }();
    return loaded;
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
    std::string text = std::regex_replace(jet::toUtf8(html), std::regex("</?(p|pre|hr)>"), " ");
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
    static const std::regex address(
        R"(^(.*?)\s*\(((?:https?://|ftp://|mailto:|news:)[^\s()]*)\)$)");
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

TEST_F(RealDictionaries, EveryHeadwordIsATerm) {
    for (const DictdInput& input : real().inputs) {
        std::size_t headwords = 0;
        for (const dictd::IndexEntry& item : dictd::parseIndex(input.index, input.indexName)) {
            if (isHeader(item.headword))
                continue;
            ++headwords;
            EXPECT_EQ(real().upperTerms.count(simpleUpperCase(jet::fromUtf8(item.headword))), 1u)
                << input.indexName << ": " << item.headword;
        }
        EXPECT_GT(headwords, 2000u) << input.indexName;
    }
    EXPECT_GT(real().definitionOf.size(), 24000u);
}

TEST_F(RealDictionaries, ThirtyEntriesOfEachReadBackWithTheirWholeText) {
    std::mt19937 random(2026);
    for (const DictdInput& input : real().inputs) {
        const std::string data = dictd::readData(input.data, input.dataName);
        std::vector<dictd::IndexEntry> entries;
        for (const dictd::IndexEntry& item : dictd::parseIndex(input.index, input.indexName)) {
            if (!isHeader(item.headword))
                entries.push_back(item);
        }
        for (int pick = 0; pick < 30; ++pick) {
            const dictd::IndexEntry& item = entries[random() % entries.size()];
            std::string text = data.substr(item.offset, item.length);
            const std::string firstLine = text.substr(0, text.find('\n'));
            std::u16string term = jet::fromUtf8(item.headword);
            const std::u16string written = trimmed(jet::fromUtf8(firstLine));
            if (simpleUpperCase(written) == simpleUpperCase(term)) {
                term = written;
                text = text.substr(std::min(text.size(), firstLine.size() + 1));
            }
            const auto found = real().definitionOf.find(term);
            ASSERT_NE(found, real().definitionOf.end()) << input.indexName << ": " << item.headword;
            EXPECT_NE(visibleText(found->second).find(visibleText(text)), std::string::npos)
                << input.indexName << ": " << item.headword << "\n"
                << visibleText(text) << "\n----\n"
                << visibleText(found->second);
        }
    }
}

TEST_F(RealDictionaries, FoldocCrossReferencesToHeadwordsAreLinksAndTheRestText) {
    const DictdInput& foldoc = real().inputs[0];
    const std::string data = dictd::readData(foldoc.data, foldoc.dataName);
    std::size_t links = 0, texts = 0;
    for (const dictd::IndexEntry& item : dictd::parseIndex(foldoc.index, foldoc.indexName)) {
        if (isHeader(item.headword))
            continue;
        std::string text = data.substr(item.offset, item.length);
        const std::string firstLine = text.substr(0, text.find('\n'));
        const std::u16string written = trimmed(jet::fromUtf8(firstLine));
        const std::u16string headword = jet::fromUtf8(item.headword);
        std::u16string term = headword;
        if (simpleUpperCase(written) == simpleUpperCase(headword)) {
            term = written; // the term's own line is no text of the page
            text = text.substr(std::min(text.size(), firstLine.size() + 1));
        }
        const auto found = real().definitionOf.find(term);
        ASSERT_NE(found, real().definitionOf.end()) << item.headword;
        const std::u16string& definition = found->second;
        static const std::regex reference(R"(\{([^{}]*)\})");
        for (auto match = std::sregex_iterator(text.begin(), text.end(), reference);
             match != std::sregex_iterator(); ++match) {
            const std::u16string target = jet::fromUtf8(collapsed((*match)[1].str()));
            // Addresses, and braces in program text.
            if (target.empty() || target.find(u"://") != std::u16string::npos ||
                target.find(u"mailto:") == 0 ||
                target.find_first_of(u";=\"") != std::u16string::npos)
                continue;
            const std::u16string href = u"<a href=\"#" + escapeHtml(target) + u"\">";
            if (real().upperTerms.count(simpleUpperCase(target)) != 0) {
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
