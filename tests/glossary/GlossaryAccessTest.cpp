// The glossary for every user: read by assistive technology from another process, in a dark
// high-contrast scheme, from the keyboard alone, and remembering where it was.
#include "AccessibleObjects.h"
#include "GlossaryWindowFixture.h"
#include "LargeDictionary.h"
#include "driver/ScreenCapture.h"
#include "driver/WindowFinder.h"
#include "win32/Com.h"

#include <commctrl.h>
#include <oleacc.h>

#include <vector>

using namespace glossarytest;

namespace {

// Large enough that reading its terms takes far longer than the window takes to show, and
// than a test takes to look at it meanwhile (about 1.5 s under Wine).
constexpr int kTerms = 2000000;

// The line beside "In definitions".
std::wstring statusText(const GlossaryProcess& glossary) {
    wchar_t text[128] = {};
    GetWindowTextW(glossary.control(IDC_SEARCH_STATUS), text, 128);
    return text;
}

long stateOf(IAccessible* object, long id) {
    VARIANT state;
    VariantInit(&state);
    return SUCCEEDED(object->get_accState(child(id), &state)) && state.vt == VT_I4 ? state.lVal
                                                                                   : -1;
}

} // namespace

TEST_F(GlossaryWindowTest,
       AnotherProgramReadsALargeListItsSelectionAndTheNamesAndTypesBeyond65535) {
    ASSERT_TRUE(writeLargeDictionary(folder_.file("large.mdb"), 100000));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs,
                             "\"" + folder_.file("large.mdb") + "\"");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 100000; }, kTimeoutMs));
    EXPECT_EQ(glossary.listText(0), L"Term 0");
    EXPECT_EQ(glossary.listText(50000), L"Term 50000");
    EXPECT_EQ(glossary.listText(99999), L"Term 99999");
    EXPECT_EQ(glossary.listText(100000), L"<none>") << "past the end";

    const win32::ComApartment com;
    const auto list = accessibleOf(glossary.control(IDC_TERMS));
    ASSERT_TRUE(list);
    long count = 0;
    EXPECT_EQ(list->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 100000);
    EXPECT_EQ(nameOf(list.get()), L"Terms");
    EXPECT_EQ(nameOf(accessibleOf(glossary.control(IDC_SEARCH)).get()), L"Search");
    EXPECT_EQ(nameOf(accessibleOf(glossary.control(IDC_PAGE)).get()), L"Definition");
    EXPECT_EQ(nameOf(accessibleOf(glossary.control(IDC_LOGO)).get()), L"The maker's web page");
    glossary.type(L"term 76543");
    ASSERT_EQ(glossary.selected(), 76543);
    EXPECT_EQ(nameOf(list.get(), 76544), L"Term 76543") << "child ids count from 1";
    EXPECT_TRUE(stateOf(list.get(), 76544) & STATE_SYSTEM_SELECTED);
    EXPECT_FALSE(stateOf(list.get(), 76543) & STATE_SYSTEM_SELECTED);
    VARIANT role;
    VariantInit(&role);
    ASSERT_EQ(list->get_accRole(child(76544), &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_LISTITEM);

    // A letter in the list: the next term with it after the caret, the whole caret (the
    // message that asks for it carries 16 bits of it).
    ASSERT_TRUE(tabToList(glossary));
    EXPECT_TRUE(pressUntil(glossary, {L'T'}, selects(glossary, 76544)));
    EXPECT_TRUE(pressUntil(glossary, {L'T'}, selects(glossary, 76545)));
}

COLORREF colourAt(const GlossaryProcess& glossary, const std::wstring& piece) {
    bool bold = false;
    COLORREF color = CLR_INVALID;
    int twips = 0;
    const std::wstring text = glossary.pageText();
    if (!contains(text, piece) ||
        !glossary.pageFormat(pagePosition(text, piece), static_cast<int>(piece.size()), bold, color,
                             twips))
        return CLR_INVALID;
    return color;
}

