// glossary.exe under Xvfb with DICT servers: Debian's dictd on a free port (DICT_SERVER, from
// tests/dict/with_dictd.py) serving devil and elements, and a server of the test's own that
// greets and then says nothing. The dialog adds a server and lists its databases; a page shows
// the local part at once and the server's part when it comes; a silent server never holds up
// typing and ends with a note.
#include "GlossaryWindowFixture.h"
#include "dict/FakeDictServer.h"
#include "driver/ScreenCapture.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

using namespace glossarytest;

namespace {

const char kServersKey[] = "Software\\Technical Glossary\\DICT servers";

// "abasement" is also a word of devil, served by dictd; "Compiler" is the database's alone.
void writeLocalDictionary(const std::string& path) {
    using namespace fixtures;
    const Rows rows = {
        {integer(1), text(u"abasement"), text(u"The local entry on abasement.")},
        {integer(2), text(u"Compiler"), text(u"Translates code.")},
        {integer(3), text(u"zebra"), text(u"A striped animal.")},
    };
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string dictdAddress() {
    const char* server = std::getenv("DICT_SERVER");
    return server != nullptr ? server : "";
}

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// The servers as the glossary remembers them: each named, its databases all on.
void rememberServers(const std::vector<std::string>& addresses) {
    std::u16string lines;
    for (const std::string& address : addresses)
        lines += u"@" + std::u16string(address.begin(), address.end()) + u'\0';
    lines += u'\0';
    // In UTF-16 as written: the ANSI call would convert the text again.
    win32::Key key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kServersKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.receive(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), L"Servers", 0, REG_MULTI_SZ,
                             reinterpret_cast<const BYTE*>(lines.data()),
                             static_cast<DWORD>(lines.size() * sizeof(char16_t))),
              ERROR_SUCCESS);
}

HWND openDialog(GlossaryProcess& glossary) {
    glossary.press({VK_CONTROL, L'D'});
    HWND dialog = nullptr;
    eventually([&] { return (dialog = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs);
    return dialog;
}

void saveImage(HWND window, const std::string& name) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    driver::saveWindowImage(window, binaryDirectory() + "\\" + name);
}

std::vector<std::wstring> rows(const GlossaryProcess& glossary, HWND list, int column) {
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        texts.push_back(glossary.listViewText(list, i, column));
    return texts;
}

bool startsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

// Every control of `dialog` whole inside it, and none on another.
bool fitsInside(HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    std::vector<RECT> placed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT at = clientRect(dialog, child);
        RECT inside = {};
        if (!IntersectRect(&inside, &at, &client) || !EqualRect(&inside, &at))
            return false;
        for (const RECT& other : placed) {
            if (IntersectRect(&inside, &at, &other))
                return false;
        }
        placed.push_back(at);
    }
    return placed.size() >= 10;
}

class GlossaryServersTest : public GlossaryWindowTest {
protected:
    void SetUp() override {
        GlossaryWindowTest::SetUp();
        writeLocalDictionary(folder_.file("Dict.mdb"));
        if (dictdAddress().empty())
            GTEST_SKIP()
                << "DICT_SERVER names no server: run this through tests/dict/with_dictd.py";
    }
};

} // namespace

TEST_F(GlossaryServersTest, TheDialogAddsAServerRefusingABadAddressAndListsItsDatabases) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES), box = GetDlgItem(dialog, IDC_SERVER_TEXT);
    const HWND note = GetDlgItem(dialog, IDC_SOURCES_NOTE);
    const LRESULT before = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);

    // A port that is no port: refused with its reason, nothing added, the address kept to mend.
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"dict.example.org:99999"));
    ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'A'}, [&] {
        return windowText(note).find("names no DICT server") != std::string::npos;
    })) << windowText(note);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), before);
    EXPECT_EQ(glossary.focus(), box) << "the address to mend";

    // dictd's address, Enter in the box: its two databases come as rows with check boxes.
    const std::wstring address = wide(dictdAddress());
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address.c_str()));
    glossary.press({VK_RETURN});
    ASSERT_TRUE(eventually(
        [&] {
            const auto names = rows(glossary, list, 0);
            return names.size() == static_cast<std::size_t>(before) + 2 &&
                   startsWith(names[static_cast<std::size_t>(before)], L"devil") &&
                   startsWith(names[static_cast<std::size_t>(before) + 1], L"elements");
        },
        kTimeoutMs))
        << windowText(note);
    EXPECT_EQ(glossary.listViewText(list, static_cast<int>(before), 2), address);
    EXPECT_TRUE(glossary.listViewChecked(list, static_cast<int>(before)));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Enter in the box added; it did not close the dialog";
    saveImage(dialog, "glossary-servers-dialog.bmp");

    // The same server again is refused; OK keeps it for the next start.
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address.c_str()));
    ASSERT_TRUE(pressUntil(glossary, {VK_MENU, L'A'}, [&] {
        return windowText(note).find("in the list already") != std::string::npos;
    }));
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(eventually([&] { return messageBoxOf(glossary) == nullptr; }, kTimeoutMs));
    glossary.clickExit();
    DWORD code = 0;
    ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, code));

    GlossaryProcess again(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(again));
    dialog = openDialog(again);
    ASSERT_NE(dialog, nullptr);
    const HWND remembered = GetDlgItem(dialog, IDC_SOURCES);
    EXPECT_TRUE(eventually(
        [&] {
            const auto from = rows(again, remembered, 2);
            return std::count(from.begin(), from.end(), address) == 2;
        },
        kTimeoutMs));
    // Remove server: the server of the selected row goes with its databases.
    ASSERT_EQ(again.focus(), remembered) << "on its first row, devil";
    ASSERT_TRUE(pressUntil(again, {VK_MENU, L'R'}, [&] {
        return SendMessageW(remembered, LVM_GETITEMCOUNT, 0, 0) == before;
    }));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(eventually([&] { return messageBoxOf(again) == nullptr; }, kTimeoutMs));
}

