// The favourites: one key adds or removes a word, the reader orders them, and an import adds
// only what is new.
#include "history/Favourites.h"

#include <gtest/gtest.h>

using history::Favourites;
using Words = std::vector<std::u16string>;

TEST(Favourites, OneKeyAddsTheWordAndTheSameKeyRemovesIt) {
    Favourites favourites;
    EXPECT_TRUE(favourites.toggle(u"cache"));
    EXPECT_TRUE(favourites.toggle(u"kernel"));
    EXPECT_TRUE(favourites.contains(u"cache"));
    EXPECT_FALSE(favourites.toggle(u"cache"));
    EXPECT_FALSE(favourites.contains(u"cache"));
    EXPECT_EQ(favourites.words(), (Words{u"kernel"}));
    EXPECT_FALSE(favourites.toggle(u"  ")) << "no page, no favourite";
    EXPECT_EQ(favourites.words().size(), 1u);
}

TEST(Favourites, MoveKeepsTheWordWithinTheList) {
    Favourites favourites(Words{u"a", u"b", u"c", u"d"});
    EXPECT_EQ(favourites.move(3, -2), 1u);
    EXPECT_EQ(favourites.words(), (Words{u"a", u"d", u"b", u"c"}));
    EXPECT_EQ(favourites.move(0, 1), 1u);
    EXPECT_EQ(favourites.words(), (Words{u"d", u"a", u"b", u"c"}));
    EXPECT_EQ(favourites.move(0, -1), 0u) << "the first stays first";
    EXPECT_EQ(favourites.move(3, 1), 3u) << "the last stays last";
    EXPECT_EQ(favourites.words(), (Words{u"d", u"a", u"b", u"c"}));
    favourites.remove(1);
    EXPECT_EQ(favourites.words(), (Words{u"d", u"b", u"c"}));
}

TEST(Favourites, AddingSkipsBlanksAndWordsAlreadyThereAndCountsTheRest) {
    Favourites favourites(Words{u"cache"});
    EXPECT_EQ(favourites.add(Words{u"", u"kernel", u"cache", u"  ", u" lisp ", u"kernel"}), 2u);
    EXPECT_EQ(favourites.words(), (Words{u"cache", u"kernel", u"lisp"}));
    EXPECT_TRUE(favourites.add(Words{u"Cache"}) == 1u) << "another term, written otherwise";
}
