// glossary.exe under Xvfb: groups of dictionaries made in the dictionaries dialog, shown by
// Ctrl+1 ... Ctrl+9 or the list below the terms; the list, the pages and the searches follow
// the group shown, and the next start remembers it.
#include "AccessibleObjects.h"
#include "DictionariesDialog.h"
#include "GlossaryWindowFixture.h"
#include "ScreenLooks.h"
#include "dictbuild/SearchTables.h"
#include "driver/ScreenCapture.h"
#include "jetwriter/JetWriter.h"
#include "search/SearchTestDatabase.h"
#include "win32/Com.h"
#include "win32/RegistryLines.h"

#include "Articles.h"

#include <commctrl.h>

#include <memory>

using namespace glossarytest;

namespace {

// An entry with the definitions of the dictionaries numbered (0 FOLDOC, 1 the Jargon File,
// 2 V.E.R.A.), as the dictd import writes one.
DictionaryEntry entry(std::u16string term, const std::vector<std::uint32_t>& sources) {
    static const char16_t* const names[] = {u"foldoc", u"jargon", u"vera"};
    std::vector<articles::Part> parts;
    for (const std::uint32_t source : sources)
        parts.push_back({names[source], false,
                         u"<p>" + std::u16string(names[source]) + u" on " + term + u".</p>"});
    std::vector<std::size_t> starts;
    DictionaryEntry made{std::move(term), articles::write(parts, false, &starts), {}};
    for (std::size_t i = 0; i < starts.size(); ++i)
        made.parts.push_back({sources[i], static_cast<std::uint32_t>(starts[i])});
    return made;
}

void writeThreeDictionaries(const std::string& path) {
    const SearchTestDatabase db({entry(u"cache", {0, 1}), entry(u"lisp", {0}),
                                 entry(u"hacker", {1}), entry(u"kernel", {0, 1, 2}),
                                 entry(u"foo", {1}), entry(u"ram", {2})},
                                {u"foldoc", u"jargon", u"vera"}, true);
    writeFile(path, std::string(db.bytes.begin(), db.bytes.end()));
}

// The three dictionaries at `database`, remembered all off: the dialog never leaves them so, an
// earlier version or an edited value may.
void writeThreeDictionariesAllOff(const std::string& database) {
    writeThreeDictionaries(database);
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(std::wstring(database.begin(), database.end()).c_str(), MAX_PATH, full,
                     nullptr);
    win32::writeLines(HKEY_CURRENT_USER, L"Software\\Technical Glossary\\Dictionaries", full,
                      {u"-foldoc", u"-jargon", u"-vera"});
}

void rememberGroups(const std::vector<std::u16string>& lines) {
    win32::writeLines(HKEY_CURRENT_USER, L"Software\\Technical Glossary\\Groups", L"Groups", lines);
}

std::vector<std::wstring> terms(const GlossaryProcess& glossary) {
    std::vector<std::wstring> listed;
    for (int i = 0; i < glossary.itemCount(); ++i)
        listed.push_back(glossary.listText(i));
    return listed;
}

// Sent, not read from the window's caption: a list's text is its selected item's.
std::wstring textOf(HWND control) {
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                        kTimeoutMs, &copied);
    return text;
}

// The page of `term`, chosen by typing it.
std::wstring pageOf(GlossaryProcess& glossary, const std::wstring& term) {
    glossary.setSearch(term);
    std::wstring page;
    eventually([&] { return contains(page = glossary.pageText(), term + L":"); }, kTimeoutMs);
    return page;
}

auto showsGroup(GlossaryProcess& glossary, const std::wstring& name, int count) {
    return [&glossary, name, count] {
        return textOf(glossary.control(IDC_GROUP)) == name && glossary.itemCount() == count;
    };
}

