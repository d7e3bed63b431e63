// The groups of dictionaries apart from any window: made, renamed, deleted, chosen, read back.
#include "groups/DictionaryGroups.h"

#include <gtest/gtest.h>

using groups::Groups;
using groups::Member;

namespace {

const Member kFoldoc{u"", u"foldoc"};
const Member kJargon{u"", u"jargon"};
const Member kDevil{u"localhost:2629", u"devil"};

Groups englishAndComputing() {
    Groups made;
    EXPECT_TRUE(made.add(u"English"));
    EXPECT_TRUE(made.add(u"Computing"));
    made.setMember(0, kJargon, true);
    made.setMember(0, kDevil, true);
    made.setMember(1, kFoldoc, true);
    made.setMember(1, kJargon, true);
    return made;
}

} // namespace

TEST(DictionaryGroups, AllDictionariesIsChosenUntilAGroupIs) {
    Groups made = englishAndComputing();
    EXPECT_EQ(made.chosen(), 0u);
    EXPECT_FALSE(made.shown());
    EXPECT_TRUE(made.lets(kFoldoc));
    EXPECT_TRUE(made.lets(Member{u"elsewhere", u"anything"}));
    ASSERT_TRUE(made.choose(1));
    EXPECT_FALSE(made.lets(kFoldoc)) << "English holds the Jargon File and the devil only";
    EXPECT_TRUE(made.lets(kJargon));
    EXPECT_TRUE(made.lets(kDevil));
    EXPECT_FALSE(made.lets(Member{u"", u"devil"})) << "a server's database is not a local one";
    ASSERT_TRUE(made.choose(2));
    EXPECT_TRUE(made.lets(kFoldoc));
    EXPECT_FALSE(made.lets(kDevil));
    EXPECT_FALSE(made.choose(3)) << "there is no third group";
    EXPECT_EQ(made.chosen(), 2u);
}

TEST(DictionaryGroups, NamesAreTrimmedAndRefusedWhenEmptyTakenReservedOrBroken) {
    Groups made = englishAndComputing();
    EXPECT_FALSE(made.refusal(u"  \t ").empty());
    EXPECT_FALSE(made.refusal(u"english").empty()) << "names differ by more than case";
    EXPECT_FALSE(made.refusal(u"ALL DICTIONARIES").empty());
    EXPECT_FALSE(made.refusal(u"two\nlines").empty());
    EXPECT_FALSE(made.refusal(std::u16string(81, u'x')).empty());
    EXPECT_TRUE(made.refusal(u"English", 0).empty()) << "a group keeps its own name";
    EXPECT_FALSE(made.add(u"Computing"));
    EXPECT_EQ(made.list().size(), 2u);
    EXPECT_TRUE(made.add(u"  English\u2013German  "));
    EXPECT_EQ(made.list().back().name, u"English\u2013German");
    EXPECT_FALSE(made.rename(0, u"Computing"));
    EXPECT_EQ(made.list()[0].name, u"English");
    EXPECT_TRUE(made.rename(0, u"Plain English"));
    EXPECT_EQ(made.list()[0].name, u"Plain English");
}

TEST(DictionaryGroups, RemovingAGroupKeepsTheChoiceOnTheGroupShownOrGoesBackToAll) {
    Groups made = englishAndComputing();
    ASSERT_TRUE(made.add(u"Third"));
    ASSERT_TRUE(made.choose(3));
    made.remove(0);
    EXPECT_EQ(made.chosen(), 2u);
    EXPECT_EQ(made.shown()->name, u"Third");
    made.remove(1);
    EXPECT_EQ(made.chosen(), 0u) << "the group shown is gone: all dictionaries";
    EXPECT_EQ(made.list().size(), 1u);
}

TEST(DictionaryGroups, MembersAreAddedOnceAndTakenOut) {
    Groups made = englishAndComputing();
    made.setMember(1, kFoldoc, true);
    EXPECT_EQ(made.list()[1].members.size(), 2u);
    made.setMember(1, kFoldoc, false);
    EXPECT_FALSE(made.list()[1].holds(kFoldoc));
    made.setMember(1, Member{u"", u""}, true);
    EXPECT_EQ(made.list()[1].members.size(), 1u) << "a dictionary without a name is none";
}

TEST(DictionaryGroups, TheRememberedLinesGiveTheSameGroupsAndChoiceBack) {
    Groups made = englishAndComputing();
    ASSERT_TRUE(made.choose(2));
    const std::vector<std::u16string> lines = made.remembered();
    EXPECT_EQ(lines,
              (std::vector<std::u16string>{u"=English", u"+jargon", u"@localhost:2629\tdevil",
                                           u"=Computing", u"+foldoc", u"+jargon", u"*Computing"}));
    const Groups again = Groups::fromRemembered(lines);
    EXPECT_EQ(again.remembered(), lines);
    EXPECT_EQ(again.chosen(), 2u);
}

TEST(DictionaryGroups, StrangeLinesAreLeftOutAndTheRestIsKept) {
    const Groups read = Groups::fromRemembered({u"+orphan", u"=Good", u"+foldoc", u"=", u"+lost",
                                                u"=good", u"+lost too", u"@\tnoserver", u"@nobody",
                                                u"?what", u"=Next", u"+a\nb", u"*Missing"});
    ASSERT_EQ(read.list().size(), 2u);
    EXPECT_EQ(read.list()[0].name, u"Good");
    ASSERT_EQ(read.list()[0].members.size(), 1u);
    EXPECT_EQ(read.list()[0].members[0], kFoldoc);
    EXPECT_EQ(read.list()[1].name, u"Next");
    EXPECT_TRUE(read.list()[1].members.empty());
    EXPECT_EQ(read.chosen(), 0u) << "a chosen group that is not there: all dictionaries";
}

TEST(DictionaryGroups, ReadingBackStopsAtTheBounds) {
    std::vector<std::u16string> lines;
    for (int i = 0; i < 150; ++i)
        lines.push_back(u"=G" + std::u16string(1, char16_t(u'0' + i / 100)) +
                        std::u16string(1, char16_t(u'0' + i / 10 % 10)) +
                        std::u16string(1, char16_t(u'0' + i % 10)));
    for (int i = 0; i < 3000; ++i)
        lines.push_back(u"+d" + std::u16string(static_cast<std::size_t>(i % 7 + 1), u'x') +
                        std::u16string(1, char16_t(0x4E00 + i)));
    const Groups read = Groups::fromRemembered(lines);
    EXPECT_EQ(read.list().size(), groups::kMostGroups);
    EXPECT_EQ(read.list().back().members.size(), 0u) << "the members followed a group left out";
}

TEST(DictionaryGroups, AGroupTurnsOffTheDatabasesDictionariesOutsideItAndSkipsTheMissing) {
    Groups made = englishAndComputing();
    made.setMember(0, Member{u"", u"gone since"}, true);
    search::SourceChoice choice{
        {0, u"foldoc", 3, true}, {1, u"jargon", 4, true}, {2, u"vera", 5, false}};
    groups::restrict(choice, made.shown());
    EXPECT_TRUE(choice[0].on && choice[1].on) << "all dictionaries change nothing";
    ASSERT_TRUE(made.choose(1));
    groups::restrict(choice, made.shown());
    EXPECT_FALSE(choice[0].on);
    EXPECT_TRUE(choice[1].on);
    EXPECT_FALSE(choice[2].on) << "one off stays off in a group too";
    EXPECT_EQ(choice.size(), 3u);
}
