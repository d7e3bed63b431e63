// glossary.exe under Xvfb with several databases at once: one dropped with Ctrl held joins the
// one shown, the list and the pages span both, the dictionaries dialog lists and orders the
// dictionaries of both and removes one; the set is remembered, a database whose dictionaries
// are all off is never opened, and one that cannot be read is named on the page.
#include "DictionariesDialog.h"
#include "GlossaryWindowFixture.h"
#include "ScreenLooks.h"
#include "dictbuild/SearchTables.h"
#include "driver/ScreenCapture.h"
#include "search/SearchTestDatabase.h"
#include "win32/WindowText.h"

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

// FOLDOC of `count` terms "alpha 0", "alpha 1"... each defined "FOLDOC, said on alpha N.",
// with the full-text index: a search for the phrase "said on" reads every row's text, long
// after a small database has answered. Written row by row, as dictbuild does.
void writeLargeFoldoc(const std::string& path, int count) {
    jet::JetWriter writer;
    const std::size_t dict = writer.addTable(
        u"Dict",
        {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}, {u"definition", jet::kMemo}});
    SearchTables tables(true);
    std::vector<jet::Value> values(3);
    values[1].kind = values[2].kind = jet::Value::Kind::Text;
    for (int row = 0; row < count; ++row) {
        const std::string number = std::to_string(row);
        const std::u16string term = u"alpha " + std::u16string(number.begin(), number.end());
        const DictionaryEntry made = entry(term, u"<p>FOLDOC, said on " + term + u".</p>");
        tables.add(static_cast<std::uint32_t>(row), made);
        values[1].text = made.term;
        values[2].text = *made.definition;
        writer.addRow(dict, values);
    }
    tables.write(writer, {u"foldoc"});
    const std::vector<std::uint8_t> bytes = writer.finish();
    writeFile(path, std::string(bytes.begin(), bytes.end()));
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

// The names the file list of the Open dialog `keys` open shows, once it shows `wanted`;
// the dialog is then closed.
std::vector<std::wstring> filesListed(GlossaryProcess& glossary, std::initializer_list<WORD> keys,
                                      const std::wstring& caption, const std::wstring& wanted,
                                      HWND from = nullptr) {
    glossary.press(keys, from);
    HWND chooser = nullptr;
    std::vector<std::wstring> names;
    if (!eventually([&] { return (chooser = dialogOf(glossary, caption)) != nullptr; }, kTimeoutMs))
        return {L"<no dialog " + caption + L">"};
    eventually(
        [&] {
            const HWND view = FindWindowExW(chooser, nullptr, L"SHELLDLL_DefView", nullptr);
            const HWND list = FindWindowExW(view, nullptr, L"SysListView32", nullptr);
            names.clear();
            const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            for (int i = 0; list != nullptr && i < count; ++i)
                names.push_back(glossary.listViewText(list, i, 0));
            return std::any_of(names.begin(), names.end(),
                               [&](const std::wstring& name) { return contains(name, wanted); });
        },
        kTimeoutMs);
    PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
    eventually([&] { return !IsWindow(chooser); }, kTimeoutMs);
    return names;
}

