// glossary.exe under Xvfb with several databases at once: one dropped with Ctrl held joins the
// one shown, the list and the pages span both, the dictionaries dialog lists and orders the
// dictionaries of both and removes one; the set is remembered, a database whose dictionaries
// are all off is never opened, and one that cannot be read is named on the page.
#include "DictionariesDialog.h"
#include "GlossaryWindowFixture.h"
#include "ScreenLooks.h"
#include "driver/ScreenCapture.h"
#include "search/SearchTestDatabase.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>

using namespace glossarytest;

namespace {

DictionaryEntry entry(std::u16string term, std::u16string html) {
    return DictionaryEntry{std::move(term), std::move(html), {}};
}

// A database of one dictionary, as `dictbuild --each` writes it.
void writeDatabase(const std::string& path, const std::u16string& source,
                   std::vector<DictionaryEntry> entries) {
    const SearchTestDatabase db(std::move(entries), {source}, true);
    writeFile(path, std::string(db.bytes.begin(), db.bytes.end()));
}

void writeFoldoc(const std::string& path) {
    writeDatabase(
        path, u"foldoc",
        {entry(u"cache", u"<p>FOLDOC on cache.</p>"),
         entry(u"kernel", u"<p>FOLDOC on kernel, see <a href=\"#hacker\">hacker</a>.</p>"),
         entry(u"lisp", u"<p>FOLDOC on lisp.</p>")});
}

void writeJargon(const std::string& path) {
    writeDatabase(path, u"jargon",
                  {entry(u"cache", u"<p>Jargon on cache.</p>"),
                   entry(u"foo", u"<p>Jargon on foo.</p>"),
                   entry(u"hacker", u"<p>Jargon on hacker.</p>")});
}

std::wstring pageOf(GlossaryProcess& glossary, const std::wstring& term) {
    glossary.setSearch(term);
    std::wstring page;
    eventually([&] { return contains(page = glossary.pageText(), term + L":"); }, kTimeoutMs);
    return page;
}

std::vector<std::wstring> terms(const GlossaryProcess& glossary) {
    std::vector<std::wstring> listed;
    for (int i = 0; i < glossary.itemCount(); ++i)
        listed.push_back(glossary.listText(i));
    return listed;
}

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Ctrl held (as the user's hand on the key) while the file is dropped.
bool dropWithControl(GlossaryProcess& glossary, const std::string& path) {
    INPUT key = {};
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_CONTROL;
    SendInput(1, &key, sizeof key);
    eventually([] { return GetAsyncKeyState(VK_CONTROL) < 0; }, kTimeoutMs);
    const bool dropped = glossary.dropFile(wide(path));
    key.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &key, sizeof key);
    eventually([] { return GetAsyncKeyState(VK_CONTROL) >= 0; }, kTimeoutMs);
    return dropped;
}

void rememberAdded(const std::string& path) {
    const std::string lines = path + std::string(2, '\0');
    setValue(HKEY_CURRENT_USER, kSettings, "Added databases", REG_MULTI_SZ,
             reinterpret_cast<const BYTE*>(lines.data()), static_cast<DWORD>(lines.size()));
}

void rememberChoice(const std::string& path, const std::string& line) {
    const std::string lines = line + std::string(2, '\0');
    setValue(HKEY_CURRENT_USER, std::string(kSettings) + "\\Dictionaries", path, REG_MULTI_SZ,
             reinterpret_cast<const BYTE*>(lines.data()), static_cast<DWORD>(lines.size()));
}

const wchar_t kLeftOut[] = L"A database is left out";

// The whole frame inside the work area of the dialog's screen.
bool onItsScreen(HWND dialog) {
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    RECT frame = {}, inside = {};
    return GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &screen) &&
           GetWindowRect(dialog, &frame) && IntersectRect(&inside, &frame, &screen.rcWork) &&
           EqualRect(&inside, &frame);
}

