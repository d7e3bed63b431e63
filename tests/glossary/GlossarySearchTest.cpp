// The search box's modes, driven from outside: terms by wildcards, and words in the
// definitions, with the full-text index and without it, on an excerpt of FOLDOC.
#include "GlossaryWindowFixture.h"

#include "win32/Process.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <sstream>
#include <vector>

using namespace glossarytest;

namespace {

// FOLDOC's entries whose headwords begin so: about a thousand, the ones these tests look for
// among them.
const char* const kExcerpt[] = {"00-database", "mu", "se", "th", "lo", "cr", "co"};

class GlossarySearchTest : public GlossaryWindowTest {
protected:
    // Imports the excerpt with dictbuild into Dict.mdb of the test's folder; false, with the
    // reason reported, when it cannot.
    bool importExcerpt(bool withIndex) {
        const char* directory = std::getenv("DICTIONARY_DIR");
        if (directory == nullptr) {
            ADD_FAILURE() << "DICTIONARY_DIR names no dictionaries (scripts/fetch-dictionaries.sh)";
            return false;
        }
        const std::string base = std::string(directory) + "/foldoc";
        std::istringstream index(readFile(base + ".index"));
        std::string excerpt, line;
        while (std::getline(index, line)) {
            for (const char* start : kExcerpt) {
                if (line.compare(0, std::string(start).size(), start) == 0) {
                    excerpt += line + "\n";
                    break;
                }
            }
        }
        if (excerpt.size() < 10000) {
            ADD_FAILURE() << "no FOLDOC index at " << base << ".index";
            return false;
        }
        writeFile(folder_.file("foldoc.index"), excerpt);
        CopyFileA((base + ".dict.dz").c_str(), folder_.file("foldoc.dict.dz").c_str(), FALSE);
        DeleteFileA(folder_.file("Dict.mdb").c_str());
        const std::string command = win32::quoted(binaryDirectory() + "\\dictbuild.exe") +
                                    (withIndex ? "" : " --no-index") +
                                    " --dictd foldoc.index foldoc.dict.dz Dict.mdb";
        const win32::Process dictbuild =
            win32::startProcess({}, command, win32::StartOptions{folder_.path()});
        DWORD exitCode = 1;
        if (!dictbuild || !win32::waitForExit(dictbuild.handle.get(), 120000, exitCode) ||
            exitCode != 0) {
            ADD_FAILURE() << command << " failed (" << exitCode << ")";
            return false;
        }
        return true;
    }

