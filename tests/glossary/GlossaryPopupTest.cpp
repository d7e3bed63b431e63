// A look-up from another program: a word copied there (Ctrl+C pressed twice, or every copy)
// shows its page in the popup near the mouse pointer, without the reader's program losing the
// keyboard; Escape closes it, Enter opens the word in the main window.
#include "AccessibleObjects.h"
#include "Alerts.h"
#include "GlossaryWindowFixture.h"
#include "LargeDictionary.h"
#include "PopupDriver.h"
#include "ScreenLooks.h"
#include "driver/ScreenCapture.h"
#include "win32/Com.h"

#include <commctrl.h>

#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

using namespace glossarytest;

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The command of the user's Run value that starts the glossary at log-on; empty when none.
std::string logonCommand() {
    const std::vector<BYTE> data = readValue(HKEY_CURRENT_USER, kRunKey, "Technical Glossary");
    return std::string(data.begin(), data.end()).c_str();
}

bool copy(UINT format, const void* data, std::size_t size) {
    return popupdriver::copy(format, data, size, kTimeoutMs);
}

bool copyText(const std::wstring& text) {
    return popupdriver::copyText(text, kTimeoutMs);
}

// Copies `text` and waits until the glossary has read it: as a reader's keys are never faster.
bool copyRead(const GlossaryProcess& glossary, UINT format, const void* data, std::size_t size) {
    // The glossary listens from the moment its window exists, maybe before it shows.
    long before = -1;
    eventually([&] { return (before = popupdriver::copiesRead(glossary.id())) >= 0; }, kTimeoutMs);
    if (before < 0 || !copy(format, data, size)) {
        std::cerr << "copy not made: " << before << " copies read, error " << GetLastError()
                  << "\n";
        return false;
    }
    return eventually([&] { return popupdriver::copiesRead(glossary.id()) > before; }, kTimeoutMs);
}

