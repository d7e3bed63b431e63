// glossary.exe under Xvfb, driven from outside: typing, clicking, reading what it shows.
#include "GlossaryWindowFixture.h"
#include "driver/WindowFinder.h"
#include "win32/Gdi.h"

using namespace glossarytest;

TEST_F(GlossaryWindowTest, ShowsTheFirstTermAndFindsTermsAsTheUserTypes) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs));
    EXPECT_EQ(glossary.selected(), 0);
    EXPECT_TRUE(contains(glossary.pageText(), L"Cache:")) << "the first term is shown at start";
    EXPECT_TRUE(contains(glossary.pageText(), L"A small store & more."));

    // Term in bold, colour #336699, 12 point; the mark-up of the definition rendered.
    bool bold = false;
    COLORREF color = 0;
    int twips = 0;
    ASSERT_TRUE(glossary.pageFormat(0, 5, bold, color, twips));
    EXPECT_TRUE(bold);
    EXPECT_EQ(color, RGB(0x33, 0x66, 0x99));
    EXPECT_EQ(twips, 240);
    const int small = pagePosition(glossary.pageText(), L"small");
    ASSERT_TRUE(glossary.pageFormat(small, 5, bold, color, twips));
    EXPECT_TRUE(bold);

    glossary.type(L"co");
    EXPECT_EQ(glossary.selected(), 1) << "first term starting with CO, whatever the case";
    EXPECT_TRUE(contains(glossary.pageText(), L"Translates code."));
    glossary.type(L"mpr");
    EXPECT_EQ(glossary.selected(), 2);
    EXPECT_TRUE(contains(glossary.pageText(), L"Makes data smaller."));

    glossary.type(L"x");
    EXPECT_EQ(glossary.selected(), -1) << "no match clears the selection";
    EXPECT_TRUE(contains(glossary.pageText(), L"Makes data smaller.")) << "and keeps the page";

    glossary.setSearch(L"");
    EXPECT_EQ(glossary.selected(), 0) << "an empty search selects the first term";
    glossary.setSearch(L"\u0436");
    EXPECT_EQ(glossary.selected(), 5);
    EXPECT_TRUE(glossary.saveScreenshot(folder_.file("glossary.bmp")));
    CopyFileA(folder_.file("glossary.bmp").c_str(),
              (binaryDirectory() + "\\glossary-window.bmp").c_str(), FALSE);
}

TEST_F(GlossaryWindowTest, AWordNoTermBeginsWithShowsTheTermItIsAFormOf) {
    writeDictionaryWithForms(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 4; }, kTimeoutMs));

    glossary.type(L"dogs");
    EXPECT_EQ(glossary.selected(), 2);
    EXPECT_EQ(glossary.listText(glossary.selected()), L"dog");
    EXPECT_TRUE(contains(glossary.pageText(), L"dogs: a form of dog."));
    EXPECT_TRUE(contains(glossary.pageText(), L"A domestic animal."));
    EXPECT_FALSE(contains(glossary.pageText(), L"No term begins with"));

    glossary.setSearch(L" H\u00c4USER ");
    EXPECT_EQ(glossary.selected(), 3) << "case, accents and blanks ignored";
    EXPECT_TRUE(contains(glossary.pageText(), L"H\u00c4USER: a form of Haus."));
    EXPECT_TRUE(glossary.saveScreenshot(folder_.file("forms.bmp")));
    CopyFileA(folder_.file("forms.bmp").c_str(),
              (binaryDirectory() + "\\glossary-word-form.bmp").c_str(), FALSE);

    glossary.setSearch(L"axes");
    EXPECT_EQ(glossary.selected(), 0);
    EXPECT_TRUE(contains(glossary.pageText(), L"axes: a form of axe; also of axis."));
    EXPECT_TRUE(glossary.clickPageText(L"axis")) << "the other base is a link";
    EXPECT_TRUE(eventually([&] { return glossary.selected() == 1; }, kTimeoutMs));

    glossary.setSearch(L"cats");
    EXPECT_EQ(glossary.selected(), -1) << "a base that is no term leads nowhere";
    // Once typing pauses.
    EXPECT_TRUE(eventually([&] { return contains(glossary.pageText(), L"No term begins with"); },
                           kTimeoutMs));
    glossary.setSearch(L"do");
    EXPECT_EQ(glossary.selected(), 2);
    EXPECT_FALSE(contains(glossary.pageText(), L"a form of")) << "a term's beginning comes first";
}