TEST_F(GlossaryWindowTest, ADarkHighContrastSchemeGivesThePageTheSystemsColoursOnly) {
    // Wine keeps no high-contrast flag (SPI_SETHIGHCONTRAST fails), and a running program
    // keeps the colours it started with: such a scheme's colours are set, then it starts.
    {
        const SystemColours scheme(
            {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HOTLIGHT, COLOR_BTNFACE, COLOR_BTNTEXT},
            {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 0, 0), RGB(255, 255, 255)});
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        ASSERT_TRUE(
            eventually([&] { return colourAt(glossary, L"Cache:") != CLR_INVALID; }, kTimeoutMs));
        EXPECT_EQ(colourAt(glossary, L"Cache:"), CLR_DEFAULT) << "not the term's #336699";
        EXPECT_EQ(colourAt(glossary, L"small store"), CLR_DEFAULT) << "nor the text's black";

        // On screen: light text on a dark page.
        Sleep(300);
        RECT page = {};
        GetWindowRect(glossary.control(IDC_PAGE), &page);
        int darkPixels = 0, lightPixels = 0, all = 0;
        for (LONG y = page.top + 4; y < page.bottom - 4; y += 3) {
            for (LONG x = page.left + 4; x < page.right - 24; x += 3, ++all) {
                const COLORREF pixel = driver::screenPixel({x, y});
                const int sum = GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel);
                darkPixels += sum < 120 ? 1 : 0;
                lightPixels += sum > 600 ? 1 : 0;
            }
        }
        EXPECT_GT(darkPixels, all * 8 / 10);
        EXPECT_GT(lightPixels, 20);
        glossary.saveScreenshot(binaryDirectory() + "\\glossary-high-contrast.bmp");
    }
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    EXPECT_TRUE(eventually([&] { return colourAt(glossary, L"Cache:") == RGB(0x33, 0x66, 0x99); },
                           kTimeoutMs))
        << "the page's own colours with the usual scheme";
}

TEST_F(GlossaryWindowTest, TheKeyboardFollowsLinksReachesTheLogoAndReturnsToTheSearchBox) {
    writeLinkedDictionary(folder_.file("links.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs,
                             "\"" + folder_.file("links.mdb") + "\"");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    glossary.setSearch(L"links");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Web page"); }, kTimeoutMs));
    ASSERT_TRUE(pressUntil(glossary, {VK_RETURN}, focusOn(glossary, IDC_PAGE)));
    // The links in order: the compiler, no term, Web page...
    glossary.press({VK_TAB});
    glossary.press({VK_TAB});
    glossary.press({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(pressUntil(glossary, {VK_RETURN}, selects(glossary, 0)))
        << "Tab, Tab, Shift+Tab, Enter: the first link, to Compiler";
    EXPECT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));

    // The search box shows the term the link led to, "Compiler", all of it selected.
    const auto searchTextSelected = [&] {
        const LRESULT selection = SendMessageW(glossary.control(IDC_SEARCH), EM_GETSEL, 0, 0);
        return glossary.focus() == glossary.control(IDC_SEARCH) && LOWORD(selection) == 0 &&
               HIWORD(selection) == 8;
    };
    EXPECT_TRUE(pressUntil(glossary, {VK_F6}, searchTextSelected)) << "F6";
    ASSERT_TRUE(tabToList(glossary));
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, L'L'}, searchTextSelected)) << "Ctrl+L";
    ASSERT_TRUE(tabToList(glossary));
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, L'D'}, searchTextSelected)) << "Alt+D";

    // The logo is a tab stop, last in the order; Enter there opens the maker's page.
    EXPECT_TRUE(pressUntil(glossary, {VK_SHIFT, VK_TAB}, focusOn(glossary, IDC_LOGO)));
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-logo-focus.bmp");
    glossary.press({VK_RETURN});
    ASSERT_TRUE(eventually([&] { return fileExists(folder_.file("opened.txt")); }, kTimeoutMs));
    ASSERT_TRUE(eventually([&] { return glossary.runningChildren() == 0; }, kTimeoutMs));
    EXPECT_NE(readFile(folder_.file("opened.txt")).find("technical-glossary"), std::string::npos);
}

