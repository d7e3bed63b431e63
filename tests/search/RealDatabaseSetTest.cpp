// dictbuild --each on real dictionaries: the databases it writes, one a dictionary, shown as one
// set read as the database of them all that dictbuild writes in one import.
#include "Glossary.h"
#include "search/DatabaseSet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

} // namespace

TEST(RealDatabaseSet, DatabasesWrittenOneADictionaryReadAsTheOneDatabaseOfThemAll) {
    const char* directory = std::getenv("DICTIONARY_DIR");
    const char* dictbuild = std::getenv("DICTBUILD");
    if (directory == nullptr || dictbuild == nullptr)
        GTEST_SKIP() << "DICTIONARY_DIR and DICTBUILD name the dictionaries and dictbuild";
    const std::string folder = testing::TempDir() + "each";
    const std::string all = testing::TempDir() + "all-of-them.mdb";
    std::string pairs;
    for (const char* name : {"jargon", "vera", "elements"})
        pairs += " " + quoted(std::string(directory) + "/" + name + ".index") + " " +
                 quoted(std::string(directory) + "/" + name + ".dict.dz");
    ASSERT_EQ(std::system(("rm -rf " + quoted(folder) + " && mkdir -p " + quoted(folder)).c_str()),
              0);
    ASSERT_EQ(std::system((quoted(dictbuild) + " --each --dictd" + pairs + " " + quoted(folder) +
                           " >/dev/null")
                              .c_str()),
              0);
    ASSERT_EQ(
        std::system(
            (quoted(dictbuild) + " --dictd" + pairs + " " + quoted(all) + " >/dev/null").c_str()),
        0);

    std::vector<search::SetMember> members;
    for (const char* name : {"jargon", "vera", "elements"})
        members.push_back({folder + "/" + name + ".mdb", {}});
    const search::SetRead set = search::readSet(members, {});
    ASSERT_EQ(set.reads.size(), 3u);
    for (const Glossary::PartRead& read : set.reads) {
        EXPECT_EQ(read.failure, "");
        EXPECT_EQ(read.damage, "");
    }
    const Glossary::Part whole = search::partFor(all, {});
    const Glossary one = Glossary::load(all, {}, nullptr, nullptr, whole.view);
    ASSERT_GT(one.size(), 10000u);
    ASSERT_EQ(set.glossary.size(), one.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < one.size(); ++i) {
        ASSERT_EQ(set.glossary.term(i), one.term(i)) << "entry " << i;
        if (i % 7 == 0 && set.glossary.definitionShownFor(i) != one.definitionShownFor(i))
            ++differing;
    }
    EXPECT_EQ(differing, 0u) << "pages that differ from the one database's";
    std::remove(all.c_str());
    std::system(("rm -rf " + quoted(folder)).c_str());
}