TEST_F(GlossaryWindowTest, TheListDrawsTheSelectionOnceTypingPauses) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), plain = GetSysColor(COLOR_WINDOW);
    ASSERT_TRUE(eventually([&] { return glossary.listItemColour(0) == highlight; }, kTimeoutMs));
    glossary.type(L"compr");
    EXPECT_EQ(glossary.selected(), 2) << "the selection changes with the key";
    EXPECT_TRUE(eventually(
        [&] {
            return glossary.listItemColour(2) == highlight && glossary.listItemColour(0) == plain;
        },
        kTimeoutMs))
        << "and the list shows it";
    glossary.setSearch(L"zzz");
    EXPECT_TRUE(eventually([&] { return glossary.listItemColour(2) == plain; }, kTimeoutMs))
        << "no match: nothing selected";
}

TEST_F(GlossaryWindowTest, ClickedDuplicateShowsTheFirstRecordAndNullKeepsThePage) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs));
    glossary.clickListItem(1);
    ASSERT_TRUE(eventually([&] { return glossary.selected() == 1; }, kTimeoutMs));
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));
    glossary.clickListItem(4);
    ASSERT_TRUE(eventually([&] { return glossary.selected() == 4; }, kTimeoutMs));
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"A small store"); }, kTimeoutMs))
        << "the second Cache shows the first Cache record's definition";
    glossary.clickListItem(3);
    // The list tells the window of the click before it answers for its selection, and a page
    // read is a page whole: the page read now is the one the click left.
    ASSERT_TRUE(eventually([&] { return glossary.selected() == 3; }, kTimeoutMs));
    EXPECT_TRUE(contains(glossary.pageText(), L"A small store"))
        << "a null definition leaves the page";
    glossary.clickListItem(5);
    EXPECT_TRUE(eventually([&] { return contains(glossary.pageText(), L"\u0416\u0443\u043a:"); },
                           kTimeoutMs))
        << "the entry drawn in the list is the term shown";
}

TEST_F(GlossaryWindowTest, LogoOpensTheMakersPageAndExitEndsTheProgram) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    glossary.clickLogo();
    // The recorder writes its command line into the file it has made: read once it is there.
    const auto opened = [&] {
        try {
            return readFile(folder_.file("opened.txt"));
        } catch (const std::exception&) {
            return std::string();
        }
    };
    EXPECT_TRUE(eventually(
        [&] {
            return opened().find("https://www.example.com/technical-glossary") != std::string::npos;
        },
        kTimeoutMs))
        << opened();
    glossary.clickExit();
    DWORD exitCode = 99;
    ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(GlossaryWindowTest, MissingDatabaseGivesAnEmptyListAndABlankPageWithoutAMessage) {
    // Neither in the current directory nor beside the program.
    TempDirectory empty("glossary-empty"), alone("glossary-alone");
    ASSERT_TRUE(CopyFileA(program().c_str(), alone.file("glossary.exe").c_str(), FALSE));
    GlossaryProcess glossary(alone.file("glossary.exe"), empty.path(), kTimeoutMs);
    // The focus in the search box: the start is done, and no box has taken it.
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    EXPECT_EQ(glossary.itemCount(), 0);
    EXPECT_EQ(glossary.pageText(), L"");
    EXPECT_EQ(glossary.selected(), -1);
    glossary.type(L"abc");
    EXPECT_EQ(glossary.selected(), -1);
    glossary.clickExit();
    DWORD exitCode = 99;
    EXPECT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode)) << "no message box held it";
}