// A list's column titles on the buttons' face (black in the scheme), in their text's colour
// (white): a themed header keeps a white face, a run of white as wide as its first column.
bool titlesShowInSystemColours(HWND list) {
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT first = {};
    GetClientRect(header, &first);
    first.right = static_cast<LONG>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    int longestWhite = 0, white = 0;
    for (int y = first.top; y < first.bottom; ++y) {
        int run = 0;
        for (int x = first.left + 2; x < first.right - 2; ++x) {
            POINT at = {x, y};
            ClientToScreen(header, &at);
            const bool isWhite = driver::screenPixel(at) == RGB(255, 255, 255);
            run = isWhite ? run + 1 : 0;
            white += isWhite ? 1 : 0;
            longestWhite = std::max(longestWhite, run);
        }
    }
    return longestWhite < (first.right - first.left) / 2 && white > 10;
}

} // namespace

TEST_F(GlossaryWindowTest, ADatabaseDroppedWithCtrlJoinsTheOneShownAndTheDialogOrdersBoth) {
    writeFoldoc(folder_.file("foldoc.mdb"));
    writeJargon(folder_.file("jargon.mdb"));
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "foldoc.mdb");
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        ASSERT_EQ(glossary.itemCount(), 3);
        ASSERT_TRUE(dropWithControl(glossary, folder_.file("jargon.mdb")));
        ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 5; }, kTimeoutMs));
        EXPECT_EQ(terms(glossary),
                  (std::vector<std::wstring>{L"cache", L"foo", L"hacker", L"kernel", L"lisp"}))
            << "the terms of both, cache once";
        const std::wstring cache = pageOf(glossary, L"cache");
        EXPECT_LT(cache.find(L"foldoc"), cache.find(L"FOLDOC on cache")) << cache;
        EXPECT_LT(cache.find(L"FOLDOC on cache"), cache.find(L"jargon")) << cache;
        EXPECT_LT(cache.find(L"jargon"), cache.find(L"Jargon on cache")) << cache;
        pageOf(glossary, L"cache");
        glossary.saveScreenshot(binaryDirectory() + "\\glossary-databases-page.bmp");
        EXPECT_TRUE(contains(pageOf(glossary, L"hac"), L"Jargon on hacker"))
            << "the search finds the added database's terms";

        // The dialog lists the dictionaries of both, with the file each comes from.
        HWND dialog = openDialog(glossary);
        ASSERT_NE(dialog, nullptr);
        HWND list = GetDlgItem(dialog, IDC_SOURCES);
        ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_EQ(glossary.listViewText(list, 0, 0), L"foldoc");
        EXPECT_EQ(glossary.listViewText(list, 0, 2), L"foldoc.mdb");
        EXPECT_EQ(glossary.listViewText(list, 1, 0), L"jargon");
        EXPECT_EQ(glossary.listViewText(list, 1, 2), L"jargon.mdb");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_SERVER_REMOVE)))
            << "the database opened is replaced with Ctrl+O, not removed";
        // The Jargon File above FOLDOC, across the databases: Down, then Move up.
        ASSERT_TRUE(pressUntil(glossary, {VK_DOWN},
                               [&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) == 1; }));
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'U'},
                               [&] { return glossary.listViewText(list, 0, 0) == L"jargon"; }));
        ASSERT_TRUE(closes(glossary, {VK_RETURN}));
        std::wstring ordered;
        ASSERT_TRUE(eventually(
            [&] {
                ordered = pageOf(glossary, L"cache");
                return ordered.find(L"Jargon on cache") < ordered.find(L"FOLDOC on cache");
            },
            kTimeoutMs))
            << ordered;
        glossary.clickExit();
        DWORD code = 0;
        ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, code));
    }
    // The next start shows both, in the order chosen; Remove takes the added one away.
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "foldoc.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 5; }, kTimeoutMs));
    const std::wstring cache = pageOf(glossary, L"cache");
    EXPECT_LT(cache.find(L"Jargon on cache"), cache.find(L"FOLDOC on cache")) << cache;
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    ASSERT_EQ(glossary.listViewText(list, 0, 2), L"jargon.mdb");
    ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'R'},
                           [&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 1; }));
    EXPECT_EQ(glossary.listViewText(list, 0, 0), L"foldoc");
    ASSERT_TRUE(closes(glossary, {VK_RETURN}));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 3; }, kTimeoutMs));
    EXPECT_FALSE(contains(pageOf(glossary, L"cache"), L"Jargon"));
}