// FOLDOC of `foldoc` terms ("alpha 0", ...), the Jargon File of `jargon` ("beta 0", ...), and
// "shared" in both: large enough that reading it takes the window far longer than an answer.
void writeLargeTwoDictionaries(const std::string& path, int foldoc, int jargon) {
    // Written row by row as dictbuild does: the entries are never all held at once.
    jet::JetWriter writer;
    const std::size_t dict = writer.addTable(
        u"Dict",
        {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}, {u"definition", jet::kMemo}});
    SearchTables tables(false, {});
    std::vector<jet::Value> values(3);
    values[1].kind = values[2].kind = jet::Value::Kind::Text;
    for (int row = 0; row <= foldoc + jargon; ++row) {
        const bool inFoldoc = row <= foldoc;
        const std::string number = std::to_string(inFoldoc ? row - 1 : row - 1 - foldoc);
        const DictionaryEntry made = row == 0
                                         ? entry(u"shared", {0, 1})
                                         : entry((inFoldoc ? u"alpha " : u"beta ") +
                                                     std::u16string(number.begin(), number.end()),
                                                 {inFoldoc ? 0u : 1u});
        tables.add(static_cast<std::uint32_t>(row), made);
        values[1].text = made.term;
        values[2].text = *made.definition;
        writer.addRow(dict, values);
    }
    tables.write(writer, {u"foldoc", u"jargon"});
    const std::vector<std::uint8_t> bytes = writer.finish();
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// What a reader arrowing in the list of groups does to the window: the list's choice
// `choice`, and its notice. False when the window did not answer the notice within `ms`.
bool chooseGroupInList(GlossaryProcess& glossary, int choice, DWORD ms) {
    const HWND combo = glossary.control(IDC_GROUP);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(combo, CB_SETCURSEL, static_cast<WPARAM>(choice), 0, SMTO_BLOCK,
                               kTimeoutMs, &result) != 0 &&
           SendMessageTimeoutW(glossary.window(), WM_COMMAND, MAKEWPARAM(IDC_GROUP, CBN_SELCHANGE),
                               reinterpret_cast<LPARAM>(combo), SMTO_BLOCK, ms, &result) != 0;
}

// Far below the time the large database takes to read.
constexpr DWORD kAnswerMs = 400;
constexpr int kFoldocTerms = 1200000, kJargonTerms = 300000;

bool answers(const GlossaryProcess& glossary) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(glossary.window(), WM_NULL, 0, 0, SMTO_BLOCK, kAnswerMs, &result) !=
           0;
}

bool isFoldocTerm(const std::wstring& term) {
    return term == L"shared" || term.rfind(L"alpha ", 0) == 0;
}

} // namespace