    // What the line beside "In definitions" says.
    static std::wstring status(const GlossaryProcess& glossary) {
        wchar_t text[128] = {};
        GetWindowTextW(glossary.control(IDC_SEARCH_STATUS), text, 128);
        return text;
    }
    static bool inDefinitions(const GlossaryProcess& glossary) {
        return SendMessageW(glossary.control(IDC_IN_DEFINITIONS), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    static std::vector<std::wstring> listed(const GlossaryProcess& glossary) {
        std::vector<std::wstring> terms;
        for (int i = 0; i < glossary.itemCount(); ++i)
            terms.push_back(glossary.listText(i));
        return terms;
    }
    // A search in definitions has answered when the status counts what it found.
    static bool answered(const GlossaryProcess& glossary) {
        return contains(status(glossary), L"found");
    }
};

bool has(const std::vector<std::wstring>& terms, const std::wstring& term) {
    return std::find(terms.begin(), terms.end(), term) != terms.end();
}

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

} // namespace

TEST_F(GlossarySearchTest, WildcardsFilterTheListToTheMatchingTermsInSortedOrder) {
    ASSERT_TRUE(importExcerpt(true));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const int all = glossary.itemCount();
    ASSERT_GT(all, 900);

    glossary.setSearch(L"colo?r");
    EXPECT_EQ(listed(glossary), std::vector<std::wstring>{L"colour"}) << "? is one character";
    EXPECT_EQ(glossary.selected(), 0);
    EXPECT_TRUE(contains(glossary.pageText(), L"colour")) << "the first match is shown";
    EXPECT_EQ(status(glossary), L"1 match");

    glossary.setSearch(L"COLO*R");
    EXPECT_EQ(listed(glossary),
              (std::vector<std::wstring>{L"color", L"Color Graphics Adapter", L"colour"}))
        << "* any run, none too; case ignored";

    glossary.setSearch(L"*ology");
    const std::vector<std::wstring> ologies = listed(glossary);
    EXPECT_TRUE(has(ologies, L"cryptology")) << "a leading star";
    for (const std::wstring& term : ologies)
        EXPECT_EQ(lower(term).substr(lower(term).size() - 5), L"ology") << term;
    EXPECT_TRUE(std::is_sorted(
        ologies.begin(), ologies.end(),
        [](const std::wstring& a, const std::wstring& b) { return lower(a) < lower(b); }));

    glossary.saveScreenshot(binaryDirectory() + "\\glossary-wildcards.bmp");
    glossary.setSearch(L"mu*x");
    EXPECT_TRUE(has(listed(glossary), L"mutex"));
    EXPECT_FALSE(has(listed(glossary), L"mutual exclusion"));

    // A pattern that matches nothing says so; without wildcards the search is as ever.
    glossary.setSearch(L"zz*q");
    EXPECT_EQ(glossary.itemCount(), 0);
    EXPECT_EQ(glossary.selected(), -1);
    glossary.setSearch(L"mutex");
    EXPECT_EQ(glossary.itemCount(), all) << "every term listed again";
    EXPECT_EQ(glossary.listText(glossary.selected()), L"mutex");
    EXPECT_EQ(status(glossary), L"");
}

TEST_F(GlossarySearchTest, SearchInDefinitionsListsTermsBestFirstAndMarksTheWords) {
    ASSERT_TRUE(importExcerpt(true));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const int all = glossary.itemCount();

    // Ctrl+Shift+F switches the box; the check box beside it says so.
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_SHIFT, L'F'},
                           [&] { return inDefinitions(glossary); }));
    EXPECT_EQ(glossary.focus(), glossary.control(IDC_SEARCH));
    EXPECT_EQ(glossary.itemCount(), 0) << "nothing typed, nothing found";

    glossary.setSearch(L"\"mutual exclusion\"");
    ASSERT_TRUE(eventually([&] { return answered(glossary); }, kTimeoutMs)) << status(glossary);
    const std::vector<std::wstring> found = listed(glossary);
    ASSERT_GE(found.size(), 4u);
    EXPECT_EQ(found[0], L"mutual exclusion") << "the words in the term itself first";
    EXPECT_TRUE(has(found, L"mutex"));
    EXPECT_TRUE(has(found, L"thread-safe"));
    EXPECT_EQ(status(glossary), std::to_wstring(found.size()) + L" found");
    EXPECT_EQ(glossary.selected(), 0);

    // The first is shown, its found words marked.
    const std::wstring page = glossary.pageText();
    ASSERT_TRUE(contains(page, L"mutual exclusion"));
    const int mutualAt = pagePosition(page, L"mutual exclusion");
    COLORREF back = CLR_DEFAULT;
    ASSERT_TRUE(glossary.pageBackground(mutualAt, 6, back));
    EXPECT_NE(back, CLR_DEFAULT) << "the found words are marked";

    glossary.saveScreenshot(binaryDirectory() + "\\glossary-definitions.bmp");

    // A click on another shows it, marked too; the other words are not.
    const int mutex =
        static_cast<int>(std::find(found.begin(), found.end(), L"mutex") - found.begin());
    glossary.clickListItem(mutex);
    ASSERT_TRUE(eventually([&] { return glossary.selected() == mutex; }, kTimeoutMs));
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"mutex"); }, kTimeoutMs));
    const std::wstring mutexPage = glossary.pageText();
    const std::size_t exclusion = lower(mutexPage).find(L"exclusion");
    ASSERT_NE(exclusion, std::wstring::npos);
    const int exclusionAt = pagePosition(mutexPage, mutexPage.substr(exclusion, 9));
    ASSERT_TRUE(glossary.pageBackground(exclusionAt, 9, back));
    EXPECT_NE(back, CLR_DEFAULT);
    ASSERT_TRUE(glossary.pageBackground(0, 5, back));
    EXPECT_EQ(back, CLR_DEFAULT) << "the heading, mutex, is no found word";

    // The words in any order; Enter goes to the page.
    glossary.setSearch(L"EXCLUSION mutual");
    ASSERT_TRUE(
        eventually([&] { return answered(glossary) && glossary.itemCount() >= 4; }, kTimeoutMs));
    EXPECT_TRUE(has(listed(glossary), L"mutex"));
    glossary.setSearch(L"exclusion zzzqqq");
    ASSERT_TRUE(eventually([&] { return status(glossary) == L"0 found"; }, kTimeoutMs));
    EXPECT_EQ(glossary.itemCount(), 0);
    EXPECT_TRUE(contains(glossary.pageText(), L"No definition holds exclusion zzzqqq."));

    // Escape returns to the term search, every term listed, wherever the focus is (in the
    // list, after the click).
    ASSERT_TRUE(pressUntil(glossary, {VK_ESCAPE}, [&] { return !inDefinitions(glossary); }));
    EXPECT_EQ(glossary.focus(), glossary.control(IDC_SEARCH));
    EXPECT_TRUE(eventually([&] { return glossary.itemCount() == all; }, kTimeoutMs));
    EXPECT_EQ(glossary.searchText(), L"");
    EXPECT_EQ(status(glossary), L"");

    // The check box is the next stop after the search box; Space there switches too.
    ASSERT_TRUE(pressUntil(glossary, {VK_TAB}, focusOn(glossary, IDC_IN_DEFINITIONS)));
    EXPECT_TRUE(pressUntil(glossary, {VK_SPACE}, [&] { return inDefinitions(glossary); }));
    EXPECT_TRUE(pressUntil(glossary, {VK_SPACE}, [&] { return !inDefinitions(glossary); }));
}

