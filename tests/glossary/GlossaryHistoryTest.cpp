// glossary.exe under Xvfb: the words looked up kept across restarts and a change of the
// dictionaries shown, and the favourites kept with one key, ordered, exported and imported.
#include "AccessibleObjects.h"
#include "GlossaryWindowFixture.h"
#include "driver/ScreenCapture.h"
#include "search/SearchTestDatabase.h"
#include "win32/WindowText.h"

#include "Articles.h"

#include <dlgs.h>

using namespace glossarytest;

namespace {

using Words = std::vector<std::wstring>;

// FOLDOC is source 0 and the Jargon File source 1; lisp is FOLDOC's alone.
void writeTwoDictionaries(const std::string& path) {
    const auto row = [](std::u16string term, std::uint32_t source, std::u16string html) {
        std::vector<std::size_t> starts;
        const articles::Part part{source == 0 ? u"foldoc" : u"jargon", false, std::move(html)};
        DictionaryEntry entry{std::move(term), articles::write({part}, false, &starts), {}};
        entry.parts.push_back({source, static_cast<std::uint32_t>(starts[0])});
        return entry;
    };
    const SearchTestDatabase db({row(u"cache", 1, u"<p>Jargon on cache.</p>"),
                                 row(u"lisp", 0, u"<p>FOLDOC on lisp.</p>"),
                                 row(u"hacker", 1, u"<p>Jargon on hacker.</p>")},
                                {u"foldoc", u"jargon"}, true);
    writeFile(path, std::string(db.bytes.begin(), db.bytes.end()));
}

// The words of a list box of the program, as another program reads them.
Words wordsIn(HWND list) {
    Words words;
    DWORD_PTR count = 0;
    SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, kTimeoutMs, &count);
    for (WPARAM i = 0; i < count && count != static_cast<DWORD_PTR>(LB_ERR); ++i) {
        wchar_t word[1100] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_NORMAL, kTimeoutMs, &length);
        if (length < 1024)
            SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(word), SMTO_NORMAL,
                                kTimeoutMs, &length);
        words.push_back(word);
    }
    return words;
}

// The dialog `keys` open, once it shows.
HWND openDialog(GlossaryProcess& glossary, std::initializer_list<WORD> keys,
                const std::wstring& caption, HWND from = nullptr) {
    glossary.press(keys, from);
    HWND dialog = nullptr;
    eventually([&] { return (dialog = dialogOf(glossary, caption)) != nullptr; }, kTimeoutMs);
    return dialog;
}

// The box the program shows over its dialogs, with what it said; the box is then closed.
std::wstring answerGlossaryBox(GlossaryProcess& glossary) {
    HWND box = nullptr;
    if (!eventually([&] { return (box = dialogOf(glossary, L"Technical Glossary")) != nullptr; },
                    kTimeoutMs))
        return L"<no box>";
    const std::wstring said = win32::windowText(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    eventually([&] { return !IsWindow(box); }, kTimeoutMs);
    return said;
}

// A file named in the Export or Import dialog that `keys` open in `list`'s dialog.
bool chooseFile(GlossaryProcess& glossary, HWND dialog, std::initializer_list<WORD> keys,
                const std::wstring& caption, const std::string& path) {
    const HWND chooser = openDialog(glossary, keys, caption, dialog);
    if (chooser == nullptr)
        return false;
    SetDlgItemTextA(chooser, cmb13, path.c_str());
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    return eventually([&] { return !IsWindow(chooser); }, kTimeoutMs);
}

bool closeDialog(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return eventually([&] { return !IsWindow(dialog); }, kTimeoutMs);
}

bool exits(GlossaryProcess& glossary) {
    glossary.clickExit();
    DWORD exitCode = 0;
    return glossary.waitForExit(kTimeoutMs, exitCode);
}

bool shows(GlossaryProcess& glossary, const std::wstring& text) {
    return eventually([&] { return contains(glossary.pageText(), text); }, kTimeoutMs);
}

} // namespace