TEST_F(GlossaryWindowTest, AGroupMadeInTheDialogIsShownByCtrl2AndTheListPagesAndSearchesFollowIt) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    {
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        ASSERT_EQ(glossary.itemCount(), 6);
        const HWND combo = glossary.control(IDC_GROUP);
        ASSERT_NE(combo, nullptr) << "the window has a list of groups";
        EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
        EXPECT_EQ(textOf(combo), L"All dictionaries");

        // A group "Hackers" of the Jargon File and V.E.R.A., typed and made by Alt+N.
        const HWND dialog = openDialog(glossary);
        ASSERT_NE(dialog, nullptr);
        const HWND groupsBox = GetDlgItem(dialog, IDC_GROUPS);
        ASSERT_NE(groupsBox, nullptr) << "the dialog has a section for groups";
        EXPECT_TRUE(contains(textOf(GetDlgItem(dialog, IDC_GROUP_NOTE)), L"No groups yet"));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_GROUP_DELETE)));
        driver::saveWindowImage(dialog, binaryDirectory() + "\\glossary-groups-dialog-none.bmp");
        SetWindowTextW(GetDlgItem(dialog, IDC_GROUP_NAME), L"Hackers");
        ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'N'},
                               [&] { return SendMessageW(groupsBox, CB_GETCOUNT, 0, 0) == 1; }));
        EXPECT_EQ(textOf(groupsBox), L"Hackers");
        const HWND members = GetDlgItem(dialog, IDC_GROUP_MEMBERS);
        ASSERT_TRUE(eventually([&] { return glossary.focus() == members; }, kTimeoutMs))
            << "the keyboard goes on to the new group's dictionaries";
        ASSERT_EQ(SendMessageW(members, LVM_GETITEMCOUNT, 0, 0), 3);
        EXPECT_EQ(glossary.listViewText(members, 1, 0), L"jargon");
        EXPECT_FALSE(glossary.listViewChecked(members, 1)) << "a new group is empty";
        ASSERT_TRUE(pressUntil(glossary, {VK_DOWN}, [&] {
            return ListView_GetNextItem(members, -1, LVNI_FOCUSED) == 1;
        }));
        ASSERT_TRUE(
            pressUntil(glossary, {VK_SPACE}, [&] { return glossary.listViewChecked(members, 1); }));
        ASSERT_TRUE(pressUntil(glossary, {VK_DOWN}, [&] {
            return ListView_GetNextItem(members, -1, LVNI_FOCUSED) == 2;
        }));
        ASSERT_TRUE(
            pressUntil(glossary, {VK_SPACE}, [&] { return glossary.listViewChecked(members, 2); }));
        EXPECT_FALSE(glossary.listViewChecked(members, 0));
        ASSERT_TRUE(closes(glossary, {VK_RETURN}));
        EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(glossary.itemCount(), 6) << "making a group does not show it";

        // Ctrl+2: the list's second choice, the first group.
        ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'2'}, showsGroup(glossary, L"Hackers", 5)));
        EXPECT_EQ(terms(glossary),
                  (std::vector<std::wstring>{L"cache", L"hacker", L"kernel", L"foo", L"ram"}))
            << "lisp, FOLDOC's alone, is left out";
        const win32::ComApartment com;
        EXPECT_EQ(nameOf(accessibleOf(glossary.control(IDC_SEARCH_STATUS)).get()),
                  L"Showing the group Hackers: only its dictionaries are listed, shown and "
                  L"searched.");
        const std::wstring kernel = pageOf(glossary, L"kernel");
        EXPECT_TRUE(contains(kernel, L"jargon on kernel."));
        EXPECT_TRUE(contains(kernel, L"vera on kernel."));
        EXPECT_FALSE(contains(kernel, L"foldoc")) << kernel;
        // A search finds nothing of a dictionary outside the group.
        glossary.setSearch(L"lisp");
        ASSERT_TRUE(eventually([&] { return glossary.searchText() == L"lisp"; }, kTimeoutMs));
        EXPECT_FALSE(contains(glossary.pageText(), L"foldoc on lisp")) << glossary.pageText();
        glossary.setSearch(L"*a*");
        EXPECT_TRUE(eventually(
            [&] {
                return terms(glossary) == std::vector<std::wstring>{L"cache", L"hacker", L"ram"};
            },
            kTimeoutMs))
            << "wildcards find only the group's terms";
        glossary.setSearch(L"");

        // Ctrl+1: all dictionaries again; Ctrl+3 is no group and changes nothing.
        ASSERT_TRUE(
            pressUntil(glossary, {VK_CONTROL, L'1'}, showsGroup(glossary, L"All dictionaries", 6)));
        ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'2'}, showsGroup(glossary, L"Hackers", 5)));
        glossary.press({VK_CONTROL, L'3'});
        ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'2'}, showsGroup(glossary, L"Hackers", 5)));
        glossary.clickExit();
        DWORD code = 0;
        ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, code));
    }
    // The next start shows the same group.
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    EXPECT_TRUE(eventually(showsGroup(glossary, L"Hackers", 5), kTimeoutMs));
    EXPECT_EQ(SendMessageW(glossary.control(IDC_GROUP), CB_GETCOUNT, 0, 0), 2);
}

TEST_F(GlossaryWindowTest, TabReachesTheNamedListOfGroupsAfterTheTermsAndArrowsThere) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=Plain", u"+foldoc", u"=Verbose", u"+vera", u"+jargon"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(tabToList(glossary));
    ASSERT_TRUE(pressUntil(glossary, {VK_TAB}, focusOn(glossary, IDC_GROUP)));
    const HWND combo = glossary.control(IDC_GROUP);
    const win32::ComApartment com;
    EXPECT_EQ(nameOf(accessibleOf(combo).get()), L"Group of dictionaries shown");
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    ASSERT_TRUE(pressUntil(glossary, {VK_DOWN}, showsGroup(glossary, L"Plain", 3)));
    EXPECT_EQ(terms(glossary), (std::vector<std::wstring>{L"cache", L"lisp", L"kernel"}));
    ASSERT_TRUE(pressUntil(glossary, {VK_DOWN}, showsGroup(glossary, L"Verbose", 5)));
    EXPECT_EQ(glossary.focus(), combo) << "the keyboard stays in the list";
    // Alt+G, its label's key, comes back to it from elsewhere.
    ASSERT_TRUE(pressUntil(glossary, {VK_F6}, focusOn(glossary, IDC_SEARCH)));
    ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'G'}, focusOn(glossary, IDC_GROUP)));
}