::testing::AssertionResult lists(const std::vector<std::wstring>& names,
                                 const std::wstring& piece) {
    std::string all;
    for (const std::wstring& name : names)
        all += " \"" + std::string(name.begin(), name.end()) + "\"";
    if (std::any_of(names.begin(), names.end(),
                    [&](const std::wstring& name) { return contains(name, piece); }))
        return ::testing::AssertionSuccess() << "listed:" << all;
    return ::testing::AssertionFailure() << "listed:" << all;
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
        EXPECT_TRUE(insideWorkArea(dialog)) << "OK and Cancel within reach of the mouse";
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

// The file dialogs that choose a database start where the reader's databases are: the folder of
// the one shown, then the folder last chosen from, kept for the next start; never the folder the
// program happened to be started in.
TEST_F(GlossaryWindowTest, OpenAndAddDatabaseStartInTheShownDatabasesFolderThenInTheLastUsed) {
    // A new user's: the dialog's own memory of folders (the last one used) is empty.
    deleteTree(HKEY_CURRENT_USER,
               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32");
    CreateDirectoryA(folder_.file("shown").c_str(), nullptr);
    CreateDirectoryA(folder_.file("other").c_str(), nullptr);
    writeFoldoc(folder_.file("shown\\foldoc.mdb"));
    writeJargon(folder_.file("other\\jargon.mdb"));
    {
        // Started in the folder of Dict.mdb, showing another folder's database.
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "shown\\foldoc.mdb");
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 3; }, kTimeoutMs));
        std::vector<std::wstring> names =
            filesListed(glossary, {VK_CONTROL, L'O'}, L"Open", L"foldoc");
        EXPECT_TRUE(lists(names, L"foldoc")) << "Ctrl+O in the shown database's folder";
        EXPECT_FALSE(lists(names, L"Dict")) << "not in the current directory";

        const HWND dialog = openDialog(glossary);
        ASSERT_NE(dialog, nullptr);
        names = filesListed(glossary, {VK_MENU, L'B'}, L"Add a database", L"foldoc", dialog);
        EXPECT_TRUE(lists(names, L"foldoc")) << "Add database in the same folder";
        EXPECT_FALSE(lists(names, L"Dict"));
        // A database added from another folder: that folder is the next dialog's.
        glossary.press({VK_MENU, L'B'}, dialog);
        HWND chooser = nullptr;
        ASSERT_TRUE(
            eventually([&] { return (chooser = dialogOf(glossary, L"Add a database")) != nullptr; },
                       kTimeoutMs));
        SetDlgItemTextA(chooser, cmb13, folder_.file("other\\jargon.mdb").c_str());
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(eventually([&] { return !IsWindow(chooser); }, kTimeoutMs));
        const HWND list = GetDlgItem(dialog, IDC_SOURCES);
        ASSERT_TRUE(eventually([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2; },
                               kTimeoutMs));
        ASSERT_TRUE(closes(glossary, {VK_ESCAPE}));
        names = filesListed(glossary, {VK_CONTROL, L'O'}, L"Open", L"jargon");
        EXPECT_TRUE(lists(names, L"jargon")) << "Ctrl+O where the last database was chosen";
        glossary.clickExit();
        DWORD code = 0;
        ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, code));
    }
    // Remembered for the reader's next start.
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "shown\\foldoc.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const std::vector<std::wstring> names =
        filesListed(glossary, {VK_CONTROL, L'O'}, L"Open", L"jargon");
    EXPECT_TRUE(lists(names, L"jargon"));
    EXPECT_FALSE(lists(names, L"foldoc"));
}

// The databases of a set answer a search in definitions in turn: the small one's finds are listed
// first, and the whole answer lists FOLDOC's before them. The term chosen among the first finds
// stays selected, and its page shown, wherever the whole answer lists it.
TEST_F(GlossaryWindowTest, ATermChosenAmongTheFirstFindsStaysChosenWhenTheWholeAnswerComes) {
    constexpr int kLargeTerms = 1000000;
    writeLargeFoldoc(folder_.file("large.mdb"), kLargeTerms);
    writeDatabase(folder_.file("jargon.mdb"), u"jargon",
                  {entry(u"cache", u"<p>Jargon, said on cache.</p>"),
                   entry(u"foo", u"<p>Jargon, said on foo.</p>"),
                   entry(u"hacker", u"<p>Jargon, said on hacker.</p>")});
    rememberAdded(folder_.file("jargon.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "large.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == kLargeTerms + 3; }, kTimeoutMs));
    const auto status = [&] { return win32::windowText(glossary.control(IDC_SEARCH_STATUS)); };
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, VK_SHIFT, L'F'}, [&] {
        return SendMessageW(glossary.control(IDC_IN_DEFINITIONS), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }));
    glossary.setSearch(L"\"said on\"");
    // The Jargon File's answer, alone, while FOLDOC's is still ranked.
    ASSERT_TRUE(eventually(
        [&] { return glossary.itemCount() == 3 && status() == L"Searching\u2026"; }, kTimeoutMs))
        << glossary.itemCount() << " listed, " << status();
    int hacker = -1;
    for (int i = 0; i < 3; ++i)
        hacker = glossary.listText(i) == L"hacker" ? i : hacker;
    ASSERT_GE(hacker, 0);
    glossary.clickListItem(hacker);
    ASSERT_TRUE(eventually(
        [&] { return contains(glossary.pageText(), L"Jargon, said on hacker."); }, kTimeoutMs));
    ASSERT_EQ(glossary.itemCount(), 3) << "chosen among the first finds, before the whole answer";

    ASSERT_TRUE(eventually(
        [&] { return glossary.itemCount() == kLargeTerms + 3 && contains(status(), L" found"); },
        kTimeoutMs))
        << glossary.itemCount() << " listed, " << status();
    EXPECT_EQ(glossary.listText(glossary.selected()), L"hacker") << "the choice stays";
    EXPECT_GT(glossary.selected(), hacker) << "listed after FOLDOC's finds";
    const std::wstring page = glossary.pageText();
    EXPECT_TRUE(contains(page, L"hacker:")) << page;
    EXPECT_TRUE(contains(page, L"Jargon, said on hacker.")) << "the page is the selected term's";
}