TEST_F(GlossaryWindowTest, RemembersWhereItWasOpensOtherDatabasesAndSuggestsTheNearestTerms) {
    {
        GlossaryProcess first(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(first));
        first.clickListItem(2);
        ASSERT_TRUE(eventually([&] { return first.selected() == 2; }, kTimeoutMs));
        ASSERT_TRUE(
            pressUntil(first, {VK_CONTROL, VK_OEM_PLUS}, [&] { return first.pageZoom() == 110; }));
        ShowWindow(first.window(), SW_MAXIMIZE);
        ASSERT_TRUE(eventually([&] { return IsZoomed(first.window()) != FALSE; }, kTimeoutMs));
        first.clickExit();
        DWORD exitCode = 0;
        ASSERT_TRUE(first.waitForExit(kTimeoutMs, exitCode));
    }
    // Another database named: placement and zoom come back, the term of the other does not.
    ASSERT_TRUE(
        CopyFileA(folder_.file("Dict.mdb").c_str(), folder_.file("other.mdb").c_str(), FALSE));
    {
        GlossaryProcess named(program(), folder_.path(), kTimeoutMs,
                              "\"" + folder_.file("other.mdb") + "\"");
        ASSERT_TRUE(named.valid());
        EXPECT_TRUE(IsZoomed(named.window()));
        EXPECT_EQ(named.pageZoom(), 110);
        EXPECT_EQ(named.selected(), 0);
        EXPECT_EQ(captionOf(named.window()), L"Technical Glossary - other.mdb");
    }
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    EXPECT_EQ(glossary.selected(), 2) << "the last term shown";
    EXPECT_EQ(captionOf(glossary.window()), L"Technical Glossary");
    ShowWindow(glossary.window(), SW_RESTORE);

    // Nothing found: the search box says so, and the page offers the nearest terms.
    glossary.setSearch(L"compilr");
    EXPECT_EQ(glossary.selected(), -1);
    const win32::ComApartment com;
    EXPECT_EQ(nameOf(accessibleOf(glossary.control(IDC_SEARCH)).get()),
              L"Search: no term begins with this");
    // Once typing pauses.
    EXPECT_TRUE(eventually(
        [&] {
            return contains(glossary.pageText(), L"No term begins with compilr. Nearest: Compiler");
        },
        kTimeoutMs))
        << glossary.pageText();
    EXPECT_TRUE(contains(glossary.pageText(), L"Makes data smaller.")) << "the page stays below";
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-suggestions.bmp");
    ASSERT_TRUE(glossary.clickPageText(L"Compiler"));
    EXPECT_TRUE(eventually([&] { return glossary.selected() == 1; }, kTimeoutMs));

    // Ctrl+O: the Open dialog; a file that cannot be read keeps the database shown.
    writeLinkedDictionary(folder_.file("links.mdb"));
    writeFile(folder_.file("broken.mdb"), std::string(4096, 'x'));
    for (const char* name : {"broken.mdb", "links.mdb"}) {
        glossary.press({VK_CONTROL, L'O'});
        HWND dialog = nullptr;
        ASSERT_TRUE(
            eventually([&] { return (dialog = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs));
        EXPECT_EQ(captionOf(dialog), L"Open");
        SetDlgItemTextA(dialog, 0x47c, folder_.file(name).c_str()); // the file name
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(eventually([&] { return !IsWindow(dialog); }, kTimeoutMs));
        if (std::string(name) == "broken.mdb") {
            HWND box = nullptr;
            ASSERT_TRUE(
                eventually([&] { return (box = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs));
            EXPECT_NE(windowText(GetDlgItem(box, 0xFFFF)).find("broken.mdb"), std::string::npos);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(eventually([&] { return messageBoxOf(glossary) == nullptr; }, kTimeoutMs));
            EXPECT_EQ(glossary.itemCount(), 6) << "the database shown stays";
        }
    }
    EXPECT_TRUE(eventually([&] { return glossary.itemCount() == 3; }, kTimeoutMs));
    EXPECT_EQ(glossary.selected(), 0);
    EXPECT_EQ(glossary.searchText(), L"Compiler") << "the box names the term on the page";
    EXPECT_TRUE(contains(glossary.pageText(), L"Translates code."));
    EXPECT_EQ(captionOf(glossary.window()), L"Technical Glossary - links.mdb");
    // A database dropped on the window.
    const std::string other = folder_.file("other.mdb");
    ASSERT_TRUE(glossary.dropFile(std::wstring(other.begin(), other.end())));
    EXPECT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs));
    EXPECT_EQ(captionOf(glossary.window()), L"Technical Glossary - other.mdb");
}

TEST_F(GlossaryWindowTest, WhoeverHoldsThePagesWindowReadsEachPageShownThroughIt) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const HWND held = glossary.control(IDC_PAGE);
    ASSERT_NE(held, nullptr);
    const win32::ComApartment com;
    const auto object = accessibleOf(held);
    ASSERT_TRUE(object);
    const auto heldText = [&] {
        wchar_t text[512] = {};
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(held, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                            kTimeoutMs, &copied);
        return std::wstring(text);
    };
    // Pages after it, each in whole: the control of the first is gone by then, had each its
    // own.
    const std::pair<int, const wchar_t*> pages[] = {{1, L"Translates code."},
                                                    {2, L"Makes data smaller."},
                                                    {5, L"A term in Cyrillic."},
                                                    {1, L"Translates code."},
                                                    {5, L"A term in Cyrillic."}};
    for (const auto& [item, text] : pages) {
        glossary.clickListItem(item);
        ASSERT_TRUE(eventually([&] { return glossary.selected() == item; }, kTimeoutMs));
        ASSERT_TRUE(eventually([&, text = text] { return contains(glossary.pageText(), text); },
                               kTimeoutMs));
    }
    EXPECT_TRUE(IsWindow(held)) << "the page's window stays for the window's life";
    EXPECT_EQ(glossary.control(IDC_PAGE), held);
    EXPECT_TRUE(contains(heldText(), L"A term in Cyrillic.")) << heldText();
    EXPECT_EQ(nameOf(object.get()), L"Definition") << "the object held still answers";
}

TEST_F(GlossaryWindowTest, TheWindowTakesKeysWhileALargeDatabaseIsReadAndSearchesThemOnceItIsIn) {
    ASSERT_TRUE(writeLargeDictionary(folder_.file("large.mdb"), kTerms));
    // Before the start: making it takes a while under Wine, and the terms do not wait.
    const win32::ComApartment com;
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs,
                             "\"" + folder_.file("large.mdb") + "\"");
    ASSERT_TRUE(glossary.valid());
    const auto status = [&] { return statusText(glossary); };
    EXPECT_EQ(status(), L"Reading the terms\u2026") << "the window is there before the terms";
    EXPECT_TRUE(contains(nameOf(accessibleOf(glossary.control(IDC_SEARCH_STATUS)).get()),
                         L"Reading the terms"))
        << "a screen reader reads the note";
    EXPECT_EQ(nameOf(accessibleOf(glossary.control(IDC_SEARCH)).get()), L"Search");
    EXPECT_EQ(nameOf(accessibleOf(glossary.control(IDC_TERMS)).get()), L"Terms");

    glossary.type(L"term 98765");
    ASSERT_EQ(status(), L"Reading the terms\u2026") << "typed while the terms were read";
    EXPECT_TRUE(eventually([&] { return glossary.selected() == 98765; }, kTimeoutMs))
        << "what was typed is searched once the terms are in";
    EXPECT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Term 98765:"); }, kTimeoutMs))
        << glossary.pageText();
    EXPECT_EQ(glossary.itemCount(), kTerms);
    EXPECT_EQ(glossary.searchText(), L"term 98765");
    EXPECT_EQ(status(), L"") << "the note is gone";
    EXPECT_FALSE(
        contains(nameOf(accessibleOf(glossary.control(IDC_SEARCH_STATUS)).get()), L"Reading"));
}