TEST_F(GlossaryWindowTest, FocusIsInTheSearchBoxAtStartAndComesBackWhereItWas) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    glossary.activate();
    EXPECT_TRUE(
        eventually([&] { return glossary.focus() == glossary.control(IDC_SEARCH); }, kTimeoutMs))
        << "typing must go to the search box at once";
    EXPECT_TRUE(pressUntil(glossary, {L'C', L'O'}, [&] { return glossary.searchText() == L"co"; }));
    EXPECT_EQ(glossary.selected(), 1) << "Compiler";

    // Into the list, away to another window and back: the list has the focus again.
    ASSERT_TRUE(tabToList(glossary));
    const HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0,
                                       0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(eventually([&] { return GetForegroundWindow() == other; }, kTimeoutMs));
    glossary.activate();
    EXPECT_TRUE(
        eventually([&] { return glossary.focus() == glossary.control(IDC_TERMS); }, kTimeoutMs));
    DestroyWindow(other);
}

TEST_F(GlossaryWindowTest, SearchBoxKeysMoveTheListAndThePage) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    EXPECT_TRUE(pressUntil(glossary, {VK_DOWN}, selects(glossary, 1)));
    EXPECT_TRUE(contains(glossary.pageText(), L"Translates code.")) << "shown as a click would";
    EXPECT_TRUE(pressUntil(glossary, {VK_DOWN}, selects(glossary, 2)));
    EXPECT_TRUE(pressUntil(glossary, {VK_UP}, selects(glossary, 1)));
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_END}, selects(glossary, 5))) << "last term";
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_HOME}, selects(glossary, 0)));
    EXPECT_TRUE(pressUntil(glossary, {VK_NEXT}, selects(glossary, 5)))
        << "a page further, no further than the end";
    EXPECT_TRUE(pressUntil(glossary, {VK_PRIOR}, selects(glossary, 0)));
    EXPECT_EQ(glossary.searchText(), L"") << "the search text stays as it was";

    EXPECT_TRUE(pressUntil(glossary, {L'N', L'U'}, selects(glossary, 3)));
    EXPECT_TRUE(pressUntil(glossary, {VK_ESCAPE}, [&] { return glossary.searchText().empty(); }));
    EXPECT_EQ(glossary.selected(), 0) << "an empty search selects the first term";
    EXPECT_TRUE(IsWindow(glossary.window())) << "Escape does not close the window";

    EXPECT_TRUE(pressUntil(glossary, {VK_RETURN}, focusOn(glossary, IDC_PAGE)));
    EXPECT_TRUE(pressUntil(glossary, {VK_TAB}, focusOn(glossary, IDC_EXIT)))
        << "search, list, page, Exit";
}

TEST_F(GlossaryWindowTest, PageZoomsAndItsTextCanBeCopied) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    EXPECT_EQ(glossary.pageZoom(), 100);
    const auto zooms = [&](int percent) {
        return [&glossary, percent] { return glossary.pageZoom() == percent; };
    };
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_OEM_PLUS}, zooms(110)));
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_ADD}, zooms(120)));
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_OEM_MINUS}, zooms(110)));
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, L'0'}, zooms(100)));

    ASSERT_TRUE(pressUntil(glossary, {VK_RETURN}, focusOn(glossary, IDC_PAGE)));
    const auto clipboardText = [] {
        std::wstring copied;
        if (OpenClipboard(nullptr)) {
            if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
                    copied = text;
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
        }
        return copied;
    };
    glossary.press({VK_CONTROL, L'A'});
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, L'C'}, [&] {
        return contains(clipboardText(), L"Cache:");
    })) << "Ctrl+A then Ctrl+C in the page";
    const std::wstring copied = clipboardText();
    EXPECT_TRUE(contains(copied, L"small store"));
}

// The cursor the system shows at a point of the screen.
HCURSOR cursorAt(int x, int y) {
    SetCursorPos(x, y);
    // The shown cursor follows the pointer a moment later: wait until it has settled.
    HCURSOR shown = nullptr;
    for (int unchanged = 0, tries = 0; unchanged < 5 && tries < 100; ++tries) {
        Sleep(20);
        CURSORINFO info = {};
        info.cbSize = sizeof info;
        GetCursorInfo(&info);
        unchanged = info.hCursor == shown ? unchanged + 1 : 0;
        shown = info.hCursor;
    }
    return shown;
}

