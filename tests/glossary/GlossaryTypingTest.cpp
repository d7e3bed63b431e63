// Typing never waits for a page: each key moves the list's selection at once, and the page of
// the term found is built once the keys pause, or as soon as anything reads the page.
#include "GlossaryWindowFixture.h"
#include "LargeDictionary.h"
#include "SentMessageWatch.h"

#include <richedit.h>

#include <algorithm>
#include <string>

namespace glossarytest {
namespace {

// Terms a word typed letter by letter finds one after the other, each with a long page.
const char16_t* const kTypedTerms[] = {u"sand", u"seal", u"set", u"sets"};
constexpr int kLongPageSenses = 400;

void writeLongPagesDictionary(const std::string& path) {
    using namespace fixtures;
    Rows rows = {{integer(1), text(u"apple"), text(u"A short page.")}};
    int id = 2;
    for (const char16_t* term : kTypedTerms) {
        std::u16string definition(u"The page of <b>");
        definition.append(term).append(u"</b>.");
        for (int sense = 0; sense < kLongPageSenses; ++sense)
            definition.append(u"<br>A sense of ")
                .append(term)
                .append(u", with words enough to fill a line of the page.");
        rows.push_back({integer(id++), text(term), text(definition)});
    }
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

bool showsPageOf(const GlossaryProcess& glossary, const std::wstring& term) {
    return glossary.pageText().find(L"The page of " + term + L".") != std::wstring::npos;
}

// Each page goes into a control of its own: the page controls that took text in turn.
int pagesBuilt(const SentMessageWatch& watch) {
    return watch.windowsInTurn(EM_SETTEXTEX);
}

double millisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// A key the window answers within this, whatever the page of its term.
constexpr double kKeyBoundMs = 100;
// Typing pauses when no key came for this long: the window's pause is 100 ms.
constexpr double kPauseMs = 90;

TEST_F(GlossaryWindowTest, TypingQuicklyBuildsOnlyTheLastTermsPageAndNoKeyWaitsForIt) {
    writeLongPagesDictionary(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"A short page."); }, kTimeoutMs));
    // The spare control made: nothing of the start's page is still going in.
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 5; }, kTimeoutMs));
    ASSERT_TRUE(eventually(
        [&] {
            int controls = 0;
            for (HWND child = GetWindow(glossary.page(), GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT))
                ++controls;
            return controls == 2;
        },
        kTimeoutMs));
    const SentMessageWatch watch(glossary);
    ASSERT_TRUE(watch.valid());

    // Each key selects its term at once; the pauses between keys are the test's own.
    double slowestKey = 0;
    int pauses = 0;
    LARGE_INTEGER lastAnswered = {};
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && millisecondsSince(lastAnswered) >= kPauseMs)
            ++pauses;
        LARGE_INTEGER sent;
        QueryPerformanceCounter(&sent);
        glossary.type(std::wstring(1, L"sets"[i]));
        slowestKey = std::max(slowestKey, millisecondsSince(sent));
        QueryPerformanceCounter(&lastAnswered);
        EXPECT_EQ(glossary.selected(), i + 1) << "the list follows each key";
    }
    EXPECT_LT(slowestKey, kKeyBoundMs) << "the slowest key waited";

    // Once the keys pause, the last term's page alone is built, without anyone asking for it.
    ASSERT_TRUE(eventually([&] { return pagesBuilt(watch) >= 1; }, kTimeoutMs));
    ASSERT_TRUE(eventually([&] { return showsPageOf(glossary, L"sets"); }, kTimeoutMs));
    EXPECT_EQ(pagesBuilt(watch), 1 + pauses) << pauses << " pauses between the keys";

    // Read before the keys pause, the page is the one of what was typed last.
    glossary.type(L"\b");
    const std::wstring page = glossary.pageText().substr(0, 60);
    EXPECT_TRUE(showsPageOf(glossary, L"set"))
        << "what a screen reader reads at once: " << std::string(page.begin(), page.end())
        << " selected " << glossary.selected();
}

TEST_F(GlossaryWindowTest, KeysTypedWhileTheSortedIndexIsBuiltAreAnsweredAtOnceAndFindTheirTerm) {
    // Terms with accents, typed without: until the index is built, a key would fold the
    // accents of every term to compare it with the letters typed.
    constexpr int kTerms = 1000000;
    ASSERT_TRUE(writeLargeDictionary(folder_.file("Dict.mdb"), kTerms,
                                     u"H\u00e9t\u00e9rog\u00e9n\u00e9it\u00e9 "));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    // Every term listed and the note of their reading gone: the index is built from then on,
    // for a second or more under Wine.
    ASSERT_TRUE(eventually(
        [&] {
            wchar_t note[64] = {};
            GetWindowTextW(glossary.control(IDC_SEARCH_STATUS), note, 64);
            return glossary.itemCount() == kTerms && note[0] == L'\0';
        },
        kTimeoutMs));

    double slowestKey = 0;
    const auto type = [&](const wchar_t* keys) {
        for (const wchar_t* key = keys; *key != L'\0'; ++key) {
            LARGE_INTEGER sent;
            QueryPerformanceCounter(&sent);
            glossary.type(std::wstring(1, *key));
            slowestKey = std::max(slowestKey, millisecondsSince(sent));
        }
    };
    type(L"heterogeneite");
    // More keys meanwhile: a blank typed and taken back.
    for (const ULONGLONG end = GetTickCount64() + 1500; GetTickCount64() < end;)
        type(L" \b");
    type(L" 98765");
    EXPECT_LT(slowestKey, kKeyBoundMs) << "the slowest key waited";
    EXPECT_TRUE(eventually([&] { return glossary.selected() == 98765; }, kTimeoutMs))
        << "selected " << glossary.selected();
    EXPECT_TRUE(eventually(
        [&] {
            return contains(glossary.pageText(),
                            L"of H\u00e9t\u00e9rog\u00e9n\u00e9it\u00e9 98765,");
        },
        kTimeoutMs));
}

TEST_F(GlossaryWindowTest, AWordTypedJustBeforeExitIsTheOneRememberedForTheNextStart) {
    writeLongPagesDictionary(folder_.file("Dict.mdb"));
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(glossary.valid());
        ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 5; }, kTimeoutMs));
        glossary.type(L"sea");
        glossary.clickExit(); // before the keys' pause
        DWORD exitCode = 0;
        ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
    }
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    EXPECT_TRUE(eventually([&] { return glossary.searchText() == L"seal"; }, kTimeoutMs));
    EXPECT_TRUE(showsPageOf(glossary, L"seal"));
}

} // namespace
} // namespace glossarytest