TEST_F(GlossaryServersTest, ThePageShowsTheServersDefinitionsAfterTheLocalPartAndItsNearMatches) {
    rememberServers({dictdAddress()});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    glossary.setSearch(L"abasement");
    std::wstring page;
    ASSERT_TRUE(eventually(
        [&] { return contains(page = glossary.pageText(), L"decent and customary mental"); },
        kTimeoutMs))
        << page;
    EXPECT_LT(page.find(L"The local entry on abasement."), page.find(L"decent and customary"))
        << "the local part first: " << page;
    EXPECT_TRUE(contains(page, L"devil (" + wide(dictdAddress()) + L")"))
        << "under its dictionary's heading: " << page;
    EXPECT_FALSE(contains(page, L"Waiting for")) << page;
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-servers-page.bmp");

    // A word no term begins with: the server's near matches join the suggestions.
    glossary.setSearch(L"abasemant");
    ASSERT_TRUE(eventually(
        [&] {
            page = glossary.pageText();
            const std::wstring first = page.substr(0, page.find(L'\r'));
            return contains(first, L"No term begins with") && contains(first, L"abasement");
        },
        kTimeoutMs))
        << page;

    // A word only the server has, whose braces link to another word of it.
    glossary.setSearch(L"brute");
    ASSERT_TRUE(
        eventually([&] { return contains(page = glossary.pageText(), L"BRUTE, n."); }, kTimeoutMs))
        << page;
    EXPECT_FALSE(contains(page, L"{HUSBAND}")) << "braces are a link: " << page;
    ASSERT_TRUE(glossary.clickPageText(L"HUSBAND"));
    ASSERT_TRUE(eventually([&] { return contains(page = glossary.pageText(), L"having dined"); },
                           kTimeoutMs))
        << page;
    EXPECT_EQ(glossary.searchText(), L"HUSBAND");
}

TEST_F(GlossaryServersTest, ASilentServerShowsItsWaitingNoteThenTheTimeOutWhileTypingGoesOn) {
    FakeDictServer silent([](FakeDictServer& self, SOCKET connection) {
        if (self.greet(connection))
            self.holdUntilStopped();
    });
    rememberServers({silent.address()});
    constexpr DWORD kAnswerMs = 4000;
    setDword(HKEY_CURRENT_USER, kServersKey, "Answer time-out", kAnswerMs);
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));

    glossary.setSearch(L"abasement");
    std::wstring page;
    ASSERT_TRUE(eventually(
        [&] {
            page = glossary.pageText();
            return contains(page, L"The local entry on abasement.") &&
                   contains(page, L"Waiting for " + wide(silent.address()));
        },
        kTimeoutMs))
        << page;
    // Another word while the server says nothing: its local page at once, still waiting.
    const DWORD typed = GetTickCount();
    glossary.setSearch(L"Compiler");
    ASSERT_TRUE(eventually([&] { return contains(page = glossary.pageText(), L"Translates"); },
                           kTimeoutMs));
    const DWORD shownMs = GetTickCount() - typed;
    EXPECT_LT(shownMs, kAnswerMs / 2) << "typing waited for the server";
    EXPECT_TRUE(contains(page, L"Waiting for ")) << page;
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-servers-page-waiting.bmp");

    // The time-out ends the wait with a note naming the server and the reason.
    ASSERT_TRUE(eventually(
        [&] {
            page = glossary.pageText();
            return contains(page, L"DICT server " + wide(silent.address())) &&
                   contains(page, L"did not answer within");
        },
        kTimeoutMs))
        << page;
    EXPECT_FALSE(contains(page, L"Waiting for")) << page;
    EXPECT_TRUE(contains(page, L"Translates code.")) << page;
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-servers-page-timed-out.bmp");
}