TEST_F(GlossaryWindowTest, AGroupNamingADictionaryThatIsGoneSkipsIt) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=Old", u"+vera", u"+webster", u"@gone.example.org\tdevil", u"*Old"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually(showsGroup(glossary, L"Old", 2), kTimeoutMs));
    EXPECT_EQ(terms(glossary), (std::vector<std::wstring>{L"kernel", L"ram"}));
    const std::wstring page = pageOf(glossary, L"ram");
    EXPECT_TRUE(contains(page, L"vera on ram.")) << page;
}

TEST_F(GlossaryWindowTest, AGroupWithNoneOfTheDatabasesDictionariesSaysSoAndWhatToDo) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=Old", u"+webster", u"@gone.example.org\tdevil", u"*Old"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually(showsGroup(glossary, L"Old", 0), kTimeoutMs));
    glossary.type(L"cache");
    std::wstring page;
    EXPECT_TRUE(eventually(
        [&] {
            return contains(page = glossary.pageText(),
                            L"The group \u201COld\u201D has no dictionary in the open databases");
        },
        kTimeoutMs))
        << page;
    EXPECT_TRUE(contains(page, L"Ctrl+1")) << "another group, from the keyboard";
    EXPECT_TRUE(contains(page, L"Dictionaries dialog (Ctrl+D)")) << "or dictionaries put in it";
    EXPECT_FALSE(contains(page, L"No term begins with")) << "the word is not what is wrong";
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-group-without-dictionaries.bmp");
}

// The dialog keeps one dictionary on; a choice remembered with all off (kept from an earlier
// version, or edited) must still say what is wrong.
TEST_F(GlossaryWindowTest, EveryDictionaryRememberedOffSaysSoWhateverIsTyped) {
    writeThreeDictionariesAllOff(folder_.file("three.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == 0; }, kTimeoutMs));
    glossary.type(L"cache");
    std::wstring page;
    EXPECT_TRUE(eventually(
        [&] {
            return contains(page = glossary.pageText(),
                            L"Every dictionary is turned off, so no term is listed. Turn one on "
                            L"in the Dictionaries dialog (Ctrl+D).");
        },
        kTimeoutMs))
        << page;
}

TEST_F(GlossaryWindowTest, TheDialogRefusesAGroupNameTakenAndRenamesAndDeletesGroups) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=Plain", u"+foldoc", u"=Verbose", u"+vera", u"*Verbose"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually(showsGroup(glossary, L"Verbose", 2), kTimeoutMs));
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const HWND groupsBox = GetDlgItem(dialog, IDC_GROUPS);
    EXPECT_EQ(textOf(groupsBox), L"Verbose") << "the group shown is the one to change";
    EXPECT_TRUE(glossary.listViewChecked(GetDlgItem(dialog, IDC_GROUP_MEMBERS), 2));
    SetWindowTextW(GetDlgItem(dialog, IDC_GROUP_NAME), L"plain");
    ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'N'}, [&] {
        return contains(textOf(GetDlgItem(dialog, IDC_GROUP_NOTE)), L"There is a group named");
    }));
    EXPECT_EQ(SendMessageW(groupsBox, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(glossary.focus(), GetDlgItem(dialog, IDC_GROUP_NAME)) << "to type another";
    SetWindowTextW(GetDlgItem(dialog, IDC_GROUP_NAME), L"Wordy");
    ASSERT_TRUE(
        pressUntil(glossary, {VK_MENU, L'O'}, [&] { return textOf(groupsBox) == L"Wordy"; }));
    ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'L'},
                           [&] { return SendMessageW(groupsBox, CB_GETCOUNT, 0, 0) == 1; }));
    EXPECT_EQ(textOf(groupsBox), L"Plain");
    ASSERT_TRUE(closes(glossary, {VK_RETURN}));
    EXPECT_TRUE(eventually(showsGroup(glossary, L"All dictionaries", 6), kTimeoutMs))
        << "the group shown was deleted: all dictionaries";
    EXPECT_EQ(SendMessageW(glossary.control(IDC_GROUP), CB_GETCOUNT, 0, 0), 2);
}

