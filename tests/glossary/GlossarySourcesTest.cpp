// glossary.exe under Xvfb: the dictionaries dialog (Ctrl+D, the "Dictionaries..." button) turns
// a database's sources off and orders them; the list and the pages follow, and the next start
// remembers it.
#include "DictionariesDialog.h"
#include "GlossaryWindowFixture.h"
#include "driver/ScreenCapture.h"
#include "driver/WindowFinder.h"
#include "search/SearchTestDatabase.h"

#include "Articles.h"

#include <commctrl.h>

using namespace glossarytest;

namespace {

using NumberedPart = std::pair<std::uint32_t, articles::Part>;

// A row as the dictd import writes it, FOLDOC being source 0 and the Jargon File source 1.
DictionaryEntry row(std::u16string term, const std::vector<NumberedPart>& numbered) {
    std::vector<articles::Part> parts;
    for (const NumberedPart& part : numbered)
        parts.push_back(part.second);
    std::vector<std::size_t> starts;
    DictionaryEntry entry{std::move(term), articles::write(parts, false, &starts), {}};
    for (std::size_t i = 0; i < starts.size(); ++i)
        entry.parts.push_back({numbered[i].first, static_cast<std::uint32_t>(starts[i])});
    return entry;
}

NumberedPart part(std::uint32_t source, std::u16string html) {
    return {source, articles::Part{source == 0 ? u"foldoc" : u"jargon", false, std::move(html)}};
}

void writeTwoDictionaries(const std::string& path) {
    const SearchTestDatabase db(
        {row(u"cache", {part(0, u"<p>FOLDOC on cache.</p>"), part(1, u"<p>Jargon on cache.</p>")}),
         row(u"lisp", {part(0, u"<p>FOLDOC on lisp.</p>")}),
         row(u"hacker", {part(1, u"<p>Jargon on hacker.</p>")}),
         row(u"kernel", {part(0, u"<p>FOLDOC on kernel.</p>"), part(1, u"<p>Jargon kernel.</p>")}),
         row(u"foo", {part(1, u"<p>Jargon on foo.</p>")})},
        {u"foldoc", u"jargon"}, true);
    writeFile(path, std::string(db.bytes.begin(), db.bytes.end()));
}

std::vector<std::wstring> terms(const GlossaryProcess& glossary) {
    std::vector<std::wstring> listed;
    for (int i = 0; i < glossary.itemCount(); ++i)
        listed.push_back(glossary.listText(i));
    return listed;
}

// The page of `term`, chosen by typing it.
std::wstring pageOf(GlossaryProcess& glossary, const std::wstring& term) {
    glossary.setSearch(term);
    std::wstring page;
    eventually([&] { return contains(page = glossary.pageText(), term + L":"); }, kTimeoutMs);
    return page;
}

} // namespace