HCURSOR cursorOver(HWND control) {
    RECT bounds = {};
    GetWindowRect(control, &bounds);
    return cursorAt((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
}

// Cursor handles belong to the process that loaded them, so cursors are compared among
// themselves: the version label shows what the window's free space shows (the arrow), the
// logo something else, and the bar between the list and the page a third (the splitter's).
TEST_F(GlossaryWindowTest, TheHandShowsOverTheLogoAloneAndTheSplitterShowsItsOwn) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    glossary.activate();
    HCURSOR background = nullptr, label = nullptr, logo = nullptr, bar = nullptr;
    EXPECT_TRUE(eventually(
        [&] {
            // The window's own space between the logo and the Dictionaries button, and the
            // bar between the list and the page.
            RECT list = {}, page = {}, below = {}, button = {};
            GetWindowRect(glossary.control(IDC_TERMS), &list);
            GetWindowRect(glossary.control(IDC_PAGE), &page);
            GetWindowRect(glossary.control(IDC_LOGO), &below);
            GetWindowRect(glossary.control(IDC_DICTIONARIES), &button);
            background =
                cursorAt((below.right + button.left) / 2, (button.top + button.bottom) / 2);
            bar = cursorAt((list.right + page.left) / 2, (list.top + list.bottom) / 2);
            label = cursorOver(glossary.control(IDC_VERSION));
            logo = cursorOver(glossary.control(IDC_LOGO));
            return background != nullptr && label == background && logo != background &&
                   bar != background && bar != logo;
        },
        10000))
        << "free space " << background << ", version label " << label << ", logo " << logo
        << ", bar " << bar;
}

TEST_F(GlossaryWindowTest, WindowGrowsAndShrinksToAUsableMinimumKeepingEachControlInPlace) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const HWND window = glossary.window();
    const int ids[] = {IDC_SEARCH, IDC_TERMS, IDC_PAGE, IDC_EXIT, IDC_LOGO, IDC_VERSION};
    RECT designed[6];
    for (int i = 0; i < 6; ++i)
        designed[i] = clientRect(window, glossary.control(ids[i]));
    RECT client = {};
    GetClientRect(window, &client);
    // At the designed size the layout is the twips table's: 15 twips a pixel at 96 dpi.
    const int dpi = GetDeviceCaps(win32::WindowDc(nullptr).dc(), LOGPIXELSX);
    EXPECT_EQ(client.right, MulDiv(10365, dpi, 1440));
    EXPECT_EQ(designed[2].left, MulDiv(3480, dpi, 1440)) << "the page";
    EXPECT_EQ(designed[3].top, MulDiv(4560, dpi, 1440)) << "Exit";

    RECT frame = {};
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + 200,
                 frame.bottom - frame.top + 100, SWP_NOMOVE | SWP_NOZORDER);
    const auto moved = [&](int i, int dx, int dy, int dw, int dh) {
        const RECT now = clientRect(window, glossary.control(ids[i]));
        return now.left == designed[i].left + dx && now.top == designed[i].top + dy &&
               now.right - now.left == designed[i].right - designed[i].left + dw &&
               now.bottom - now.top == designed[i].bottom - designed[i].top + dh;
    };
    EXPECT_TRUE(moved(0, 0, 0, 0, 0)) << "the search box stays";
    EXPECT_TRUE(moved(1, 0, 0, 0, 100)) << "the list takes the new height";
    EXPECT_TRUE(moved(2, 0, 0, 200, 100)) << "the page takes both";
    EXPECT_TRUE(moved(3, 200, 100, 0, 0)) << "Exit keeps to the bottom right";
    EXPECT_TRUE(moved(4, 0, 100, 0, 0)) << "the logo keeps to the bottom left";
    EXPECT_TRUE(moved(5, 200, 100, 0, 0)) << "so does the version label";

    // Below the designed size the list and the page shrink, down to a usable minimum where
    // every control is still whole and in its order.
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(window, &client);
    EXPECT_LT(client.right, MulDiv(10365, dpi, 1440));
    EXPECT_LT(client.bottom, MulDiv(5310, dpi, 1440));
    EXPECT_GE(client.right, MulDiv(6600, dpi, 1440)) << "no smaller than usable";
    EXPECT_GE(client.bottom, MulDiv(3900, dpi, 1440));
    EXPECT_TRUE(laidOutWithin(window, client)) << "at the minimum";

    ShowWindow(window, SW_MAXIMIZE);
    EXPECT_TRUE(eventually([&] { return IsZoomed(window) != FALSE; }, kTimeoutMs));
    GetClientRect(window, &client);
    const RECT page = clientRect(window, glossary.control(IDC_PAGE));
    EXPECT_EQ(client.right - page.right, MulDiv(10365 - 3480 - 6735, dpi, 1440))
        << "the page reaches as near the right edge as designed";
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-maximised.bmp");
}

