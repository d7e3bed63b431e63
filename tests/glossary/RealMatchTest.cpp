// The one pass over the terms that answers searches before the sorted index is there, against
// the indexed search, on the terms of real dictionaries (German, French and English headwords,
// with their accents, umlauts and cases).
#include "Glossary.h"
#include "TermScan.h"
#include "text/Folding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

std::u16string fromUtf8(const std::string& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < bytes.size(); ++k)
            c = c << 6 | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        i += length;
        if (c >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(c);
        }
    }
    return text;
}

// The headwords of a dictd index, in its order.
std::vector<std::u16string> headwords(const std::string& path) {
    std::vector<std::u16string> words;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        words.push_back(fromUtf8(line.substr(0, line.find('\t'))));
    return words;
}

std::u16string swappedCase(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - 32);
        else if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
    }
    return text;
}

struct RealTerms {
    std::vector<std::u16string> terms;
    RealTerms() {
        const char* directory = std::getenv("DICTIONARY_DIR");
        if (directory == nullptr)
            return;
        for (const char* name : {"german-english", "freedict-fra-eng", "devil"}) {
            for (std::u16string& word : headwords(std::string(directory) + "/" + name + ".index"))
                terms.push_back(std::move(word));
        }
    }
};

const char* kindName(TermScan::Kind kind) {
    static const char* const names[] = {"nothing", "equal", "equal ignoring accents", "prefix",
                                        "prefix ignoring accents"};
    return names[static_cast<std::size_t>(kind)];
}

TEST(OnePassMatch, ChoosesWhatTheIndexChoosesForEveryKindOfMatch) {
    static const RealTerms real;
    if (real.terms.size() < 100000)
        FAIL()
            << "DICTIONARY_DIR names no dictionaries (scripts/fetch-dictionaries.sh fetches them)";
    const Glossary glossary(real.terms, {});
    glossary.awaitIndex();
    ASSERT_NE(glossary.sortedIndex(), nullptr);
    const TermList& upper = glossary.foldedTerms();
    TermList terms;
    for (const std::u16string& term : real.terms)
        terms.add(term);

    // Texts of every kind made from terms spread over the lists: the term itself, in the other
    // case, without its accents, its beginning, mistyped, and followed by what no term holds.
    std::vector<std::u16string> texts{u"", u"  ", u"zzzzqx"};
    for (std::size_t i = 0; i < real.terms.size(); i += real.terms.size() / 37) {
        const std::u16string& term = real.terms[i];
        texts.insert(texts.end(), {term, swappedCase(term), text::foldAccents(term),
                                   term.substr(0, (term.size() + 1) / 2), term + u"qzx"});
    }
    // Terms another term precedes in another case ("Arm" after "arm").
    for (std::size_t i = 0, taken = 0; i < real.terms.size() && taken < 20; i += 7) {
        const std::vector<std::uint32_t> same = glossary.sortedIndex()->equalTo(upper[i]);
        if (real.terms[same.front()] != real.terms[i]) {
            texts.push_back(real.terms[i]);
            ++taken;
        }
    }
    // Accented terms' beginnings without their accents: some begin only the accented term.
    for (std::size_t i = 0, taken = 0; i < real.terms.size() && taken < 60; i += 97) {
        const std::u16string& term = real.terms[i];
        if (std::any_of(term.begin(), term.end(), [](char16_t c) { return c > 0x7F; })) {
            texts.push_back(text::foldAccents(term.substr(0, term.size() - 1)));
            ++taken;
        }
    }
    for (const char16_t* word : {u"ecole", u"strasse", u"Muller", u"fur", u"etre", u"Gerat", u"a"})
        texts.push_back(word);

    std::map<TermScan::Kind, int> kinds;
    for (const std::u16string& typed : texts) {
        const Glossary::Match indexed = glossary.match(typed);
        const std::u16string wanted = glossary.folded(indexed.text);
        const TermScan scan =
            scanTerms(terms, upper, indexed.text, wanted, text::foldAccents(indexed.text), true);
        const auto [index, kind] = scan.best();
        ++kinds[kind];
        EXPECT_EQ(index, indexed.index) << "typed: " << std::string(typed.begin(), typed.end());
        EXPECT_EQ(static_cast<int>(kind), static_cast<int>(indexed.found))
            << kindName(kind) << " for " << std::string(typed.begin(), typed.end());
        // The entries kept for the page: all that equal the term found but for case.
        if (!scan.sameCaseOf.empty()) {
            ASSERT_GE(index, 0);
            EXPECT_EQ(scan.sameCaseOf, upper[static_cast<std::size_t>(index)]);
            EXPECT_EQ(scan.sameCase, glossary.sortedIndex()->equalTo(scan.sameCaseOf));
        }
    }
    for (const TermScan::Kind kind :
         {TermScan::Kind::Nothing, TermScan::Kind::Equal, TermScan::Kind::EqualLetters,
          TermScan::Kind::Prefix, TermScan::Kind::PrefixLetters})
        EXPECT_GT(kinds[kind], 0) << "no text found a match of the kind " << kindName(kind);
}

} // namespace