// The page with a server's part and the dialog with a server's databases, as the reader sees
// them at 96 and 192 dpi and in high contrast (pictures beside the tests for a person to look
// at); the dialog's controls fit at either density.
TEST_F(GlossaryServersTest, ThePageAndTheDialogWithAServerFitAtEachDensityAndInHighContrast) {
    rememberServers({dictdAddress()});
    struct Look {
        const char* name;
        DWORD dpi;
        bool highContrast;
    };
    for (const Look look :
         {Look{"96dpi", 96, false}, Look{"192dpi", 192, false}, Look{"high-contrast", 96, true}}) {
        SCOPED_TRACE(look.name);
        deleteValue(HKEY_CURRENT_USER, kSettings, "Window placement"); // the designed size
        const ScreenDensity density(look.dpi);
        std::unique_ptr<SystemColours> scheme;
        if (look.highContrast)
            scheme = std::make_unique<SystemColours>(
                std::initializer_list<int>{COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE,
                                           COLOR_BTNTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
                std::initializer_list<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0),
                                                RGB(255, 255, 255), RGB(0, 255, 255),
                                                RGB(0, 0, 0)});
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        glossary.setSearch(L"abasement");
        ASSERT_TRUE(
            eventually([&] { return contains(glossary.pageText(), L"decent and"); }, kTimeoutMs));
        glossary.saveScreenshot(binaryDirectory() + "\\glossary-servers-page-" + look.name +
                                ".bmp");
        const HWND dialog = openDialog(glossary);
        ASSERT_NE(dialog, nullptr);
        const HWND list = GetDlgItem(dialog, IDC_SOURCES);
        ASSERT_TRUE(
            eventually([&] { return startsWith(glossary.listViewText(list, 1, 0), L"elements"); },
                       kTimeoutMs));
        saveImage(dialog, std::string("glossary-servers-dialog-") + look.name + ".bmp");
        EXPECT_TRUE(fitsInside(dialog));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(eventually([&] { return messageBoxOf(glossary) == nullptr; }, kTimeoutMs));
        glossary.clickExit();
        DWORD code = 0;
        ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, code));
    }
}

// Twenty words only the server has, one after another: each page shows its own word's
// definition (never the one before), and the time from the word set to the server's part on
// the page is printed as a figure (median and worst).
TEST_F(GlossaryServersTest, EachWordLookedUpShowsItsOwnServersPartWithTheTimeItTook) {
    rememberServers({dictdAddress()});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const std::wstring words[] = {L"ABATIS",   L"ABDICATION", L"ABDOMEN",    L"ABILITY",
                                  L"ABSENTEE", L"ABSTAINER",  L"ABSURDITY",  L"ACADEME",
                                  L"ACCIDENT", L"ACCOMPLICE", L"ACCORD",     L"ACCORDION",
                                  L"ADAGE",    L"ADAMANT",    L"ADDER",      L"ADHERENT",
                                  L"ADMIRAL",  L"ADVICE",     L"AFFLICTION", L"AGITATOR"};
    std::vector<DWORD> took;
    for (const std::wstring& word : words) {
        const DWORD start = GetTickCount();
        glossary.setSearch(word);
        std::wstring page;
        ASSERT_TRUE(eventually([&] { return contains(page = glossary.pageText(), word + L", n."); },
                               kTimeoutMs))
            << page;
        took.push_back(GetTickCount() - start);
    }
    std::sort(took.begin(), took.end());
    std::cout << "a word's server part on the page, 20 words through dictd: median "
              << took[took.size() / 2] << " ms, worst " << took.back() << " ms\n";
}

// A server that refuses the reader (530) until it is mended: the page ends with its note,
// and opening the dialog asks it again, which then lists its database.
TEST_F(GlossaryServersTest, AServerThatFailedIsAskedAgainWhenTheDialogOpens) {
    std::atomic<bool> mended{false};
    FakeDictServer server([&](FakeDictServer& self, SOCKET connection) {
        if (!mended) {
            FakeDictServer::sendAll(connection, "530 access denied\r\n");
            return;
        }
        if (!self.greet(connection))
            return;
        while (const auto line = self.readLine(connection)) {
            if (*line == "SHOW DB")
                FakeDictServer::sendAll(connection,
                                        "110 1 databases present\r\n"
                                        "team \"The team's glossary\"\r\n.\r\n250 ok\r\n");
            else if (line->rfind("QUIT", 0) == 0)
                return;
            else
                FakeDictServer::sendAll(connection, "552 no match\r\n");
        }
    });
    rememberServers({server.address()});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    glossary.setSearch(L"Compiler");
    std::wstring page;
    ASSERT_TRUE(eventually(
        [&] { return contains(page = glossary.pageText(), L"530 access denied"); }, kTimeoutMs))
        << page;
    EXPECT_TRUE(contains(page, L"DICT server " + wide(server.address()))) << page;

    mended = true;
    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    EXPECT_TRUE(eventually(
        [&] { return startsWith(glossary.listViewText(list, 0, 0), L"team: The team's glossary"); },
        kTimeoutMs))
        << windowText(GetDlgItem(dialog, IDC_SOURCES_NOTE));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(eventually([&] { return messageBoxOf(glossary) == nullptr; }, kTimeoutMs));
}