TEST_F(GlossaryWindowTest, LayoutFollowsTheScreensDensity) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const HWND window = glossary.window();
    RECT frame = {}, client = {};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    const int dpi = MulDiv(client.right, 1440, 10365); // what the window was made for
    const int doubled = dpi * 3 / 2; // where the designed size still fits the screen
    // The frame the system would suggest: the client area at one and a half times the density.
    RECT suggested = {frame.left, frame.top, 0, 0};
    suggested.right = frame.right + client.right / 2;
    suggested.bottom = frame.bottom + client.bottom / 2;
    ASSERT_TRUE(glossary.moveToScreenOfDpi(doubled, suggested));
    GetClientRect(window, &client);
    EXPECT_NEAR(client.right, MulDiv(10365, doubled, 1440), 2);
    const RECT page = clientRect(window, glossary.control(IDC_PAGE));
    EXPECT_NEAR(page.left, MulDiv(3480, doubled, 1440), 1) << "places follow the density";
    EXPECT_NEAR(page.right - page.left, MulDiv(6735, doubled, 1440), 2) << "and sizes";
    const RECT exit = clientRect(window, glossary.control(IDC_EXIT));
    EXPECT_NEAR(exit.top, MulDiv(4560, doubled, 1440), 2);
}

TEST_F(GlossaryWindowTest, LinksLeadToTermsAndWebAddressesAndNowhereElse) {
    writeLinkedDictionary(folder_.file("links.mdb"));
    // The database named on the command line, not the Dict.mdb of the current directory.
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs,
                             "\"" + folder_.file("links.mdb") + "\"");
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 3; }, kTimeoutMs));
    glossary.setSearch(L"links");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Web page"); }, kTimeoutMs));

    // Terms and definitions in other scripts, for the eye: every one shows as glyphs.
    glossary.setSearch(L"\u6f22");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Chinese characters"); },
                           kTimeoutMs));
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-scripts.bmp");
    glossary.setSearch(L"links");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Web page"); }, kTimeoutMs));

    // A term: its first match ignoring case, selected and shown as a click in the list would.
    ASSERT_TRUE(glossary.clickPageText(L"the compiler"));
    EXPECT_TRUE(eventually([&] { return glossary.selected() == 0; }, kTimeoutMs));
    EXPECT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));
    // Back and forward, by keyboard and by the mouse's side buttons.
    glossary.activate();
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT},
                           [&] { return contains(glossary.pageText(), L"Web page"); }));
    EXPECT_EQ(glossary.selected(), 1) << "the term is selected in the list again";
    EXPECT_TRUE(
        pressUntil(glossary, {VK_MENU, VK_RIGHT}, [&] { return glossary.selected() == 0; }));
    PostMessageW(glossary.control(IDC_TERMS), WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), 0);
    EXPECT_TRUE(eventually([&] { return glossary.selected() == 1; }, kTimeoutMs)) << "mouse back";
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Web page"); }, kTimeoutMs));

    // Web and mail addresses go to the shell's handler, here the recorder.
    ASSERT_TRUE(glossary.clickPageText(L"Web page"));
    ASSERT_TRUE(eventually([&] { return fileExists(folder_.file("opened.txt")); }, kTimeoutMs));
    ASSERT_TRUE(eventually([&] { return glossary.runningChildren() == 0; }, kTimeoutMs));
    EXPECT_NE(readFile(folder_.file("opened.txt")).find("http://example.com/x?a=1&b=2"),
              std::string::npos);
    DeleteFileA(folder_.file("opened.txt").c_str());
    ASSERT_TRUE(glossary.clickPageText(L"Mail the editor"));
    ASSERT_TRUE(eventually([&] { return fileExists(folder_.file("opened.txt")); }, kTimeoutMs));
    ASSERT_TRUE(eventually([&] { return glossary.runningChildren() == 0; }, kTimeoutMs));
    EXPECT_NE(readFile(folder_.file("opened.txt")).find("mailto:editor@example.com"),
              std::string::npos);
    DeleteFileA(folder_.file("opened.txt").c_str());

    // A link to no term, to a file, a program, a relative address, a script, a shell folder, or
    // an address that would read as two: nothing is opened or started. The window takes clicks
    // in order and opens a link before it takes the next, so once the term link after it has
    // shown its page, whatever the click started is running or has written its record.
    for (const wchar_t* forbidden : {L"no term", L"File link", L"Program link", L"Relative link",
                                     L"Script link", L"Shell link", L"Quoted link"}) {
        ASSERT_TRUE(glossary.clickPageText(forbidden)) << forbidden;
        ASSERT_TRUE(glossary.clickPageText(L"the compiler")) << forbidden;
        ASSERT_TRUE(eventually([&] { return glossary.selected() == 0; }, kTimeoutMs)) << forbidden;
        EXPECT_EQ(glossary.runningChildren(), 0) << forbidden;
        EXPECT_FALSE(fileExists(folder_.file("opened.txt"))) << forbidden;
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, [&] {
            return glossary.selected() == 1 && contains(glossary.pageText(), L"Web page");
        })) << forbidden;
    }
}