TEST_F(GlossarySearchTest, WithoutTheIndexEveryDefinitionIsReadAndTheWindowSaysSo) {
    ASSERT_TRUE(importExcerpt(true));
    std::vector<std::wstring> indexed;
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_SHIFT, L'F'},
                               [&] { return inDefinitions(glossary); }));
        glossary.setSearch(L"thread lock");
        ASSERT_TRUE(eventually([&] { return answered(glossary); }, kTimeoutMs));
        indexed = listed(glossary);
        EXPECT_FALSE(contains(glossary.pageText(), L"no index"));
    }
    ASSERT_FALSE(indexed.empty());
    ASSERT_TRUE(importExcerpt(false));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const int all = glossary.itemCount();
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_SHIFT, L'F'},
                           [&] { return inDefinitions(glossary); }));
    glossary.setSearch(L"thread lock");
    ASSERT_TRUE(eventually([&] { return answered(glossary); }, kTimeoutMs));
    std::vector<std::wstring> scanned = listed(glossary);
    std::sort(indexed.begin(), indexed.end());
    std::sort(scanned.begin(), scanned.end());
    EXPECT_EQ(scanned, indexed) << "the scan finds what the index finds";
    EXPECT_TRUE(contains(glossary.pageText(), L"This database has no index of its definitions"));

    // Escape stops a scan under way: nothing it found comes later.
    glossary.setSearch(L"the");
    glossary.press({VK_ESCAPE});
    ASSERT_TRUE(eventually([&] { return !inDefinitions(glossary); }, kTimeoutMs));
    Sleep(500);
    EXPECT_EQ(glossary.itemCount(), all);
    EXPECT_EQ(status(glossary), L"");
}

TEST_F(GlossarySearchTest, InHighContrastTheFoundWordsAreMarkedInTheSystemsHighlight) {
    ASSERT_TRUE(importExcerpt(true));
    // Wine keeps no high-contrast flag: a dark scheme's colours, set before the start.
    const COLORREF highlight = RGB(0, 255, 255);
    const SystemColours scheme({COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HOTLIGHT, COLOR_BTNFACE,
                                COLOR_BTNTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
                               {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 0, 0),
                                RGB(255, 255, 255), highlight, RGB(0, 0, 0)});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_SHIFT, L'F'},
                           [&] { return inDefinitions(glossary); }));
    glossary.setSearch(L"exclusion");
    ASSERT_TRUE(eventually([&] { return answered(glossary); }, kTimeoutMs));
    const std::wstring page = glossary.pageText();
    const std::size_t at = lower(page).find(L"exclusion");
    ASSERT_NE(at, std::wstring::npos)
        << std::string(page.begin(), page.begin() + std::min<std::size_t>(page.size(), 200));
    COLORREF back = CLR_DEFAULT;
    ASSERT_TRUE(glossary.pageBackground(pagePosition(page, page.substr(at, 9)), 9, back));
    EXPECT_EQ(back, highlight) << "not the yellow of the page's own colours";
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-definitions-contrast.bmp");
}