TEST_F(GlossaryWindowTest, TheWordsLookedUpAreKeptNewestFirstAndTheBoxShowsTheLastAtStart) {
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        glossary.type(L"compi");
        ASSERT_TRUE(shows(glossary, L"Translates code."));
        glossary.setSearch(L"");
        glossary.type(L"compr");
        ASSERT_TRUE(shows(glossary, L"Makes data smaller."));
        ASSERT_TRUE(exits(glossary));
    }
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    EXPECT_EQ(glossary.searchText(), L"compression") << "the term shown last";
    EXPECT_EQ(glossary.selected(), 2);

    const HWND dialog = openDialog(glossary, {VK_CONTROL, L'H'}, L"Words looked up");
    ASSERT_NE(dialog, nullptr);
    const HWND list = GetDlgItem(dialog, IDC_WORDS);
    EXPECT_EQ(wordsIn(list), (Words{L"compression", L"Compiler"}))
        << "newest first, each word once as the list writes it; the page shown at the first "
           "start is no word looked up";
    EXPECT_EQ(glossary.focus(), GetDlgItem(dialog, IDC_WORDS_SEARCH)) << "the keyboard searches";
    {
        const win32::ComApartment com;
        const auto object = accessibleOf(list);
        EXPECT_EQ(nameOf(object.get()), L"Words looked up, newest first");
        EXPECT_EQ(nameOf(object.get(), 2), L"Compiler");
    }
    driver::saveWindowImage(dialog, binaryDirectory() + "\\glossary-history-list.bmp");
    SetDlgItemTextW(dialog, IDC_WORDS_SEARCH, L"PIL");
    ASSERT_TRUE(eventually([&] { return wordsIn(list) == Words{L"Compiler"}; }, kTimeoutMs))
        << "the search, ignoring case";
    ASSERT_TRUE(pressUntil(glossary, {VK_RETURN}, [&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(shows(glossary, L"Translates code.")) << "Enter opens the word found";
    EXPECT_TRUE(eventually([&] { return glossary.searchText() == L"Compiler"; }, kTimeoutMs));

    // Back goes through the words of the run before too, and names each in the box.
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, selects(glossary, 2)));
    EXPECT_EQ(glossary.searchText(), L"compression");
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT}, selects(glossary, 1)));
    EXPECT_EQ(glossary.searchText(), L"Compiler");
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_RIGHT}, selects(glossary, 2)));
    EXPECT_EQ(glossary.searchText(), L"compression");
}

TEST_F(GlossaryWindowTest, ClearingTheWordsLookedUpForgetsThemForBackAndTheNextStart) {
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        glossary.type(L"compi");
        ASSERT_TRUE(shows(glossary, L"Translates code."));
        const HWND dialog = openDialog(glossary, {VK_CONTROL, L'H'}, L"Words looked up");
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(wordsIn(GetDlgItem(dialog, IDC_WORDS)), Words{L"Compiler"});
        glossary.press({VK_MENU, L'L'}, dialog);
        HWND ask = nullptr;
        ASSERT_TRUE(
            eventually([&] { return (ask = dialogOf(glossary, L"Technical Glossary")) != nullptr; },
                       kTimeoutMs))
            << "Clear all asks first";
        PostMessageW(ask, WM_COMMAND, IDYES, 0);
        ASSERT_TRUE(
            eventually([&] { return wordsIn(GetDlgItem(dialog, IDC_WORDS)).empty(); }, kTimeoutMs));
        EXPECT_TRUE(contains(win32::windowText(GetDlgItem(dialog, IDC_WORDS_NOTE)), L"No word"));
        ASSERT_TRUE(closeDialog(dialog));
        glossary.press({VK_MENU, VK_LEFT});
        EXPECT_EQ(glossary.selected(), 1) << "Back has nowhere to go";
        ASSERT_TRUE(exits(glossary));
    }
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const HWND dialog = openDialog(glossary, {VK_CONTROL, L'H'}, L"Words looked up");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(wordsIn(GetDlgItem(dialog, IDC_WORDS)).empty());
}

TEST_F(GlossaryWindowTest, OkInTheDictionariesDialogKeepsTheWordsLookedUp) {
    writeTwoDictionaries(folder_.file("two.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "two.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_EQ(glossary.itemCount(), 3);
    glossary.setSearch(L"lisp");
    ASSERT_TRUE(shows(glossary, L"FOLDOC on lisp."));
    glossary.setSearch(L"");
    glossary.setSearch(L"hacker");
    ASSERT_TRUE(shows(glossary, L"Jargon on hacker."));

    // FOLDOC off: Space on the first dictionary, Enter for OK.
    const HWND sources = openDialog(glossary, {VK_CONTROL, L'D'}, L"Dictionaries");
    ASSERT_NE(sources, nullptr);
    ASSERT_TRUE(pressUntil(glossary, {VK_SPACE}, [&] {
        return !glossary.listViewChecked(GetDlgItem(sources, IDC_SOURCES), 0);
    }));
    ASSERT_TRUE(pressUntil(glossary, {VK_RETURN}, [&] { return !IsWindow(sources); }));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 2; }, kTimeoutMs));
    EXPECT_TRUE(shows(glossary, L"Jargon on hacker."));

    // Back passes over lisp, which the dictionaries shown no longer hold.
    EXPECT_TRUE(pressUntil(glossary, {VK_MENU, VK_LEFT},
                           [&] { return glossary.searchText() == L"cache"; }));
    EXPECT_TRUE(shows(glossary, L"Jargon on cache."));
    const HWND dialog = openDialog(glossary, {VK_CONTROL, L'H'}, L"Words looked up");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(wordsIn(GetDlgItem(dialog, IDC_WORDS)), (Words{L"hacker", L"lisp"}));
}

