// A long page goes into its control in a few steps however long it is: under Wine the control
// takes as long for the text already in as for the piece it is given, so a page put in a slice
// at a time keeps the window busy for seconds, and a key typed meanwhile waits.
#include "GlossaryWindowFixture.h"
#include "PageControls.h"
#include "SentMessageWatch.h"

#include <richedit.h>

namespace glossarytest {
namespace {

// A term whose page has a thousand paragraphs (about 90,000 characters, 140 slices of a screen's
// third), the last of them saying that it is.
void writeLongPage(const std::string& path) {
    using namespace fixtures;
    std::u16string definition;
    for (int sense = 1; sense <= 1000; ++sense)
        definition += u"<p>" + std::u16string(sense == 1000 ? u"Last sense" : u"Sense") +
                      u": the words of a long definition, as a large dictionary has them.</p>";
    const Rows rows = {
        {integer(1), text(u"Cache"), text(u"A <b>small</b> store &amp; more.")},
        {integer(2), text(u"Longest"), text(definition)},
    };
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// Started on the short first page, whole, with the spare control made.
bool onTheFirstPageIdle(const GlossaryProcess& glossary) {
    return glossary.valid() &&
           eventually([&] { return contains(glossary.pageText(), L"small store"); }, kTimeoutMs) &&
           idleWithSparePage(glossary);
}

// Put in a slice at a time it would take 140 steps.
constexpr int kMostSteps = 24;

TEST_F(GlossaryWindowTest, ALongPageGoesInWhileTheWindowIsIdleInAFewSteps) {
    writeLongPage(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(onTheFirstPageIdle(glossary));
    const SentMessageWatch watch(glossary);
    ASSERT_TRUE(watch.valid());

    glossary.setSearch(L"Longest");
    // Whole once the spare control for the next page is made: nothing here reads the page
    // before, which would have it put in at once.
    ASSERT_TRUE(idleWithSparePage(glossary));
    const HWND shown = shownPageControl(glossary);
    EXPECT_LE(watch.count(shown, EM_SETTEXTEX), kMostSteps);
    EXPECT_TRUE(contains(glossary.pageText(), L"Last sense: the words"));
}

TEST_F(GlossaryWindowTest, ALongPageReadBeforeItIsWholeGoesInAtOnce) {
    writeLongPage(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(onTheFirstPageIdle(glossary));
    const SentMessageWatch watch(glossary);
    ASSERT_TRUE(watch.valid());

    // Read as a screen reader reads it, as soon as it is asked for: the rest comes in one step.
    glossary.setSearch(L"Longest");
    EXPECT_TRUE(contains(glossary.pageText(), L"Last sense: the words"));
    ASSERT_TRUE(idleWithSparePage(glossary));
    EXPECT_LE(watch.count(shownPageControl(glossary), EM_SETTEXTEX), kMostSteps / 2);
}

} // namespace
} // namespace glossarytest
