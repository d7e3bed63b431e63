// glossary.exe under Xvfb: what it keeps of its state (the history, the search box, the
// settings), a damaged database, the page built in one piece, and a window that fits the screen.
#include "GlossaryWindowFixture.h"
#include "LargeDictionary.h"
#include "driver/WindowFinder.h"

#include <richedit.h>

using namespace glossarytest;

namespace {

constexpr int kLargeTerms = 4000;

// A copy of a dictionary of many terms cut off in the middle, as a download stopped half-way.
std::string truncatedDictionary(TempDirectory& folder, const std::string& name) {
    const std::string whole = folder.file("whole.mdb");
    if (!writeLargeDictionary(whole, kLargeTerms))
        return std::string();
    const std::string bytes = readFile(whole);
    writeFile(folder.file(name), bytes.substr(0, bytes.size() / 2));
    return folder.file(name);
}

} // namespace

TEST_F(GlossaryWindowTest, ADamagedDatabaseNeverReplacesTheOneShown) {
    const std::string damaged = truncatedDictionary(folder_, "cut.mdb");
    ASSERT_FALSE(damaged.empty());
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs));
    glossary.clickListItem(1);
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));

    ASSERT_TRUE(glossary.dropFile(std::wstring(damaged.begin(), damaged.end())));
    const std::string text = answerBox(glossary);
    EXPECT_NE(text.find(damaged), std::string::npos) << "the box names the file: " << text;
    EXPECT_NE(text.find("damaged"), std::string::npos) << text;
    EXPECT_NE(text.find("page "), std::string::npos) << "and where: " << text;
    EXPECT_EQ(glossary.itemCount(), 6) << "the database shown stays";
    EXPECT_EQ(glossary.selected(), 1);
    EXPECT_TRUE(contains(glossary.pageText(), L"Translates code.")) << "with its page";
    EXPECT_EQ(captionOf(glossary.window()), L"Technical Glossary");
}

TEST_F(GlossaryWindowTest, ADamagedDefaultDatabaseListsWhatWasReadAndSaysSoWithoutABox) {
    TempDirectory damagedFolder("glossary-damaged");
    ASSERT_FALSE(truncatedDictionary(damagedFolder, "Dict.mdb").empty());
    GlossaryProcess glossary(program(), damagedFolder.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"damaged"); }, kTimeoutMs))
        << glossary.pageText();
    // The table's map of its pages already names pages beyond the end: no term is read.
    EXPECT_LT(glossary.itemCount(), kLargeTerms) << "only the terms read before the damage";
    const std::wstring page = glossary.pageText();
    EXPECT_TRUE(contains(page, L"Dict.mdb")) << page;
    EXPECT_TRUE(contains(page, L"page ")) << "where: " << page;
    EXPECT_TRUE(contains(page, L"Ctrl+O")) << "and what to do: " << page;
    // The focus in the search box: the start is done, and no box has taken it; a box that
    // came later would keep Exit from ending the program.
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    EXPECT_EQ(messageBoxOf(glossary), nullptr) << "nothing in the way at start";
    glossary.clickExit();
    DWORD exitCode = 99;
    EXPECT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
}

TEST_F(GlossaryWindowTest, EachWordLookedUpIsAnEntryOfTheHistory) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    glossary.type(L"compi");
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));
    // The box cleared and another word typed at once: two words, two entries.
    glossary.setSearch(L"");
    glossary.type(L"compr");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Makes data smaller."); },
                           kTimeoutMs));
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, selects(glossary, 1)))
        << "back to the word before";
    EXPECT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, selects(glossary, 0)))
        << "and to the page shown at start";

    // Enter ends a word too.
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_RIGHT}, selects(glossary, 1)));
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_RIGHT}, selects(glossary, 2)));
    glossary.activate();
    ASSERT_TRUE(pressUntil(glossary, {VK_F6}, focusOn(glossary, IDC_SEARCH)));
    glossary.type(L"cache");
    ASSERT_TRUE(pressUntil(glossary, {VK_RETURN}, focusOn(glossary, IDC_PAGE)));
    ASSERT_TRUE(pressUntil(glossary, {VK_F6}, focusOn(glossary, IDC_SEARCH)));
    glossary.type(L"\u0436");
    ASSERT_TRUE(eventually([&] { return glossary.selected() == 5; }, kTimeoutMs));
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, selects(glossary, 0))) << "Cache";
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, selects(glossary, 2))) << "compression";
}