TEST_F(GlossaryWindowTest, ADatabaseWhoseDictionariesAreAllOffIsNotOpened) {
    writeFoldoc(folder_.file("foldoc.mdb"));
    // Not a database: opened, it would be named on the page as left out.
    writeFile(folder_.file("jargon.mdb"), "not a database at all");
    rememberAdded(folder_.file("jargon.mdb"));
    rememberChoice(folder_.file("jargon.mdb"), "-jargon");
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "foldoc.mdb");
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        const std::wstring page = pageOf(glossary, L"lisp");
        EXPECT_FALSE(contains(page, kLeftOut)) << page;
        EXPECT_EQ(glossary.itemCount(), 3);
        glossary.clickExit();
        DWORD code = 0;
        ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, code));
    }
    // The same file with its dictionary on is read, and named as left out.
    rememberChoice(folder_.file("jargon.mdb"), "+jargon");
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "foldoc.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    std::wstring page;
    EXPECT_TRUE(eventually([&] { return contains(page = pageOf(glossary, L"lisp"), kLeftOut); },
                           kTimeoutMs))
        << page;
    EXPECT_TRUE(contains(page, L"jargon.mdb")) << page;
}

TEST_F(GlossaryWindowTest, AnAddedDatabaseThatIsGoneIsNamedOnThePageAndTheRestWorks) {
    writeFoldoc(folder_.file("foldoc.mdb"));
    rememberAdded(folder_.file("gone.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "foldoc.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    std::wstring page;
    ASSERT_TRUE(eventually([&] { return contains(page = pageOf(glossary, L"kernel"), kLeftOut); },
                           kTimeoutMs))
        << page;
    EXPECT_TRUE(contains(page, L"gone.mdb")) << page;
    EXPECT_TRUE(contains(page, L"Dictionaries (Ctrl+D)")) << "what to do: " << page;
    EXPECT_TRUE(contains(page, L"FOLDOC on kernel")) << page;
    EXPECT_EQ(glossary.itemCount(), 3);
    EXPECT_EQ(messageBoxOf(glossary), nullptr) << "a note, not a box";
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-databases-left-out.bmp");
    // The dialog lists it, so that it can be removed.
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(glossary.listViewText(list, 1, 2), L"gone.mdb");
    EXPECT_NE(windowText(GetDlgItem(dialog, IDC_SOURCES_NOTE)).find("cannot be read"),
              std::string::npos);
    EXPECT_TRUE(closes(glossary, {VK_ESCAPE}));
}

// The dialog with two databases, as the reader sees it at 96 and 192 dpi and in high contrast
// (pictures beside the tests for a person to look at): its controls fit at either density, and
// the list's column titles show in the system's colours.
TEST_F(GlossaryWindowTest, TheDialogWithTwoDatabasesFitsAtEachDensityAndShowsItsTitles) {
    writeFoldoc(folder_.file("foldoc.mdb"));
    writeJargon(folder_.file("jargon.mdb"));
    rememberAdded(folder_.file("jargon.mdb"));
    // Beside the looks pictured, a density whose dialog would be taller than the screen.
    std::vector<ScreenLook> looks = pictureLooks();
    looks.push_back({"240dpi", 240, false});
    DialogInLook steps;
    steps.start = [&] {
        return std::make_unique<GlossaryProcess>(program(), folder_.path(), kTimeoutMs,
                                                 "foldoc.mdb");
    };
    steps.ready = [](GlossaryProcess& glossary, const ScreenLook&) {
        ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 5; }, kTimeoutMs));
    };
    steps.check = [](GlossaryProcess&, HWND dialog, const ScreenLook& look) {
        EXPECT_TRUE(onItsScreen(dialog)) << "OK and Cancel within reach of the mouse";
        if (look.highContrast) {
            for (const int list : {IDC_SOURCES, IDC_GROUP_MEMBERS})
                EXPECT_TRUE(titlesShowInSystemColours(GetDlgItem(dialog, list))) << list;
        }
    };
    seeTheDialogInEachLook(looks, "glossary-databases-dialog", steps);
}