// The dialog with groups and the window with its list of groups at 96 and 192 dpi and in high
// contrast, saved beside the tests for a person to look at; the dialog's controls fit.
TEST_F(GlossaryWindowTest, TheGroupsFitAtEachDensityAndInHighContrast) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=English", u"+jargon", u"=Computing", u"+foldoc", u"+jargon", u"*Computing"});
    DialogInLook steps;
    steps.start = [&] {
        return std::make_unique<GlossaryProcess>(program(), folder_.path(), kTimeoutMs,
                                                 "three.mdb");
    };
    steps.ready = [](GlossaryProcess& glossary, const ScreenLook& look) {
        ASSERT_TRUE(eventually(showsGroup(glossary, L"Computing", 5), kTimeoutMs));
        glossary.saveScreenshot(binaryDirectory() + "\\glossary-groups-window-" + look.name +
                                ".bmp");
        RECT client = {};
        GetClientRect(glossary.window(), &client);
        EXPECT_TRUE(laidOutWithin(glossary.window(), client));
    };
    steps.check = [](GlossaryProcess&, HWND dialog, const ScreenLook&) {
        EXPECT_TRUE(insideWorkArea(dialog));
        const HWND members = GetDlgItem(dialog, IDC_GROUP_MEMBERS);
        EXPECT_GE(SendMessageW(members, LVM_GETCOUNTPERPAGE, 0, 0), 5)
            << "the group's dictionaries: five rows at least, whole";
    };
    seeTheDialogInEachLook(pictureLooks(), "glossary-groups-dialog", steps);
}

namespace {

// The control's frame inside the dialog's client area and the screen's work area.
bool wholeOnTheScreen(HWND dialog, int id) {
    RECT control = {}, client = {}, inside = {};
    GetWindowRect(GetDlgItem(dialog, id), &control);
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return IntersectRect(&inside, &control, &client) && EqualRect(&inside, &control) &&
           insideWorkArea(dialog);
}

} // namespace

// 252 dpi on this 1280x1024 screen squeezes the dialog as 192 dpi does a 1024x768 one (Wine
// keeps the work area of the display): the empty note gives up its room and the lists their
// rows, so that OK and Cancel stay on the screen.
TEST_F(GlossaryWindowTest, TheDialogWithGroupsFitsTheWorkAreaOfAScreenTooSmallForItsDensity) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=English", u"+jargon", u"=Computing", u"+foldoc", u"+jargon", u"*Computing"});
    deleteValue(HKEY_CURRENT_USER, kSettings, "Window placement");
    const ScreenDensity density(252);
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    saveImage(dialog, "glossary-groups-dialog-252dpi.bmp");
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    EXPECT_TRUE(insideWorkArea(dialog))
        << "frame " << frame.right - frame.left << "x" << frame.bottom - frame.top;
    EXPECT_TRUE(wholeOnTheScreen(dialog, IDOK));
    EXPECT_TRUE(wholeOnTheScreen(dialog, IDCANCEL));
    EXPECT_GE(SendDlgItemMessageW(dialog, IDC_GROUP_MEMBERS, LVM_GETCOUNTPERPAGE, 0, 0), 2);

    // A note with text (Add server with the box empty) takes its room back above the group.
    const HWND note = GetDlgItem(dialog, IDC_SOURCES_NOTE);
    ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'A'},
                           [&] { return IsWindowVisible(note) && !textOf(note).empty(); }));
    RECT said = {}, group = {};
    GetWindowRect(note, &said);
    GetWindowRect(GetDlgItem(dialog, IDC_GROUPS_LABEL), &group);
    EXPECT_GT(said.bottom - said.top, 0);
    EXPECT_LE(said.bottom, group.top) << "the note above the group, not over it";
    ASSERT_TRUE(closes(glossary, {VK_ESCAPE}));
}