TEST_F(GlossaryWindowTest, TheSearchBoxShowsTheTermOfAPageOpenedByLinkOrAsAnotherDatabase) {
    writeLinkedDictionary(folder_.file("links.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs,
                             "\"" + folder_.file("links.mdb") + "\"");
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 3; }, kTimeoutMs));
    glossary.setSearch(L"lin");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Web page"); }, kTimeoutMs));
    ASSERT_TRUE(glossary.clickPageText(L"the compiler"));
    EXPECT_TRUE(eventually([&] { return glossary.searchText() == L"Compiler"; }, kTimeoutMs))
        << "the term on the page: " << glossary.searchText();
    EXPECT_EQ(glossary.selected(), 0);

    const std::string other = folder_.file("Dict.mdb");
    ASSERT_TRUE(glossary.dropFile(std::wstring(other.begin(), other.end())));
    EXPECT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs));
    EXPECT_EQ(glossary.searchText(), L"Cache");
    EXPECT_EQ(glossary.selected(), 0) << "the term in the box is the one selected";
}

TEST_F(GlossaryWindowTest, TheDatabaseOpenedLastIsOpenedAgainWhileItIsThere) {
    ASSERT_TRUE(
        CopyFileA(folder_.file("Dict.mdb").c_str(), folder_.file("other.mdb").c_str(), FALSE));
    const auto runOnce = [&](const std::wstring& drop, const std::wstring& caption) {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        if (!eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs))
            return std::wstring(L"<not started>");
        const std::wstring shown = captionOf(glossary.window());
        if (!drop.empty())
            glossary.dropFile(drop);
        eventually([&] { return captionOf(glossary.window()) == caption; }, kTimeoutMs);
        glossary.clickExit();
        DWORD exitCode = 0;
        glossary.waitForExit(kTimeoutMs, exitCode);
        return shown;
    };
    const std::string other = folder_.file("other.mdb");
    EXPECT_EQ(runOnce(std::wstring(other.begin(), other.end()), L"Technical Glossary - other.mdb"),
              L"Technical Glossary");
    EXPECT_EQ(runOnce(L"", L"Technical Glossary - other.mdb"), L"Technical Glossary - other.mdb")
        << "opened again";
    ASSERT_TRUE(DeleteFileA(other.c_str()));
    EXPECT_EQ(runOnce(L"", L"Technical Glossary"), L"Technical Glossary") << "gone: the default";
}

TEST_F(GlossaryWindowTest, SettingsRemovedWhileTheWindowIsOpenDoNotComeBack) {
    setDword(HKEY_CURRENT_USER, kSettings, "Zoom", 120);
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(eventually([&] { return glossary.pageZoom() == 120; }, kTimeoutMs));
    // As the uninstaller does when the product goes while the glossary is open.
    deleteTree(HKEY_CURRENT_USER, kSettings);
    glossary.clickExit();
    DWORD exitCode = 0;
    ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kSettings));

    // A first start writes them, as ever.
    GlossaryProcess first(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(first.valid());
    first.clickExit();
    ASSERT_TRUE(first.waitForExit(kTimeoutMs, exitCode));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kSettings));
}

