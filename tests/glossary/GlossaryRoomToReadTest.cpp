// glossary.exe under Xvfb: room to read. The splitter between the list and the page, the terms
// that follow a selection kept in sight, and the help that F1 shows.
#include "GlossaryWindowFixture.h"
#include "driver/WindowFinder.h"

#include <cstdlib>

using namespace glossarytest;

namespace {

constexpr int kTermsBeforeTake = 80;
const char16_t* const kTakePhrases[] = {u"take",      u"take after", u"take apart",
                                        u"take away", u"take in",    u"take off",
                                        u"take on",   u"take over",  u"take up"};
constexpr int kTakeCount = sizeof kTakePhrases / sizeof kTakePhrases[0];

// Many terms before "take" and its phrases, so that a search for it scrolls the list.
void writeTakeDictionary(const std::string& path) {
    using namespace fixtures;
    Rows rows;
    int id = 1;
    for (int i = 0; i < kTermsBeforeTake; ++i) {
        const std::u16string number = {static_cast<char16_t>(u'0' + i / 10),
                                       static_cast<char16_t>(u'0' + i % 10)};
        rows.push_back({integer(id++), text(u"abandon " + number), text(u"Filler.")});
    }
    for (const char16_t* phrase : kTakePhrases)
        rows.push_back({integer(id++), text(phrase), text(u"A phrase of take.")});
    for (int i = 0; i < 20; ++i)
        rows.push_back(
            {integer(id++), text(u"zone " + std::u16string(1, u'a' + i)), text(u"Filler.")});
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

int widthOf(GlossaryProcess& glossary, int id) {
    const RECT place = clientRect(glossary.window(), glossary.control(id));
    return place.right - place.left;
}

// The list item wholly inside the list's visible rows.
bool itemInSight(GlossaryProcess& glossary, int index) {
    const HWND list = glossary.control(IDC_TERMS);
    RECT item = {}, client = {};
    GetClientRect(list, &client);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(list, LB_GETITEMRECT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&item), SMTO_ABORTIFHUNG, kTimeoutMs,
                             &result) ||
        static_cast<LRESULT>(result) == LB_ERR)
        return false;
    return item.top >= client.top && item.bottom <= client.bottom;
}

void exitAndWait(GlossaryProcess& glossary) {
    glossary.clickExit();
    DWORD exitCode = 0;
    glossary.waitForExit(kTimeoutMs, exitCode);
}

} // namespace

TEST_F(GlossaryWindowTest, TheSplitterMovesByKeyboardAndKeepsItsPlaceAcrossARestart) {
    int widened = 0;
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        const int designed = widthOf(glossary, IDC_TERMS);
        const int page = widthOf(glossary, IDC_PAGE);
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, VK_SHIFT, VK_RIGHT},
                               [&] { return widthOf(glossary, IDC_TERMS) > designed; }));
        const int once = widthOf(glossary, IDC_TERMS);
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, VK_SHIFT, VK_RIGHT},
                               [&] { return widthOf(glossary, IDC_TERMS) > once; }));
        widened = widthOf(glossary, IDC_TERMS);
        EXPECT_EQ(widthOf(glossary, IDC_PAGE), page - (widened - designed))
            << "the page gives the room";
        RECT client = {};
        GetClientRect(glossary.window(), &client);
        EXPECT_TRUE(laidOutWithin(glossary.window(), client));
        glossary.saveScreenshot(binaryDirectory() + "\\glossary-list-widened.bmp");
        // Narrowed back by one step: the key works both ways.
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, VK_SHIFT, VK_LEFT},
                               [&] { return widthOf(glossary, IDC_TERMS) == once; }));
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, VK_SHIFT, VK_RIGHT},
                               [&] { return widthOf(glossary, IDC_TERMS) == widened; }));
        exitAndWait(glossary);
    }
    GlossaryProcess again(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(again.valid());
    EXPECT_TRUE(eventually([&] { return widthOf(again, IDC_TERMS) == widened; }, kTimeoutMs))
        << "the list is " << widthOf(again, IDC_TERMS) << " pixels wide, not " << widened;
    ASSERT_TRUE(readyForTheKeyboard(again));
    for (const WORD key : {VK_RIGHT, VK_LEFT}) {
        // Far past either end: the last keys change nothing, and both sides stay readable.
        int last = -1;
        for (int i = 0; i < 60 && widthOf(again, IDC_TERMS) != last; ++i) {
            last = widthOf(again, IDC_TERMS);
            again.press({VK_MENU, VK_SHIFT, key});
        }
        RECT client = {};
        GetClientRect(again.window(), &client);
        EXPECT_TRUE(laidOutWithin(again.window(), client));
        EXPECT_GT(widthOf(again, IDC_TERMS), client.right / 8);
        EXPECT_GT(widthOf(again, IDC_PAGE), client.right / 5);
    }
}