TEST_F(GlossaryWindowTest, ASearchInDefinitionsListsTheTermsOfBothDatabases) {
    writeFoldoc(folder_.file("foldoc.mdb"));
    writeJargon(folder_.file("jargon.mdb"));
    rememberAdded(folder_.file("jargon.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "foldoc.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 5; }, kTimeoutMs));
    glossary.press({VK_CONTROL, VK_SHIFT, L'F'}); // the search box searches the definitions
    glossary.setSearch(L"on");
    std::vector<std::wstring> found;
    EXPECT_TRUE(eventually(
        [&] {
            found = terms(glossary);
            return found.size() == 5;
        },
        kTimeoutMs))
        << found.size() << " terms";
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::wstring>{L"cache", L"foo", L"hacker", L"kernel", L"lisp"}))
        << "cache, in both, once";
    glossary.setSearch(L"hacker");
    EXPECT_TRUE(eventually(
        [&] {
            found = terms(glossary);
            std::sort(found.begin(), found.end());
            return found == std::vector<std::wstring>{L"hacker", L"kernel"};
        },
        kTimeoutMs))
        << "kernel (FOLDOC) and hacker (Jargon) name a hacker";
}

// "Add database..." (Alt+B) in the dialog: the Open dialog names the file; one that is no
// database is refused in the note, with nothing added.
TEST_F(GlossaryWindowTest, AddDatabaseInTheDialogAddsItsDictionariesAndRefusesAFileThatIsNone) {
    writeFoldoc(folder_.file("foldoc.mdb"));
    writeJargon(folder_.file("jargon.mdb"));
    writeFile(folder_.file("notes.mdb"), "not a database at all");
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "foldoc.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    const auto add = [&](const std::string& path) {
        glossary.press({VK_MENU, L'B'}, dialog);
        HWND chooser = nullptr;
        if (!eventually(
                [&] { return (chooser = dialogOf(glossary, L"Add a database")) != nullptr; },
                kTimeoutMs))
            return false;
        SetDlgItemTextA(chooser, cmb13, path.c_str());
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
        return eventually([&] { return !IsWindow(chooser); }, kTimeoutMs);
    };
    ASSERT_TRUE(add(folder_.file("notes.mdb")));
    EXPECT_TRUE(eventually(
        [&] {
            return windowText(GetDlgItem(dialog, IDC_SOURCES_NOTE)).find("cannot read notes.mdb") !=
                   std::string::npos;
        },
        kTimeoutMs))
        << windowText(GetDlgItem(dialog, IDC_SOURCES_NOTE));
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    ASSERT_TRUE(add(folder_.file("jargon.mdb")));
    ASSERT_TRUE(
        eventually([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2; }, kTimeoutMs));
    EXPECT_EQ(glossary.listViewText(list, 1, 0), L"jargon");
    EXPECT_EQ(glossary.listViewText(list, 1, 2), L"jargon.mdb");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(eventually([&] { return messageBoxOf(glossary) == nullptr; }, kTimeoutMs));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 5; }, kTimeoutMs));
    EXPECT_TRUE(contains(pageOf(glossary, L"foo"), L"Jargon on foo"));
}