bool copyRead(const GlossaryProcess& glossary, const std::wstring& text) {
    return copyRead(glossary, CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// Ctrl+C pressed twice: the same copy twice in a row.
bool copyTwice(const GlossaryProcess& glossary, const std::wstring& text) {
    return copyRead(glossary, text) && copyRead(glossary, text);
}

std::wstring textOf(HWND window) {
    return popupdriver::textOf(window, kTimeoutMs);
}

HWND popupOf(const GlossaryProcess& glossary) {
    return popupdriver::popupOf(glossary.id());
}

std::wstring popupPage(const GlossaryProcess& glossary) {
    const HWND popup = popupOf(glossary);
    return popup != nullptr && IsWindowVisible(popup) ? textOf(GetDlgItem(popup, IDC_POPUP_PAGE))
                                                      : std::wstring();
}

// Waits (bounded) for the popup of `word` to be announced to a screen reader: its name then.
bool announces(const Alerts& alerts, const std::wstring& word) {
    if (alerts.heard(L": " + word + L".", kTimeoutMs))
        return true;
    std::cerr << "heard: " << alerts.said() << "\n";
    return false;
}

// The reader's program: a window of the test's own in the foreground, which must keep it.
class ReaderWindow {
public:
    ReaderWindow()
        : window_(CreateWindowExW(0, L"EDIT", L"The reader's program",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | ES_MULTILINE, 40, 40, 500, 300,
                                  nullptr, nullptr, nullptr, nullptr)) {
        SetForegroundWindow(window_.get());
        // In front before anything is copied: the popup closes when another window comes.
        eventually(
            [this] {
                pump();
                return GetForegroundWindow() == window_.get();
            },
            kTimeoutMs);
    }
    HWND get() const { return window_.get(); }
    static void pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }

private:
    win32::OwnWindow window_;
};

// Keys typed anywhere, as the keyboard gives them to the window in the foreground.
void typeKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// A look-up key of the reader's own as the settings keep it: Ctrl+Alt and `letter`.
DWORD ownKey(char letter) {
    return MAKEWORD(letter, HOTKEYF_CONTROL | HOTKEYF_ALT);
}

// Keys pressed together and let go, as a reader presses a combination.
void pressChord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (const WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// This thread's messages, keys translated as a program's loop translates them (an edit copies
// on the character Ctrl+C makes).
void pumpTranslated() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

class GlossaryPopupTest : public GlossaryWindowTest {
protected:
    void SetUp() override {
        GlossaryWindowTest::SetUp();
        writeDictionaryWithForms(folder_.file("Dict.mdb"));
        SetCursorPos(300, 200);
    }
    void TearDown() override {
        deleteValue(HKEY_CURRENT_USER, kRunKey, "Technical Glossary");
        GlossaryWindowTest::TearDown();
    }
    // The announcements' accessible objects are asked for through COM.
    const win32::ComApartment com_;
};

// The look-up key's dialog, opened from the window's menu; null when none came.
HWND openLookUpKeyDialog(GlossaryProcess& glossary) {
    PostMessageW(glossary.window(), WM_SYSCOMMAND, IDM_LOOKUP_KEY, 0);
    HWND dialog = nullptr;
    eventually([&] { return (dialog = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs);
    return dialog;
}

} // namespace

TEST_F(GlossaryPopupTest, AWordCopiedTwiceInAnyProgramShowsItsPageNearThePointer) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const Alerts announced(glossary.id());
    ASSERT_TRUE(announced.listening());
    const ReaderWindow reader;
    const HWND foreground = GetForegroundWindow();
    POINT pointer = {};
    GetCursorPos(&pointer);

    // Blanks and punctuation trimmed, the form resolved as the search box does, its note shown.
    ASSERT_TRUE(copyTwice(glossary, L"  \u201Cdogs,\u201D\r\n"));
    ASSERT_TRUE(announces(announced, L"dogs")) << "a screen reader hears the popup come";
    EXPECT_TRUE(contains(popupPage(glossary), L"A domestic animal.")) << popupPage(glossary);
    EXPECT_TRUE(contains(popupPage(glossary), L"dogs")) << "the note on the form";

    // Near the pointer, whole inside the screen's work area; the reader keeps the keyboard.
    const HWND popup = popupOf(glossary);
    RECT frame = {}, work = {};
    GetWindowRect(popup, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT inside = {};
    EXPECT_TRUE(IntersectRect(&inside, &frame, &work) && EqualRect(&inside, &frame));
    EXPECT_LE(std::abs(frame.left - pointer.x), 60) << pointer.x;
    EXPECT_LE(std::abs(frame.top - pointer.y), 60) << pointer.y;
    EXPECT_EQ(GetForegroundWindow(), foreground) << "the popup took the foreground";

    // An accent ignored, as in the search box, and a page the main window never showed.
    ASSERT_TRUE(copyTwice(glossary, L"haus"));
    ASSERT_TRUE(announces(announced, L"haus"));
    EXPECT_TRUE(contains(popupPage(glossary), L"A house.")) << popupPage(glossary);
    EXPECT_FALSE(contains(glossary.pageText(), L"A house.")) << "the main window stays as it was";
}

TEST_F(GlossaryPopupTest, EscapeClosesThePopupAndEnterOpensTheWordInTheWindow) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const Alerts announced(glossary.id());
    const ReaderWindow reader;

    ASSERT_TRUE(copyTwice(glossary, L"axis"));
    ASSERT_TRUE(announces(announced, L"axis"));
    typeKey(VK_ESCAPE);
    EXPECT_TRUE(eventually([&] { return !IsWindowVisible(popupOf(glossary)); }, kTimeoutMs))
        << "Escape reaches the popup while the reader's program has the keyboard";

    ASSERT_TRUE(copyTwice(glossary, L"dogs"));
    ASSERT_TRUE(announces(announced, L"dogs"));
    typeKey(VK_RETURN);
    EXPECT_TRUE(eventually([&] { return contains(glossary.pageText(), L"A domestic animal."); },
                           kTimeoutMs))
        << glossary.pageText();
    EXPECT_EQ(glossary.searchText(), L"dogs");
    EXPECT_FALSE(IsWindowVisible(popupOf(glossary)));
    EXPECT_TRUE(eventually([&] { return GetForegroundWindow() == glossary.window(); }, kTimeoutMs))
        << "the main window comes to the front";
}

TEST_F(GlossaryPopupTest, ALinkInThePopupShowsItsTermsPageThere) {
    writeLinkedDictionary(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const Alerts announced(glossary.id());
    const ReaderWindow reader;
    ASSERT_TRUE(copyTwice(glossary, L"Links"));
    ASSERT_TRUE(announces(announced, L"Links"));

    ASSERT_TRUE(eventually([&] { return contains(popupPage(glossary), L"Web page"); }, kTimeoutMs));
    // Tab to the first link and Enter, as the keyboard does in the page once it is clicked into.
    const HWND view = GetDlgItem(popupOf(glossary), IDC_POPUP_PAGE);
    HWND page = GetWindow(view, GW_CHILD);
    while (page != nullptr && !IsWindowVisible(page))
        page = GetWindow(page, GW_HWNDNEXT);
    ASSERT_NE(page, nullptr);
    for (const WPARAM key : {VK_TAB, VK_RETURN})
        PostMessageW(page, WM_KEYDOWN, key, 1);
    ASSERT_TRUE(announces(announced, L"Compiler"));
    EXPECT_TRUE(contains(popupPage(glossary), L"Translates code.")) << popupPage(glossary);
}

TEST_F(GlossaryPopupTest, AWordCopiedWhileTheTermsAreReadShowsItsPageOnceTheyAreIn) {
    // Terms enough that they are still being read when the copies come; until then the list
    // holds the first of them only, which would find nothing.
    const std::string large = folder_.file("large.mdb");
    ASSERT_TRUE(writeLargeDictionary(large, 1000000, u"Word"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "\"" + large + "\"");
    ASSERT_TRUE(glossary.valid());
    const Alerts announced(glossary.id());
    const ReaderWindow reader;

    ASSERT_TRUE(copyTwice(glossary, L"Word987654"));
    ASSERT_TRUE(announces(announced, L"Word987654"));
    EXPECT_TRUE(eventually(
        [&] { return contains(popupPage(glossary), L"definition of Word987654,"); }, kTimeoutMs))
        << popupPage(glossary);
    EXPECT_FALSE(contains(popupPage(glossary), L"No term")) << popupPage(glossary);
}

TEST_F(GlossaryPopupTest, AKeyOfTheReadersOwnLooksUpTheWordSelectedInTheProgramInFront) {
    setDword(HKEY_CURRENT_USER, kSettings, "Look-up", 3);
    setDword(HKEY_CURRENT_USER, kSettings, "Look-up key", ownKey('L'));
    // Something else on the clipboard: the page must come from the selection's copy.
    ASSERT_TRUE(copyText(L"axe"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const Alerts announced(glossary.id());
    const ReaderWindow reader;
    SetWindowTextW(reader.get(), L"My dogs bark.");
    SendMessageW(reader.get(), EM_SETSEL, 3, 7);

    pressChord({VK_CONTROL, VK_MENU, 'L'});
    EXPECT_TRUE(eventually(
        [&] {
            pumpTranslated();
            return contains(popupPage(glossary), L"A domestic animal.");
        },
        kTimeoutMs))
        << "the selection copied and looked up: " << announced.said();
    EXPECT_TRUE(announces(announced, L"dogs"));
    EXPECT_EQ(GetForegroundWindow(), reader.get()) << "the reader's program keeps the keyboard";
}

TEST_F(GlossaryPopupTest, TheLookUpKeyIsChosenInItsDialogWhichRefusesOneAnotherProgramHolds) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    // Chosen from the window's menu (Alt+Space), where the other ways are.
    const HWND dialog = openLookUpKeyDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(captionOf(dialog), L"Look-up key");
    const HWND key = GetDlgItem(dialog, IDC_LOOKUP_KEY);
    EXPECT_EQ(SendMessageW(key, HKM_GETHOTKEY, 0, 0), static_cast<LRESULT>(ownKey('L')))
        << "the key offered at first";

    // Held by this test's process, as another program holds it: refused, the dialog stays.
    ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'J'));
    SendMessageW(key, HKM_SETHOTKEY, ownKey('J'), 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    const HWND note = GetDlgItem(dialog, IDC_LOOKUP_KEY_NOTE);
    EXPECT_TRUE(eventually([&] { return contains(textOf(note), L"another program already uses"); },
                           kTimeoutMs))
        << windowText(note);
    EXPECT_TRUE(contains(textOf(note), L"Ctrl+Alt+J")) << windowText(note);
    saveWindowImage(dialog, binaryDirectory() + "\\glossary-lookup-key.bmp");
    UnregisterHotKey(nullptr, 1);

    // A free one is taken and remembered.
    SendMessageW(key, HKM_SETHOTKEY, ownKey('G'), 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(eventually([&] { return !IsWindow(dialog); }, kTimeoutMs));
    EXPECT_TRUE(eventually(
        [&] { return readDword(HKEY_CURRENT_USER, kSettings, "Look-up key") == ownKey('G'); },
        kTimeoutMs));
    EXPECT_EQ(readDword(HKEY_CURRENT_USER, kSettings, "Look-up"), 3u);
}

// A screen reader reads the hotkey control by its label, not by nothing.
TEST_F(GlossaryPopupTest, TheLookUpKeysControlIsNamedByItsLabel) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const HWND dialog = openLookUpKeyDialog(glossary);
    ASSERT_NE(dialog, nullptr);
    const win32::ComApartment com;
    EXPECT_EQ(nameOf(accessibleOf(GetDlgItem(dialog, IDC_LOOKUP_KEY)).get()),
              L"Press the keys that look up the word selected in any program");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(eventually([&] { return !IsWindow(dialog); }, kTimeoutMs));
}

TEST_F(GlossaryPopupTest, ALookUpKeyAnotherProgramHoldsIsNamedWithTheReasonAndWhatToDo) {
    // This test's process holds the combination, as another program would.
    ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'K'));
    setDword(HKEY_CURRENT_USER, kSettings, "Look-up", 3);
    setDword(HKEY_CURRENT_USER, kSettings, "Look-up key", ownKey('K'));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    HWND box = nullptr;
    EXPECT_TRUE(eventually([&] { return (box = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs));
    const std::string note = box != nullptr ? windowText(GetDlgItem(box, 0xFFFF)) : "";
    EXPECT_NE(note.find("Ctrl+Alt+K"), std::string::npos) << note;
    EXPECT_NE(note.find("another program already uses"), std::string::npos) << note;
    EXPECT_NE(note.find("Alt+Space"), std::string::npos) << "what to do: " << note;
    if (box != nullptr)
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    UnregisterHotKey(nullptr, 1);
}

TEST_F(GlossaryPopupTest, NothingShowsForAnEmptyAnImageOrAHugeClipboard) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const Alerts announced(glossary.id());
    const ReaderWindow reader;

    // Each time twice, as Ctrl+C pressed twice; then a word, which shows once those were heard
    // (the clipboard's news come in order).
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(copyRead(glossary, CF_UNICODETEXT, nullptr, 0));
    ASSERT_TRUE(copyTwice(glossary, L"axe"));
    ASSERT_TRUE(announces(announced, L"axe"));
    // A 2x2 picture, as an image program copies it.
    BITMAPINFOHEADER image = {};
    image.biSize = sizeof image;
    image.biWidth = image.biHeight = 2;
    image.biPlanes = 1;
    image.biBitCount = 32;
    std::string dib(reinterpret_cast<const char*>(&image), sizeof image);
    dib.append(16, '\x7f');
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(copyRead(glossary, CF_DIB, dib.data(), dib.size()));
    ASSERT_TRUE(copyTwice(glossary, L"axis"));
    ASSERT_TRUE(announces(announced, L"axis"));
    ASSERT_TRUE(copyTwice(glossary, std::wstring(1 << 20, L'a'))) << "a megabyte of text";
    ASSERT_TRUE(copyTwice(glossary, L"dog"));
    ASSERT_TRUE(announces(announced, L"dog"));
    ASSERT_TRUE(copyTwice(glossary, L" .,;\t"));
    ASSERT_TRUE(copyTwice(glossary, L"Haus"));
    ASSERT_TRUE(announces(announced, L"Haus"));

    EXPECT_EQ(announced.count(), 4u) << "only the words showed a popup: " << announced.said();
    EXPECT_TRUE(contains(popupPage(glossary), L"A house."));
    EXPECT_EQ(WaitForSingleObject(glossary.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(GlossaryPopupTest, LookUpsCanBeSwitchedOffOrMadeOnEveryCopyAndAreRemembered) {
    setDword(HKEY_CURRENT_USER, kSettings, "Look-up", 0);
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const Alerts announced(glossary.id());
    const ReaderWindow reader;

    // Not heard while off: had they been, their popup would come before the choice below.
    ASSERT_TRUE(copyText(L"axis") && copyText(L"axis"));
    // Every copy, chosen in the window's system menu: one copy is enough.
    PostMessageW(glossary.window(), WM_SYSCOMMAND, IDM_LOOKUP_EVERY, 0);
    EXPECT_TRUE(eventually([&] { return readDword(HKEY_CURRENT_USER, kSettings, "Look-up") == 2u; },
                           kTimeoutMs));
    ASSERT_TRUE(copyRead(glossary, L"dog"));
    ASSERT_TRUE(announces(announced, L"dog"));
    EXPECT_EQ(announced.count(), 1u) << "nothing while look-ups were off: " << announced.said();
}

TEST_F(GlossaryPopupTest, ClosedWithTheIconChosenTheGlossaryKeepsServingLookUps) {
    setDword(HKEY_CURRENT_USER, kSettings, "Notification area", 1);
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const Alerts announced(glossary.id());
    // Closed by the reader (the caption's button, Alt+F4).
    PostMessageW(glossary.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(eventually([&] { return !IsWindowVisible(glossary.window()); }, kTimeoutMs));
    EXPECT_EQ(WaitForSingleObject(glossary.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    const ReaderWindow reader;
    ASSERT_TRUE(copyTwice(glossary, L"axe"));
    ASSERT_TRUE(announces(announced, L"axe"));
    typeKey(VK_RETURN);
    EXPECT_TRUE(eventually([&] { return IsWindowVisible(glossary.window()); }, kTimeoutMs));
    EXPECT_TRUE(eventually([&] { return contains(glossary.pageText(), L"A tool for chopping."); },
                           kTimeoutMs));

    // At log-on only when chosen: the Run value names the program, quoted, and goes again.
    PostMessageW(glossary.window(), WM_SYSCOMMAND, IDM_START_AT_LOGON, 0);
    std::string command;
    EXPECT_TRUE(eventually(
        [&] {
            command = logonCommand();
            return !command.empty();
        },
        kTimeoutMs));
    EXPECT_EQ(command.rfind("\"", 0), 0u) << command;
    EXPECT_TRUE(contains(std::wstring(command.begin(), command.end()), L"glossary.exe\" /tray"))
        << command;
    PostMessageW(glossary.window(), WM_SYSCOMMAND, IDM_START_AT_LOGON, 0);
    EXPECT_TRUE(eventually([&] { return logonCommand().empty(); }, kTimeoutMs));

    // Another program's close (the uninstaller's, of every window of the program) ends it.
    PostMessageW(glossary.window(), WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
}

namespace {

// Shows the popup of `word` with the pointer at `pointer`, and its frame then; false when it
// did not come.
bool popupAt(const GlossaryProcess& glossary, POINT pointer, const std::wstring& word,
             RECT& frame) {
    const HWND popup = popupOf(glossary);
    if (popup != nullptr && IsWindowVisible(popup)) {
        PostMessageW(popup, WM_CLOSE, 0, 0);
        if (!eventually([&] { return !IsWindowVisible(popup); }, kTimeoutMs)) {
            std::cerr << "the popup stayed\n";
            return false;
        }
    }
    SetCursorPos(pointer.x, pointer.y);
    if (!copyTwice(glossary, word)) {
        std::cerr << "the copies were not read\n";
        return false;
    }
    if (!eventually([&] { return IsWindowVisible(popupOf(glossary)) != FALSE; }, kTimeoutMs)) {
        std::cerr << "no popup came\n";
        return false;
    }
    return GetWindowRect(popupOf(glossary), &frame) != FALSE;
}

std::string described(const RECT& frame) {
    return std::to_string(frame.left) + "," + std::to_string(frame.top) + " - " +
           std::to_string(frame.right) + "," + std::to_string(frame.bottom);
}

} // namespace

TEST_F(GlossaryPopupTest, ThePopupStaysOnTheWorkAreaAndNeverCoversTheLinePointedAt) {
    for (const DWORD dpi : {96u, 192u}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        const ScreenDensity density(dpi);
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(glossary.valid());
        const ReaderWindow reader;
        RECT screen = {};
        GetWindowRect(GetDesktopWindow(), &screen);
        // A line of text at the pointer, as high as the popup's own text at this density.
        const LONG halfLine = static_cast<LONG>(MulDiv(6, static_cast<int>(dpi), 96));
        // Middle (at 192 dpi the popup fits neither above nor below), the corners, the edges.
        const LONG midX = (screen.left + screen.right) / 2, midY = (screen.top + screen.bottom) / 2;
        const POINT pointers[] = {{midX, midY},
                                  {screen.right - 20, screen.bottom - 20},
                                  {screen.left + 10, screen.top + 10},
                                  {screen.left + 30, screen.bottom - 60},
                                  {screen.right - 10, midY - 100}};
        for (const POINT pointer : pointers) {
            SCOPED_TRACE("pointer at " + std::to_string(pointer.x) + "," +
                         std::to_string(pointer.y));
            RECT frame = {};
            ASSERT_TRUE(popupAt(glossary, pointer, L"axis", frame));
            MONITORINFO monitor = {};
            monitor.cbSize = sizeof monitor;
            GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor);
            RECT inside = {};
            EXPECT_TRUE(IntersectRect(&inside, &frame, &monitor.rcWork) &&
                        EqualRect(&inside, &frame))
                << described(frame) << " outside the work area " << described(monitor.rcWork);
            EXPECT_TRUE(frame.top >= pointer.y + halfLine || frame.bottom <= pointer.y - halfLine)
                << described(frame) << " covers the line pointed at";
            EXPECT_GT(frame.bottom - frame.top, 4 * halfLine) << "room left for the page";
        }
        // The page still whole above the button, in a popup made as high as the room left.
        RECT frame = {};
        ASSERT_TRUE(popupAt(glossary, POINT{midX, midY}, L"dogs", frame));
        EXPECT_TRUE(eventually([&] { return contains(popupPage(glossary), L"A domestic animal."); },
                               kTimeoutMs));
        driver::saveScreenArea(screen, binaryDirectory() + "\\popup-placed-" + std::to_string(dpi) +
                                           "dpi.bmp");
        const HWND popup = popupOf(glossary);
        RECT page = {}, button = {};
        GetWindowRect(GetDlgItem(popup, IDC_POPUP_PAGE), &page);
        GetWindowRect(GetDlgItem(popup, IDC_POPUP_OPEN), &button);
        EXPECT_GT(page.bottom, page.top);
        EXPECT_LE(page.bottom, button.top);
        EXPECT_LE(button.bottom, frame.bottom);
    }
}

TEST_F(GlossaryPopupTest, ThePopupsPageFollowsTheScreensDensityAsTheWindowsPageDoes) {
    for (const ScreenLook& look : kScreenLooks) {
        SCOPED_TRACE(look.name);
        const ScreenDensity density(look.dpi);
        const auto colours = highContrastFor(look);
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(glossary.valid());
        const ReaderWindow reader;
        RECT frame = {};
        ASSERT_TRUE(popupAt(glossary, POINT{300, 200}, L"dogs", frame));
        const HWND popup = popupOf(glossary);
        const HWND view = GetDlgItem(popup, IDC_POPUP_PAGE);
        ASSERT_TRUE(eventually([&] { return contains(popupPage(glossary), L"A domestic animal."); },
                               kTimeoutMs));
        // The popup over the reader's program, as the reader sees it.
        RECT shown = {}, readers = {};
        GetWindowRect(reader.get(), &readers);
        UnionRect(&shown, &frame, &readers);
        Sleep(300); // the page draws itself a moment after its text is in
        driver::saveScreenArea(shown, binaryDirectory() + "\\popup-" + look.name + ".bmp");

        // Both pages at the screen's density, then both moved to a screen of twice as many.
        EXPECT_EQ(glossary.pageZoom(view), glossary.pageZoom());
        EXPECT_EQ(glossary.pageFontTwips(view), glossary.pageFontTwips());
        const int doubled = 2 * static_cast<int>(look.dpi);
        ASSERT_TRUE(glossary.moveToScreenOfDpi(doubled, RECT{0, 0, 1280, 1024}));
        ASSERT_TRUE(glossary.moveToScreenOfDpi(
            doubled, RECT{frame.left, frame.top, frame.left + 760, frame.top + 520}, popup));
        EXPECT_EQ(glossary.pageZoom(view), 200) << "the popup's page zoomed as the window's";
        EXPECT_EQ(glossary.pageZoom(view), glossary.pageZoom());
        EXPECT_EQ(glossary.pageFontTwips(view), glossary.pageFontTwips())
            << "the popup's text in the window's size";
    }
}

TEST_F(GlossaryPopupTest, ThePopupComesWithTheNewWordsPageNeverFirstWithTheOneBefore) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    const ReaderWindow reader;
    RECT frame = {};
    ASSERT_TRUE(popupAt(glossary, POINT{300, 200}, L"axis", frame));
    for (const wchar_t* word : {L"dog", L"axe", L"Haus", L"dogs"}) {
        const HWND popup = popupOf(glossary);
        PostMessageW(popup, WM_CLOSE, 0, 0);
        ASSERT_TRUE(eventually([&] { return !IsWindowVisible(popup); }, kTimeoutMs));
        // The second copy makes the look-up: watched from then on, as closely as can be. The
        // popup's name (its caption, read without asking the glossary) names its page's word.
        ASSERT_TRUE(copyRead(glossary, word));
        ASSERT_TRUE(copyText(word));
        const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
        while (!IsWindowVisible(popup) && GetTickCount64() < deadline)
            Sleep(1);
        wchar_t name[256] = {};
        GetWindowTextW(popup, name, 256);
        const std::wstring first = name;
        ASSERT_TRUE(IsWindowVisible(popup));
        EXPECT_TRUE(contains(first, L": " + std::wstring(word) + L"."))
            << "shown first as: " << std::string(first.begin(), first.end());
    }
}