TEST_F(GlossaryWindowTest, APageComesInOnePieceWithItsLinks) {
    // A page of many screens with links to its end: its first screen is shown at once and the
    // rest goes in while the window is idle, yet whoever reads it gets it whole, as if it had
    // been taken at once, and shown from its top. It begins with a centred paragraph of many
    // lines, as a dictionary's numbered senses are, longer than a screen.
    using namespace fixtures;
    std::u16string many = u"<p align=center>";
    for (int i = 1; i <= 80; ++i) {
        const std::string n = std::to_string(i);
        many += u"Sense " + std::u16string(n.begin(), n.end()) +
                u": one of the lines of a long paragraph, <a href=\"#compiler\">a link</a><br>";
    }
    many += u"</p>";
    for (int i = 1; i <= 300; ++i) {
        const std::string n = std::to_string(i);
        many += u"<p>Paragraph " + std::u16string(n.begin(), n.end()) +
                u", with <b>bold</b> text and <a href=\"#compiler\">a link</a>.</p>";
    }
    const Rows rows = {
        {integer(1), text(u"Compiler"), text(u"Translates code.")},
        {integer(2), text(u"Links"), text(many + u"<p><a href=\"#compiler\">Last link</a></p>")}};
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    writeFile(folder_.file("long.mdb"), std::string(bytes.begin(), bytes.end()));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs,
                             "\"" + folder_.file("long.mdb") + "\"");
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 2; }, kTimeoutMs));
    glossary.setSearch(L"links");
    const std::wstring page = glossary.pageText(); // at once, no waiting
    std::size_t paragraphs = 0;
    for (std::size_t at = page.find(L"Paragraph "); at != std::wstring::npos;
         at = page.find(L"Paragraph ", at + 1))
        ++paragraphs;
    EXPECT_EQ(paragraphs, 300u);
    const std::size_t lastSense = page.find(L"Sense 80: one");
    ASSERT_NE(lastSense, std::wstring::npos);
    EXPECT_EQ(page.find(L"Sense 80", lastSense + 1), std::wstring::npos) << "each line once";
    EXPECT_EQ(glossary.pageAlignment(pagePosition(page, L"Sense 80")), PFA_CENTER)
        << "the paragraph's lines that came in later stay in it";
    EXPECT_EQ(glossary.pageAlignment(pagePosition(page, L"Sense 2:")), PFA_CENTER);
    ASSERT_GT(page.size(), 12u);
    EXPECT_EQ(page.substr(page.size() - 12), L".\r\nLast link") << "nothing after it";
    bool bold = false;
    COLORREF color = CLR_INVALID;
    int twips = 0;
    ASSERT_TRUE(glossary.pageFormat(pagePosition(page, L"Last link"), 9, bold, color, twips));
    EXPECT_EQ(color, RGB(0, 0, 255)) << "the last link, in the page's last piece, is a link";
    DWORD_PTR line = 1;
    ASSERT_TRUE(SendMessageTimeoutW(glossary.control(IDC_PAGE), EM_GETFIRSTVISIBLELINE, 0, 0,
                                    SMTO_NORMAL, kTimeoutMs, &line));
    EXPECT_EQ(line, 0u) << "shown from its top";
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-long-page.bmp");
    // A button let go over a link after it was pressed on the page before (a click that came
    // while this page went in) follows nothing.
    ASSERT_TRUE(glossary.clickPageText(L"a link", false));
    // The window's thread takes posted messages in order: once the list shows the second of
    // these, what the release posted (a link to follow) has been handled too.
    for (const int item : {0, 1}) {
        PostMessageW(glossary.control(IDC_TERMS), LB_SETCURSEL, static_cast<WPARAM>(item), 0);
        ASSERT_TRUE(eventually([&] { return glossary.selected() == item; }, kTimeoutMs));
    }
    EXPECT_FALSE(contains(glossary.pageText(), L"Translates code.")) << "nothing followed";
    ASSERT_TRUE(glossary.clickPageText(L"a link"));
    EXPECT_TRUE(eventually([&] { return glossary.selected() == 0; }, kTimeoutMs));

    // The suggestions' links end where their text does.
    glossary.setSearch(L"compilr");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Nearest"); }, kTimeoutMs));
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-suggestions-links.bmp");
    ASSERT_TRUE(glossary.clickPageText(L"Compiler"));
    EXPECT_TRUE(eventually([&] { return glossary.selected() == 0; }, kTimeoutMs));
}

TEST_F(GlossaryWindowTest, TheWholeWindowFitsASmallScreenOfHighDensity) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const HWND window = glossary.window();
    // 192 dpi on a screen of 1280 x 800, where the designed size is 1382 x 708 pixels.
    const RECT screen = {0, 0, 1280, 800};
    ASSERT_TRUE(glossary.moveToScreenOfDpi(192, screen));
    RECT frame = {}, client = {}, inside = {};
    GetWindowRect(window, &frame);
    IntersectRect(&inside, &frame, &screen);
    EXPECT_TRUE(EqualRect(&inside, &frame)) << "the window: " << frame.left << "," << frame.top
                                            << "-" << frame.right << "," << frame.bottom;
    GetClientRect(window, &client);
    EXPECT_TRUE(laidOutWithin(window, client)) << "Exit, the page and the version are whole";
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-192dpi-1280x800.bmp");
    ShowWindow(window, SW_MAXIMIZE);
    ASSERT_TRUE(eventually([&] { return IsZoomed(window) != FALSE; }, kTimeoutMs));
    const int width = GetSystemMetrics(SM_CXSCREEN);
    GetClientRect(window, &client);
    RECT page = clientRect(window, glossary.control(IDC_PAGE));
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&page), 2);
    EXPECT_LE(page.right, width) << "maximised, the page ends on the screen";
    EXPECT_TRUE(laidOutWithin(window, client));
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-192dpi-maximised.bmp");
}

TEST_F(GlossaryWindowTest, AnInstalledCopyWritesNothingOnceTheProductIsNoLongerRegistered) {
    const char registration[] =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary";
    if (keyExists(HKEY_LOCAL_MACHINE, registration))
        GTEST_SKIP() << "the product is registered on this machine";
    TempDirectory installed("glossary-installed");
    ASSERT_TRUE(CopyFileA(program().c_str(), installed.file("glossary.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(folder_.file("Dict.mdb").c_str(), installed.file("Dict.mdb").c_str(), FALSE));
    setString(HKEY_LOCAL_MACHINE, registration, "InstallLocation", installed.path());
    GlossaryProcess glossary(installed.file("glossary.exe"), installed.path(), kTimeoutMs);
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 6; }, kTimeoutMs));
    // Removed with the glossary left open: the registration goes, the files may stay until
    // the next restart.
    deleteTree(HKEY_LOCAL_MACHINE, registration);
    glossary.clickExit();
    DWORD exitCode = 0;
    ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kSettings)) << "nothing of the product comes back";
}