TEST_F(GlossaryWindowTest, DictionariesTurnedOffAndReorderedChangeTheListAndPagesAndStay) {
    const std::string database = folder_.file("two.mdb");
    writeTwoDictionaries(database);
    std::wstring dogPage;
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "two.mdb");
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        ASSERT_EQ(glossary.itemCount(), 5);
        const std::wstring asWritten = pageOf(glossary, L"cache");
        EXPECT_LT(asWritten.find(L"FOLDOC on cache"), asWritten.find(L"Jargon on cache"));
        // A word of one dictionary names it too: the row itself does not.
        const std::wstring lisp = pageOf(glossary, L"lisp");
        EXPECT_LT(lisp.find(L"foldoc"), lisp.find(L"FOLDOC on lisp.")) << lisp;
        EXPECT_TRUE(contains(pageOf(glossary, L"hacker"), L"jargon"));

        HWND dialog = openDialog(glossary);
        ASSERT_NE(dialog, nullptr);
        saveImage(dialog, "glossary-dictionaries.bmp");
        const HWND list = GetDlgItem(dialog, IDC_SOURCES);
        ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_EQ(glossary.listViewText(list, 0, 0), L"foldoc");
        EXPECT_EQ(glossary.listViewText(list, 0, 1), L"3") << "FOLDOC's entries";
        EXPECT_EQ(glossary.listViewText(list, 1, 0), L"jargon");
        EXPECT_EQ(glossary.listViewText(list, 1, 1), L"4");
        EXPECT_TRUE(glossary.listViewChecked(list, 0));
        EXPECT_TRUE(glossary.listViewChecked(list, 1));
        ASSERT_EQ(glossary.focus(), list) << "the keyboard starts in the list, on its first";

        // Space turns FOLDOC off; Enter is OK.
        ASSERT_TRUE(
            pressUntil(glossary, {VK_SPACE}, [&] { return !glossary.listViewChecked(list, 0); }));
        ASSERT_TRUE(closes(glossary, {VK_RETURN}));
        ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 4; }, kTimeoutMs));
        EXPECT_EQ(terms(glossary),
                  (std::vector<std::wstring>{L"cache", L"hacker", L"kernel", L"foo"}))
            << "lisp, FOLDOC's only, is gone";
        const std::wstring jargonOnly = pageOf(glossary, L"cache");
        EXPECT_TRUE(contains(jargonOnly, L"Jargon on cache"));
        EXPECT_FALSE(contains(jargonOnly, L"FOLDOC")) << jargonOnly;

        // On again, and below the Jargon File (Alt+D, Move down); Escape would have kept all.
        dialog = openDialog(glossary);
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(glossary.listViewChecked(GetDlgItem(dialog, IDC_SOURCES), 0));
        ASSERT_TRUE(closes(glossary, {VK_ESCAPE}));
        EXPECT_EQ(glossary.itemCount(), 4) << "Cancel changes nothing";
        dialog = openDialog(glossary);
        ASSERT_NE(dialog, nullptr);
        const HWND again = GetDlgItem(dialog, IDC_SOURCES);
        ASSERT_TRUE(
            pressUntil(glossary, {VK_SPACE}, [&] { return glossary.listViewChecked(again, 0); }));
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'D'},
                               [&] { return glossary.listViewText(again, 1, 0) == L"foldoc"; }));
        EXPECT_EQ(glossary.listViewText(again, 0, 0), L"jargon");
        EXPECT_EQ(glossary.listViewText(again, 0, 1), L"4") << "the count moves with its name";
        ASSERT_TRUE(closes(glossary, {VK_RETURN}));
        ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 5; }, kTimeoutMs));
        dogPage = pageOf(glossary, L"cache");
        EXPECT_LT(dogPage.find(L"Jargon on cache"), dogPage.find(L"FOLDOC on cache"))
            << "the Jargon File first, as chosen";
        glossary.clickExit();
        DWORD code = 0;
        ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, code));
    }
    // The next start remembers the order for this database.
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "two.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    EXPECT_EQ(glossary.itemCount(), 5);
    EXPECT_EQ(pageOf(glossary, L"cache"), dogPage);
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(glossary.listViewText(GetDlgItem(dialog, IDC_SOURCES), 0, 0), L"jargon");
    EXPECT_TRUE(closes(glossary, {VK_ESCAPE}));
}

TEST_F(GlossaryWindowTest, ADatabaseThatNamesNoDictionariesSaysSoAndShowsAllOfIt) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const int count = glossary.itemCount();
    ASSERT_GT(count, 0);
    // The button, as the mouse or Space on it would.
    PostMessageW(glossary.control(IDC_DICTIONARIES), BM_CLICK, 0, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(
        eventually([&] { return (dialog = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs));
    saveImage(dialog, "glossary-dictionaries-none.bmp");
    EXPECT_NE(windowText(GetDlgItem(dialog, IDC_SOURCES_NOTE)).find("does not record which"),
              std::string::npos);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_SOURCES)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_SOURCES_UP)));
    EXPECT_TRUE(closes(glossary, {VK_RETURN}));
    EXPECT_EQ(glossary.itemCount(), count);
}

TEST_F(GlossaryWindowTest, TheDictionariesDialogIsDrawnInTheSystemsColours) {
    writeTwoDictionaries(folder_.file("two.mdb"));
    // A dark high-contrast scheme's colours, set before the program starts (as Wine keeps no
    // high-contrast flag).
    const SystemColours scheme({COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT,
                                COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
                               {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255),
                                RGB(0, 255, 255), RGB(0, 0, 0)});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "two.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    saveImage(dialog, "glossary-dictionaries-high-contrast.bmp");
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    RECT inside = {};
    GetClientRect(list, &inside);
    POINT empty = {inside.right / 2, inside.bottom - 4}; // below the two items
    ClientToScreen(list, &empty);
    EXPECT_EQ(driver::screenPixel(empty), RGB(0, 0, 0)) << "the list on the window colour";
    RECT face = {};
    GetClientRect(dialog, &face);
    POINT corner = {2, face.bottom - 2};
    ClientToScreen(dialog, &corner);
    EXPECT_EQ(driver::screenPixel(corner), RGB(0, 0, 0)) << "the dialog on the buttons' colour";
    EXPECT_TRUE(closes(glossary, {VK_ESCAPE}));
}
