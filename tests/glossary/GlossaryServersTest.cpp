// glossary.exe under Xvfb with DICT servers: Debian's dictd on a free port (DICT_SERVER, from
// tests/dict/with_dictd.py) serving devil and elements, and a server of the test's own that
// greets and then says nothing. The dialog adds a server and lists its databases; a page shows
// the local part at once and the server's part when it comes; a silent server never holds up
// typing and ends with a note.
#include "Alerts.h"
#include "DictionariesDialog.h"
#include "GlossaryWindowFixture.h"
#include "ScreenLooks.h"
#include "dict/FakeDictServer.h"
#include "driver/ScreenCapture.h"
#include "win32/RegistryLines.h"

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
    const win32::ComApartment com;
    const Alerts alerts(glossary.id());
    ASSERT_TRUE(alerts.listening());
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
    // A screen reader is told that the page changed while the reader was on it.
    EXPECT_TRUE(alerts.heard(L"answered for \u201Cabasemant\u201D", kTimeoutMs)) << alerts.said();

    // A word only the server has, whose braces link to another word of it.
    glossary.setSearch(L"brute");
    ASSERT_TRUE(
        eventually([&] { return contains(page = glossary.pageText(), L"BRUTE, n."); }, kTimeoutMs))
        << page;
    EXPECT_TRUE(
        alerts.heard(L"answered for \u201Cbrute\u201D: the page now shows their part", kTimeoutMs))
        << alerts.said();
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
    DialogInLook steps;
    steps.start = [&] {
        return std::make_unique<GlossaryProcess>(program(), folder_.path(), kTimeoutMs);
    };
    steps.ready = [](GlossaryProcess& glossary, const ScreenLook& look) {
        glossary.setSearch(L"abasement");
        ASSERT_TRUE(
            eventually([&] { return contains(glossary.pageText(), L"decent and"); }, kTimeoutMs));
        glossary.saveScreenshot(binaryDirectory() + "\\glossary-servers-page-" + look.name +
                                ".bmp");
    };
    steps.check = [](GlossaryProcess& glossary, HWND dialog, const ScreenLook&) {
        const HWND list = GetDlgItem(dialog, IDC_SOURCES);
        ASSERT_TRUE(
            eventually([&] { return startsWith(glossary.listViewText(list, 1, 0), L"elements"); },
                       kTimeoutMs));
    };
    seeTheDialogInEachLook(pictureLooks(), "glossary-servers-dialog", steps);
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

// A group of the server's elements alone: the devil's part leaves the page and comes back with
// all dictionaries; the dialog's groups section lists the server's databases by its address.
TEST_F(GlossaryServersTest, AGroupOfOneOfTheServersDatabasesLeavesTheOthersOffThePage) {
    rememberServers({dictdAddress()});
    const std::wstring address = wide(dictdAddress());
    win32::writeLines(
        HKEY_CURRENT_USER, L"Software\\Technical Glossary\\Groups", L"Groups",
        {u"=Elements", u"@" + std::u16string(address.begin(), address.end()) + u"\telements"});
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    glossary.setSearch(L"abasement");
    std::wstring page;
    ASSERT_TRUE(eventually(
        [&] { return contains(page = glossary.pageText(), L"decent and customary mental"); },
        kTimeoutMs))
        << page;
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'2'}, [&] {
        page = glossary.pageText();
        return contains(page, L"The local entry on abasement.") &&
               !contains(page, L"decent and customary");
    })) << page;

    const HWND dialog = openDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const HWND members = GetDlgItem(dialog, IDC_GROUP_MEMBERS);
    ASSERT_TRUE(eventually(
        [&] {
            const std::vector<std::wstring> names = rows(glossary, members, 0);
            return std::find(names.begin(), names.end(), L"elements") != names.end();
        },
        kTimeoutMs));
    const std::vector<std::wstring> names = rows(glossary, members, 0);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int item = static_cast<int>(i);
        EXPECT_EQ(glossary.listViewText(members, item, 1), address) << names[i];
        EXPECT_EQ(glossary.listViewChecked(members, item), names[i] == L"elements") << names[i];
    }
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(eventually([&] { return messageBoxOf(glossary) == nullptr; }, kTimeoutMs));

    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'1'}, [&] {
        return contains(page = glossary.pageText(), L"decent and customary mental");
    })) << page;
}