// A screen reader reads each list and the group box by its label, not by nothing or the
// group's name.
TEST_F(GlossaryWindowTest, TheDialogsListsAndGroupBoxAreNamedByTheirLabels) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=English", u"+jargon"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const win32::ComApartment com;
    EXPECT_EQ(nameOf(accessibleOf(GetDlgItem(dialog, IDC_SOURCES)).get()),
              L"Show these dictionaries, in this order (Space turns one on or off)");
    EXPECT_EQ(nameOf(accessibleOf(GetDlgItem(dialog, IDC_GROUPS)).get()), L"Group");
    EXPECT_EQ(nameOf(accessibleOf(GetDlgItem(dialog, IDC_GROUP_MEMBERS)).get()),
              L"Dictionaries in the group (Space puts one in or takes it out)");
    ASSERT_TRUE(closes(glossary, {VK_ESCAPE}));
}

TEST_F(GlossaryWindowTest, AGroupChosenInALargeDatabaseIsReadWhileTheWindowAnswersOnTheTermShown) {
    writeLargeTwoDictionaries(folder_.file("large.mdb"), kFoldocTerms, kJargonTerms);
    rememberGroups({u"=Foldoc", u"+foldoc", u"=Jargon", u"+jargon"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "large.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == kFoldocTerms + kJargonTerms + 1; },
                           kTimeoutMs));
    pageOf(glossary, L"shared");

    ASSERT_TRUE(chooseGroupInList(glossary, 1, kAnswerMs)) << "the switch returns at once";
    EXPECT_TRUE(answers(glossary)) << "the window answers while the group's terms are read";
    EXPECT_TRUE(contains(textOf(glossary.control(IDC_SEARCH_STATUS)), L"Group: Foldoc"));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == kFoldocTerms + 1; }, kTimeoutMs));
    EXPECT_EQ(glossary.listText(glossary.selected()), L"shared") << "on the term shown";
    EXPECT_EQ(glossary.searchText(), L"shared");
    EXPECT_TRUE(isFoldocTerm(glossary.listText(0)));
    EXPECT_TRUE(isFoldocTerm(glossary.listText(kFoldocTerms)));
    EXPECT_TRUE(
        eventually([&] { return textOf(glossary.control(IDC_SEARCH_STATUS)) == L"Group: Foldoc"; },
                   kTimeoutMs))
        << "the note that the terms are being read goes once they are in";
}

TEST_F(GlossaryWindowTest, ThreeGroupsChosenInARowEndOnTheLastGroupsTermsAlone) {
    writeLargeTwoDictionaries(folder_.file("large.mdb"), kFoldocTerms, kJargonTerms);
    rememberGroups({u"=Foldoc", u"+foldoc", u"=Jargon", u"+jargon"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "large.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == kFoldocTerms + kJargonTerms + 1; },
                           kTimeoutMs));

    // Arrowed through: the Jargon File, all dictionaries, FOLDOC.
    for (const int choice : {2, 0, 1})
        ASSERT_TRUE(chooseGroupInList(glossary, choice, kAnswerMs)) << "choice " << choice;
    bool jargonShown = false;
    ASSERT_TRUE(eventually(
        [&] {
            const int count = glossary.itemCount();
            jargonShown = jargonShown || count == kJargonTerms + 1;
            return count == kFoldocTerms + 1 &&
                   textOf(glossary.control(IDC_SEARCH_STATUS)) == L"Group: Foldoc";
        },
        kTimeoutMs));
    EXPECT_FALSE(jargonShown) << "a group chosen in between is never listed";
    EXPECT_EQ(textOf(glossary.control(IDC_GROUP)), L"Foldoc");
    EXPECT_TRUE(isFoldocTerm(glossary.listText(0)));
    EXPECT_TRUE(isFoldocTerm(glossary.listText(kFoldocTerms)));
    EXPECT_TRUE(answers(glossary));
}