TEST_F(GlossaryWindowTest, TheBarBetweenTheListAndThePageIsDraggedWithTheMouse) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const HWND window = glossary.window();
    const RECT list = clientRect(window, glossary.control(IDC_TERMS));
    const RECT page = clientRect(window, glossary.control(IDC_PAGE));
    ASSERT_LT(list.right, page.left) << "a bar to grab";
    // As the mouse does: pressed on the bar, moved 60 pixels right, released.
    const int x = (list.right + page.left) / 2, y = (page.top + page.bottom) / 2;
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 60, y));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x + 60, y));
    // The list and then the page are moved: both, once the window is done with the mouse.
    EXPECT_TRUE(eventually(
        [&] {
            return clientRect(window, glossary.control(IDC_TERMS)).right == list.right + 60 &&
                   clientRect(window, glossary.control(IDC_PAGE)).left == page.left + 60;
        },
        kTimeoutMs));
    // Released: the next move of the mouse moves nothing.
    PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x + 120, y));
    glossary.press({VK_SHIFT}); // handled after the move
    EXPECT_EQ(clientRect(window, glossary.control(IDC_TERMS)).right, list.right + 60);
    // On a screen of twice the density the list keeps its place: twice as many pixels.
    const int width = widthOf(glossary, IDC_TERMS);
    ASSERT_TRUE(glossary.moveToScreenOfDpi(192, RECT{0, 0, 1280, 1024}));
    EXPECT_TRUE(eventually([&] { return std::abs(widthOf(glossary, IDC_TERMS) - 2 * width) <= 1; },
                           kTimeoutMs))
        << widthOf(glossary, IDC_TERMS) << " pixels at 192 dpi, " << width << " at 96";
}

TEST_F(GlossaryWindowTest, ASearchShowsTheTermsThatFollowTheSelectionBelowIt) {
    writeTakeDictionary(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(eventually(
        [&] { return glossary.itemCount() == kTermsBeforeTake + kTakeCount + 20; }, kTimeoutMs));
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    glossary.type(L"take");
    ASSERT_TRUE(eventually(selects(glossary, kTermsBeforeTake), kTimeoutMs));
    EXPECT_TRUE(eventually(
        [&] {
            return itemInSight(glossary, kTermsBeforeTake) &&
                   itemInSight(glossary, kTermsBeforeTake + kTakeCount - 1);
        },
        kTimeoutMs))
        << "\"take up\", the last phrase after \"take\", is below the list's bottom edge";
}

TEST_F(GlossaryWindowTest, DownInTheSearchBoxKeepsRowsBelowTheSelection) {
    writeTakeDictionary(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    // From the first term down past the list's last visible row.
    for (int i = 1; i <= 30; ++i) {
        ASSERT_TRUE(pressUntil(glossary, {VK_DOWN}, selects(glossary, i)));
        EXPECT_TRUE(itemInSight(glossary, i + 1)) << "the term after entry " << i;
    }
}

TEST_F(GlossaryWindowTest, F1ShowsTheKeysAndEscapeClosesThem) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    HWND help = nullptr;
    ASSERT_TRUE(pressUntil(glossary, {VK_F1}, [&] {
        help = messageBoxOf(glossary);
        return help != nullptr && captionOf(help) == L"Glossary keys and search";
    }));
    const HWND text = GetDlgItem(help, IDC_HELP_TEXT);
    ASSERT_TRUE(eventually([&] { return glossary.focus() == text; }, kTimeoutMs))
        << "the text has the focus, for the keyboard and a screen reader";
    wchar_t shown[8192] = {};
    DWORD_PTR length = 0;
    ASSERT_TRUE(SendMessageTimeoutW(text, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(shown),
                                    SMTO_ABORTIFHUNG, kTimeoutMs, &length));
    for (const wchar_t* piece : {L"F1", L"Alt+Shift+Right", L"Ctrl+Shift+F", L"colo?r", L"F6"})
        EXPECT_TRUE(contains(shown, piece)) << "the help names " << piece;
    driver::saveWindowImage(help, binaryDirectory() + "\\glossary-help.bmp");
    ASSERT_TRUE(pressUntil(glossary, {VK_ESCAPE}, [&] { return IsWindow(help) == FALSE; }));
    EXPECT_TRUE(eventually(focusOn(glossary, IDC_SEARCH), kTimeoutMs))
        << "the focus is back where it was";
}