TEST_F(GlossaryWindowTest, HistoryRemembersPagesNotSearchTexts) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    glossary.clickListItem(5);
    ASSERT_TRUE(eventually([&] { return glossary.selected() == 5; }, kTimeoutMs));
    glossary.type(L"comp"); // Cache, then Compiler while it is typed: one page of the history
    ASSERT_EQ(glossary.selected(), 1);
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, [&] { return glossary.selected() == 5; }));
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, [&] { return glossary.selected() == 0; }))
        << "the first page shown at start";
    EXPECT_EQ(glossary.searchText(), L"Cache") << "the box names the page gone back to";
    // Nothing before the first page: the key after it goes to the second page, as it would
    // from the first (keys are taken in order).
    glossary.press({VK_MENU, VK_LEFT});
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_RIGHT}, [&] { return glossary.selected() == 5; }))
        << "nothing before the first page";
    // A new page after going back ends the way forward: back from there is the page before.
    glossary.clickListItem(2);
    ASSERT_TRUE(eventually([&] { return glossary.selected() == 2; }, kTimeoutMs));
    glossary.press({VK_MENU, VK_RIGHT});
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, [&] { return glossary.selected() == 5; }))
        << "nothing after the new page";
}

TEST_F(GlossaryWindowTest, ANamedDatabaseThatCannotBeReadIsNamedInABox) {
    const std::string missing = folder_.file("no such dictionary.mdb");
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "\"" + missing + "\"");
    ASSERT_TRUE(glossary.valid());
    HWND box = nullptr;
    ASSERT_TRUE(eventually([&] { return (box = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs))
        << (WaitForSingleObject(glossary.process(), 0) == WAIT_TIMEOUT
                ? "the glossary runs without a box"
                : "the glossary ended without a box (handed over to another?)");
    const std::string text = windowText(GetDlgItem(box, 0xFFFF));
    EXPECT_NE(text.find(missing), std::string::npos) << text;
    EXPECT_GT(text.size(), text.find(missing) + missing.size() + 4) << "and the reason: " << text;
    EXPECT_NE(text.find("Dict.mdb"), std::string::npos) << "and what is shown: " << text;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(eventually([&] { return messageBoxOf(glossary) == nullptr; }, kTimeoutMs));
    // Read on a thread of its own after the box.
    EXPECT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs))
        << "the database of the folder, as after Ctrl+O";
    EXPECT_EQ(captionOf(glossary.window()), L"Technical Glossary") << "not named after the file";
}

TEST_F(GlossaryWindowTest, WithoutOneInTheCurrentDirectoryTheDatabaseBesideTheProgramIsRead) {
    TempDirectory empty("glossary-elsewhere"), installed("glossary-installed");
    ASSERT_TRUE(CopyFileA(program().c_str(), installed.file("glossary.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(folder_.file("Dict.mdb").c_str(), installed.file("Dict.mdb").c_str(), FALSE));
    GlossaryProcess glossary(installed.file("glossary.exe"), empty.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    EXPECT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs));
}
