#include "dictbuild/DictdTerms.h"

#include <gtest/gtest.h>

namespace {

using dictd::Entries;
using dictd::Entry;
using dictd::Terms;

Entries entriesOf(std::initializer_list<std::pair<std::uint32_t, std::u16string>> terms) {
    Entries entries;
    for (const auto& [source, term] : terms) {
        Entry entry;
        entry.source = source;
        entries.add(entry, term);
    }
    return entries;
}

TEST(DictdTerms, aTermIsFoundInAnyCaseButNotWithOtherAccents) {
    const Entries entries = entriesOf({{0, u"École"}, {0, u"Dog"}, {1, u"Straße"}});
    const Terms terms(entries);
    EXPECT_TRUE(terms.has(u"école"));
    EXPECT_TRUE(terms.has(u"ÉCOLE"));
    EXPECT_FALSE(terms.has(u"ecole"));
    EXPECT_FALSE(terms.has(u"Ecole"));
    EXPECT_TRUE(terms.has(u"dog"));
    EXPECT_TRUE(terms.has(u"DOG"));
    EXPECT_FALSE(terms.has(u"dogs"));
    EXPECT_FALSE(terms.has(u"do"));
    EXPECT_TRUE(terms.has(u"STRASSE"));
    EXPECT_TRUE(terms.has(u"strasse"));
}

TEST(DictdTerms, termsEqualButForAccentsAreEachFoundAsWritten) {
    const Entries entries = entriesOf({{0, u"resume"}, {1, u"résumé"}, {1, u"Resume"}});
    const Terms terms(entries);
    EXPECT_TRUE(terms.has(u"RESUME"));
    EXPECT_TRUE(terms.has(u"Résumé"));
    EXPECT_FALSE(terms.has(u"resumé"));
}

TEST(DictdTerms, aTermOfOneDictionaryIsNotFoundInAnother) {
    const Entries entries = entriesOf({{0, u"dog"}, {1, u"Hund"}, {1, u"café"}, {2, u"Café"}});
    const Terms terms(entries);
    EXPECT_TRUE(terms.has(u"Dog", 0));
    EXPECT_FALSE(terms.has(u"dog", 1));
    EXPECT_TRUE(terms.has(u"hund", 1));
    EXPECT_TRUE(terms.has(u"CAFÉ", 2));
    EXPECT_FALSE(terms.has(u"cafe", 1));
}

TEST(DictdTerms, manyTermsAreEachFoundOnceTheTableIsFull) {
    Entries entries;
    for (int i = 0; i < 5000; ++i)
        entries.add(Entry{}, u"Word" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                 std::u16string(1, static_cast<char16_t>(0x100 + i / 26)));
    const Terms terms(entries);
    ASSERT_EQ(terms.order().size(), 5000u);
    for (int i = 0; i < 5000; i += 7) {
        const std::u16string term = u"word" +
                                    std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                                    std::u16string(1, static_cast<char16_t>(0x100 + i / 26));
        EXPECT_TRUE(terms.has(term)) << i;
    }
    EXPECT_FALSE(terms.has(u"word"));
}

} // namespace