TEST_F(GlossaryWindowTest, ADroppedLargeDatabaseIsReadWhileTheOneShownStaysAndAnswers) {
    const std::string large = folder_.file("large.mdb");
    ASSERT_TRUE(writeLargeDictionary(large, kTerms));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs));
    glossary.clickListItem(1);
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));

    ASSERT_TRUE(glossary.dropFile(std::wstring(large.begin(), large.end())));
    EXPECT_EQ(statusText(glossary), L"Reading the terms\u2026")
        << "the drop is answered before the terms are read";
    EXPECT_EQ(glossary.itemCount(), 6) << "the database shown stays meanwhile";
    glossary.clickListItem(2);
    EXPECT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Makes data smaller."); },
                           kTimeoutMs))
        << "and answers";
    EXPECT_TRUE(eventually([&] { return glossary.itemCount() == kTerms; }, kTimeoutMs));
    EXPECT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Term 0:"); }, kTimeoutMs));
    EXPECT_EQ(captionOf(glossary.window()), L"Technical Glossary - large.mdb");
    EXPECT_EQ(statusText(glossary), L"");
    EXPECT_EQ(glossary.searchText(), L"Term 0");
}

TEST_F(GlossaryWindowTest, ExitWhileALargeDatabaseIsReadEndsTheProgramCleanly) {
    ASSERT_TRUE(writeLargeDictionary(folder_.file("large.mdb"), kTerms));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs,
                             "\"" + folder_.file("large.mdb") + "\"");
    ASSERT_TRUE(glossary.valid());
    EXPECT_TRUE(eventually(
        [&] {
            return contains(glossary.pageText(), L"Term 0:") &&
                   statusText(glossary) == L"Reading the terms\u2026";
        },
        kTimeoutMs))
        << "the first term shows before the rest are read";
    EXPECT_LT(glossary.itemCount(), kTerms);
    glossary.clickExit();
    DWORD exitCode = 1;
    ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u) << "the threads still reading end with the program";
}

TEST_F(GlossaryWindowTest, ExitWhileTheIndexOfALargeDatabaseIsBuiltEndsTheProgramAtOnce) {
    ASSERT_TRUE(writeLargeDictionary(folder_.file("large.mdb"), kTerms));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs,
                             "\"" + folder_.file("large.mdb") + "\"");
    ASSERT_TRUE(glossary.valid());
    // Every term listed: the sorted index of two million takes seconds more on its thread.
    ASSERT_TRUE(
        eventually([&] { return glossary.itemCount() == kTerms && statusText(glossary).empty(); },
                   kTimeoutMs));
    glossary.clickExit();
    const DWORD start = GetTickCount();
    DWORD exitCode = 1;
    ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
    EXPECT_LT(GetTickCount() - start, 5000u) << "the index's thread is stopped, not waited for";
    EXPECT_EQ(exitCode, 0u) << "nothing read after the program's end";
}