TEST_F(GlossaryWindowTest, FavouritesKeptWithOneKeyAreOrderedExportedAndImportedElsewhere) {
    const std::string exported = folder_.file("favourites.txt");
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        const auto status = [&] { return win32::windowText(glossary.control(IDC_SEARCH_STATUS)); };
        glossary.type(L"compi");
        ASSERT_TRUE(shows(glossary, L"Translates code."));
        const std::wstring compilerAdded = L"Favourite added: \u201CCompiler\u201D. Ctrl+B again "
                                           L"removes it; Ctrl+Shift+B lists the favourites.";
        ASSERT_TRUE(
            pressUntil(glossary, {VK_CONTROL, L'B'}, [&] { return status() == compilerAdded; }));
        {
            const win32::ComApartment com;
            EXPECT_EQ(nameOf(accessibleOf(glossary.control(IDC_SEARCH_STATUS)).get()),
                      compilerAdded)
                << "a screen reader hears what the line says";
        }
        EXPECT_TRUE(shows(glossary, compilerAdded)) << "the page shows it whole";
        EXPECT_TRUE(contains(glossary.pageText(), L"Translates code.")) << "above the entry";
        glossary.saveScreenshot(binaryDirectory() + "\\glossary-favourite-added.bmp");
        glossary.setSearch(L"");
        glossary.type(L"cach");
        ASSERT_TRUE(shows(glossary, L"small store"));
        ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'B'}, [&] {
            return contains(status(), L"Favourite added: \u201CCache\u201D");
        }));
        glossary.setSearch(L"");
        glossary.type(L"compr");
        ASSERT_TRUE(shows(glossary, L"Makes data smaller."));
        glossary.press({VK_CONTROL, L'B'});
        glossary.press({VK_CONTROL, L'B'});
        ASSERT_TRUE(eventually(
            [&] {
                return status() == L"Favourite removed: \u201Ccompression\u201D. Ctrl+B again "
                                   L"adds it back; Ctrl+Shift+B lists the favourites.";
            },
            kTimeoutMs))
            << "the same key again takes it back";

        const HWND dialog = openDialog(glossary, {VK_CONTROL, VK_SHIFT, L'B'}, L"Favourites");
        ASSERT_NE(dialog, nullptr);
        const HWND list = GetDlgItem(dialog, IDC_WORDS);
        EXPECT_EQ(wordsIn(list), (Words{L"Compiler", L"Cache"})) << "in the order kept";
        EXPECT_EQ(glossary.focus(), list);
        {
            const win32::ComApartment com;
            EXPECT_EQ(nameOf(accessibleOf(list).get()), L"Favourites");
        }
        driver::saveWindowImage(dialog, binaryDirectory() + "\\glossary-favourites.bmp");
        glossary.press({VK_DOWN}, dialog);
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'U'}, [&] {
            return wordsIn(list) == Words{L"Cache", L"Compiler"};
        }));
        ASSERT_TRUE(chooseFile(glossary, dialog, {VK_MENU, L'E'}, L"Export favourites", exported));
        const std::wstring said = answerGlossaryBox(glossary);
        EXPECT_TRUE(contains(said, L"2 favourites exported")) << said;
        EXPECT_EQ(readFile(exported), "Cache\r\nCompiler\r\n");
        ASSERT_TRUE(closeDialog(dialog));
        ASSERT_TRUE(exits(glossary));
    }

    // Another user's profile: nothing kept, and the file with what an editor may add.
    deleteTree(HKEY_CURRENT_USER, kSettings);
    writeFile(exported, readFile(exported) + "\n  \nCompiler\ncompression\n");
    const std::string picture = folder_.file("picture.gif");
    writeFile(picture, std::string("GIF89a\x01\0\x01\0\x80\0\0", 13));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const HWND dialog = openDialog(glossary, {VK_CONTROL, VK_SHIFT, L'B'}, L"Favourites");
    ASSERT_NE(dialog, nullptr);
    const HWND list = GetDlgItem(dialog, IDC_WORDS);
    EXPECT_TRUE(wordsIn(list).empty());
    EXPECT_TRUE(contains(win32::windowText(GetDlgItem(dialog, IDC_WORDS_NOTE)), L"Ctrl+B"));

    ASSERT_TRUE(chooseFile(glossary, dialog, {VK_MENU, L'I'}, L"Import favourites", picture));
    std::wstring said = answerGlossaryBox(glossary);
    EXPECT_TRUE(contains(said, L"picture.gif")) << said;
    EXPECT_TRUE(contains(said, L"not text")) << said;
    EXPECT_TRUE(contains(said, L"Nothing was added")) << said;
    EXPECT_TRUE(wordsIn(list).empty());

    ASSERT_TRUE(chooseFile(glossary, dialog, {VK_MENU, L'I'}, L"Import favourites", exported));
    said = answerGlossaryBox(glossary);
    EXPECT_TRUE(contains(said, L"3 words added")) << said;
    EXPECT_TRUE(contains(said, L"3 lines were left out")) << said;
    ASSERT_TRUE(eventually(
        [&] {
            return wordsIn(list) == Words{L"Cache", L"Compiler", L"compression"};
        },
        kTimeoutMs));
    EXPECT_EQ(glossary.focus(), list) << "on the first word added";
    ASSERT_TRUE(pressUntil(glossary, {VK_END},
                           [&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == 2; }));
    ASSERT_TRUE(pressUntil(glossary, {VK_RETURN}, [&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(shows(glossary, L"Makes data smaller."))
        << "Enter opens the favourite: " << glossary.pageText();
}