TEST_F(GlossaryWindowTest, AWordTypedWhileAGroupsTermsAreReadIsSearchedInThemOnceTheyAreIn) {
    writeLargeTwoDictionaries(folder_.file("large.mdb"), kFoldocTerms, kJargonTerms);
    rememberGroups({u"=Foldoc", u"+foldoc", u"=Jargon", u"+jargon"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "large.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually([&] { return glossary.itemCount() == kFoldocTerms + kJargonTerms + 1; },
                           kTimeoutMs));

    ASSERT_TRUE(chooseGroupInList(glossary, 2, kAnswerMs));
    glossary.setSearch(L"beta 250000");
    EXPECT_TRUE(answers(glossary));
    ASSERT_TRUE(eventually(
        [&] {
            return glossary.itemCount() == kJargonTerms + 1 &&
                   glossary.listText(glossary.selected()) == L"beta 250000";
        },
        kTimeoutMs));
    EXPECT_EQ(glossary.searchText(), L"beta 250000");
    const std::wstring page = pageOf(glossary, L"beta 250000");
    EXPECT_TRUE(contains(page, L"jargon on beta 250000.")) << page;
}

TEST_F(GlossaryWindowTest, AnEmptyGroupSaysWhyAtTheStartAndWhenChosenBeforeAnythingIsTyped) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=Old", u"+webster", u"*Old"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const std::wstring why = L"The group \u201COld\u201D has no dictionary in the open databases";
    const win32::ComApartment com;
    const auto statusSaysWhy = [&] {
        return contains(nameOf(accessibleOf(glossary.control(IDC_SEARCH_STATUS)).get()), why);
    };
    std::wstring page;
    EXPECT_TRUE(eventually([&] { return contains(page = glossary.pageText(), why); }, kTimeoutMs))
        << page;
    EXPECT_TRUE(eventually(statusSaysWhy, kTimeoutMs)) << "said as well as shown";
    EXPECT_EQ(glossary.searchText(), L"");

    ASSERT_TRUE(
        pressUntil(glossary, {VK_CONTROL, L'1'}, showsGroup(glossary, L"All dictionaries", 6)));
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'2'}, showsGroup(glossary, L"Old", 0)));
    EXPECT_TRUE(eventually([&] { return contains(page = glossary.pageText(), why); }, kTimeoutMs))
        << page;
    EXPECT_TRUE(eventually(statusSaysWhy, kTimeoutMs));
}

TEST_F(GlossaryWindowTest, EveryDictionaryRememberedOffSaysSoAtTheStart) {
    writeThreeDictionariesAllOff(folder_.file("three.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    std::wstring page;
    EXPECT_TRUE(eventually(
        [&] { return contains(page = glossary.pageText(), L"Every dictionary is turned off"); },
        kTimeoutMs))
        << page;
}

TEST_F(GlossaryWindowTest, AWordTypedStaysInTheSearchBoxAndIsSearchedInTheGroupChosen) {
    writeThreeDictionaries(folder_.file("three.mdb"));
    rememberGroups({u"=Old", u"+webster", u"=Plain", u"+foldoc", u"*Old"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "three.mdb");
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    ASSERT_TRUE(eventually(showsGroup(glossary, L"Old", 0), kTimeoutMs));
    glossary.type(L"kern");

    // From the empty group to all: the term the word begins, not the first term.
    ASSERT_TRUE(
        pressUntil(glossary, {VK_CONTROL, L'1'}, showsGroup(glossary, L"All dictionaries", 6)));
    EXPECT_EQ(glossary.searchText(), L"kern");
    EXPECT_TRUE(eventually([&] { return glossary.listText(glossary.selected()) == L"kernel"; },
                           kTimeoutMs));
    std::wstring page;
    EXPECT_TRUE(
        eventually([&] { return contains(page = glossary.pageText(), L"kernel:"); }, kTimeoutMs))
        << page;

    // To a group without the word's term: the no-match page with its nearest terms.
    glossary.setSearch(L"hack");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"hacker:"); }, kTimeoutMs));
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'3'}, showsGroup(glossary, L"Plain", 3)));
    EXPECT_EQ(glossary.searchText(), L"hack");
    EXPECT_TRUE(eventually(
        [&] { return contains(page = glossary.pageText(), L"No term begins with hack."); },
        kTimeoutMs))
        << page;
    EXPECT_EQ(glossary.searchText(), L"hack");
}
