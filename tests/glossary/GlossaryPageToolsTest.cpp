// What the page offers besides reading: find in it (Ctrl+F, F3, Shift+F3), copy its lines
// (Ctrl+A, Ctrl+C), print it (Ctrl+P), all from the keyboard.
#include "GlossaryWindowFixture.h"
#include "driver/ScreenCapture.h"
#include "win32/WindowText.h"

#include <dlgs.h>
#include <richedit.h>
#include <winspool.h>

using namespace glossarytest;

namespace {

// A page of several paragraphs, lines and list items, with one word written four ways.
void writePagesDictionary(const std::string& path) {
    using namespace fixtures;
    std::u16string longPage;
    for (int i = 1; i <= 150; ++i) {
        const std::string number = std::to_string(i);
        longPage += u"<p>Paragraph " + std::u16string(number.begin(), number.end()) + u".</p>";
    }
    const Rows rows = {
        {integer(1), text(u"Cache"),
         text(u"A <b>small</b> store.<p>Small again, then SMALL,</p>and sm\u00E4ll last.<br>"
              u"Second line<ul><li>First item</li><li>Second item</li></ul>End.<hr>"
              u"<p>Cache, v.</p>")},
        {integer(2), text(u"Compiler"), text(u"Translates code.")},
        {integer(3), text(u"Long"), text(longPage)},
    };
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// The page's selection, as the control counts characters.
CHARRANGE pageSelection(const GlossaryProcess& glossary) {
    DWORD_PTR packed = 0;
    SendMessageTimeoutW(glossary.page(), EM_GETSEL, 0, 0, SMTO_NORMAL, 10000, &packed);
    return CHARRANGE{static_cast<LONG>(LOWORD(packed)), static_cast<LONG>(HIWORD(packed))};
}

// Where the page shows its character `position` on the screen, about a line high.
bool textRect(const GlossaryProcess& glossary, int position, RECT& on) {
    const HANDLE process = glossary.process();
    void* remote = VirtualAllocEx(process, nullptr, sizeof(POINTL), MEM_COMMIT, PAGE_READWRITE);
    POINTL at = {};
    DWORD_PTR result = 0;
    const bool read =
        remote != nullptr &&
        SendMessageTimeoutW(glossary.page(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(remote),
                            position, SMTO_NORMAL, 10000, &result) &&
        ReadProcessMemory(process, remote, &at, sizeof at, nullptr);
    if (remote != nullptr)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    POINT point = {at.x, at.y};
    ClientToScreen(glossary.control(IDC_PAGE), &point);
    on = {point.x, point.y, point.x + 20, point.y + 16};
    return read;
}

std::wstring clipboardText() {
    std::wstring copied;
    if (OpenClipboard(nullptr)) {
        if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
                copied = text;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    return copied;
}

// The page's selection changes the program tells assistive technology of, heard as a screen
// reader hears them: out of the program's process, delivered while the test pumps messages.
class SelectionEvents {
public:
    explicit SelectionEvents(const GlossaryProcess& glossary)
        : hook_(SetWinEventHook(EVENT_OBJECT_TEXTSELECTIONCHANGED,
                                EVENT_OBJECT_TEXTSELECTIONCHANGED, nullptr, heard, glossary.id(), 0,
                                WINEVENT_OUTOFCONTEXT)) {
        page_ = glossary.control(IDC_PAGE);
        count_ = 0;
    }
    ~SelectionEvents() {
        if (hook_ != nullptr)
            UnhookWinEvent(hook_);
    }
    SelectionEvents(const SelectionEvents&) = delete;
    SelectionEvents& operator=(const SelectionEvents&) = delete;

    bool listening() const { return hook_ != nullptr; }
    // Whether more than `before` have been heard, within the time-out.
    static bool heardMoreThan(int before) {
        return eventually(
            [before] {
                MSG message;
                while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageW(&message);
                return count_ > before;
            },
            kTimeoutMs);
    }
    static int count() { return count_; }

private:
    static void CALLBACK heard(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                               DWORD) {
        // The page's window or the control in it that shows the page and has the focus.
        if ((window == page_ || GetParent(window) == page_) && object == OBJID_CLIENT &&
            child == CHILDID_SELF)
            ++count_;
    }
    static inline HWND page_ = nullptr;
    static inline int count_ = 0;
    HWINEVENTHOOK hook_;
};

std::wstring statusLine(const GlossaryProcess& glossary) {
    return win32::windowText(glossary.control(IDC_SEARCH_STATUS));
}

} // namespace

TEST_F(GlossaryWindowTest, FindsInThePageIgnoringCaseAndAccentsAndSaysWhatIsNotThere) {
    writePagesDictionary(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    const std::wstring page = glossary.pageText();
    const auto at = [&page](const std::wstring& piece) { return pagePosition(page, piece); };
    const auto selects = [&glossary](int position, int length) {
        return [&glossary, position, length] {
            const CHARRANGE selection = pageSelection(glossary);
            return selection.cpMin == position && selection.cpMax == position + length;
        };
    };

    SelectionEvents selectionEvents(glossary);
    ASSERT_TRUE(selectionEvents.listening());

    // Ctrl+F: the system's Find dialog, typed into and answered with Enter.
    glossary.press({VK_CONTROL, L'F'});
    HWND find = nullptr;
    ASSERT_TRUE(
        eventually([&] { return (find = dialogOf(glossary, L"Find")) != nullptr; }, kTimeoutMs));
    for (const WORD key : {L'S', L'M', L'A', L'L', L'L'})
        glossary.press({key}, find);
    glossary.press({VK_RETURN}, find);
    EXPECT_TRUE(eventually(selects(at(L"small"), 5), kTimeoutMs)) << "the first, in bold";
    EXPECT_TRUE(SelectionEvents::heardMoreThan(0)) << "a screen reader hears of the selection";
    EXPECT_EQ(statusLine(glossary), L"1 of 4 found");
    // Where it can be seen: the dialog stands clear of it.
    RECT dialog = {}, word = {};
    GetWindowRect(find, &dialog);
    EXPECT_TRUE(eventually([&] { return textRect(glossary, at(L"small"), word); }, kTimeoutMs));
    EXPECT_TRUE(word.bottom <= dialog.top || word.top >= dialog.bottom || word.left >= dialog.right)
        << "the word at " << word.left << "," << word.top << ", the dialog from " << dialog.left
        << "," << dialog.top << " to " << dialog.right << "," << dialog.bottom;
    EXPECT_TRUE(glossary.saveScreenshot(binaryDirectory() + "\\glossary-find.bmp"));
    // F3 in the dialog, then elsewhere: each next one, whatever its case and accents.
    glossary.press({VK_F3}, find);
    EXPECT_TRUE(eventually(selects(at(L"Small again"), 5), kTimeoutMs));
    const int heard = SelectionEvents::count();
    glossary.press({VK_F3}, find);
    EXPECT_TRUE(eventually(selects(at(L"SMALL"), 5), kTimeoutMs));
    EXPECT_TRUE(SelectionEvents::heardMoreThan(heard)) << "and of each one after";
    EXPECT_EQ(statusLine(glossary), L"3 of 4 found");
    glossary.press({VK_ESCAPE}, find);
    ASSERT_TRUE(eventually([&] { return !IsWindow(find); }, kTimeoutMs)) << "Escape closes it";
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'L'}, focusOn(glossary, IDC_SEARCH)));
    EXPECT_TRUE(pressUntil(glossary, {VK_F3}, selects(at(L"sm\u00E4ll"), 5)))
        << "F3 anywhere in the window goes on without the dialog";
    EXPECT_TRUE(pressUntil(glossary, {VK_F3}, selects(at(L"small"), 5))) << "round to the first";
    EXPECT_TRUE(pressUntil(glossary, {VK_SHIFT, VK_F3}, selects(at(L"sm\u00E4ll"), 5)))
        << "Shift+F3 goes back, round to the last";
    EXPECT_TRUE(pressUntil(glossary, {VK_SHIFT, VK_F3}, selects(at(L"SMALL"), 5)));

    // A text that is not there: a box names it and the page, and the selection stays.
    glossary.press({VK_CONTROL, L'F'});
    ASSERT_TRUE(
        eventually([&] { return (find = dialogOf(glossary, L"Find")) != nullptr; }, kTimeoutMs));
    SetDlgItemTextW(find, edt1, L"larger");
    PostMessageW(find, WM_COMMAND, IDOK, 0);
    HWND box = nullptr;
    ASSERT_TRUE(eventually(
        [&] { return (box = dialogOf(glossary, L"Technical Glossary")) != nullptr; }, kTimeoutMs));
    const std::wstring said = win32::windowText(GetDlgItem(box, 0xFFFF));
    EXPECT_TRUE(contains(said, L"\u201Clarger\u201D is not in the page of \u201CCache\u201D"))
        << said;
    EXPECT_EQ(statusLine(glossary), L"Not found") << "the status line says it too";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(eventually([&] { return !IsWindow(box); }, kTimeoutMs));
    EXPECT_TRUE(selects(at(L"SMALL"), 5)());
    // Match case finds the word only as written: past "smäll" to "Small".
    CheckDlgButton(find, chx2, BST_CHECKED);
    SetDlgItemTextW(find, edt1, L"Small");
    PostMessageW(find, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(eventually(selects(at(L"Small again"), 5), kTimeoutMs));
    PostMessageW(find, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(eventually([&] { return !IsWindow(find); }, kTimeoutMs));
    EXPECT_FALSE(statusLine(glossary).empty());
    glossary.setSearch(L"compiler");
    EXPECT_EQ(statusLine(glossary), L"") << "the count was of the page before";
}

TEST_F(GlossaryWindowTest, CopiesThePageWithItsLinesAndSelectsAllWhereTheFocusIs) {
    writePagesDictionary(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    // Ctrl+A in the search box selects its text, not the page.
    glossary.type(L"cach");
    EXPECT_TRUE(pressUntil(glossary, {VK_CONTROL, L'A'}, [&] {
        DWORD_PTR packed = 0;
        SendMessageTimeoutW(glossary.control(IDC_SEARCH), EM_GETSEL, 0, 0, SMTO_NORMAL, 10000,
                            &packed);
        return LOWORD(packed) == 0 && HIWORD(packed) == 4;
    }));
    EXPECT_EQ(pageSelection(glossary).cpMax, 0);

    ASSERT_TRUE(pressUntil(glossary, {VK_RETURN}, focusOn(glossary, IDC_PAGE)));
    glossary.press({VK_CONTROL, L'A'});
    ASSERT_TRUE(pressUntil(glossary, {VK_CONTROL, L'C'},
                           [&] { return contains(clipboardText(), L"End."); }));
    // Paragraphs, line breaks and list items are lines wherever the text is pasted.
    const std::wstring copied = clipboardText();
    EXPECT_TRUE(contains(copied, L"Cache:")) << copied;
    EXPECT_TRUE(contains(copied, L"store.\r\nSmall again")) << copied;
    EXPECT_TRUE(contains(copied, L"last.\r\nSecond line\r\n")) << copied;
    EXPECT_TRUE(contains(copied, L"First item\r\n")) << copied;
    EXPECT_TRUE(contains(copied, L"Second item\r\nEnd.")) << copied;
    EXPECT_TRUE(contains(copied, L"End.\r\n\r\nCache, v.")) << "the rule between entries, as an "
                                                               "empty line: "
                                                            << copied;
    for (const wchar_t c : copied)
        EXPECT_TRUE(c >= L' ' || c == L'\r' || c == L'\n' || c == L'\t')
            << "no control character " << static_cast<int>(c) << " in " << copied;
    std::size_t returns = 0, feeds = 0;
    for (const wchar_t c : copied) {
        returns += c == L'\r' ? 1 : 0;
        feeds += c == L'\n' ? 1 : 0;
    }
    EXPECT_EQ(returns, feeds) << "every line ends with CR LF: " << copied;
}

namespace {

// A PostScript printer of Wine's own driver that prints into files, set up for the test and
// removed after it.
class TestPrinter {
public:
    explicit TestPrinter(const std::string& ppd) {
        writeFile(ppd, kPpd);
        const std::wstring data(ppd.begin(), ppd.end());
        DRIVER_INFO_3W driver = {};
        driver.cVersion = 3;
        driver.pName = const_cast<wchar_t*>(kName);
        driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
        driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
        driver.pDataFile = const_cast<wchar_t*>(data.c_str());
        driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
        if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                                 APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY))
            return;
        PRINTER_INFO_2W printer = {};
        printer.pPrinterName = const_cast<wchar_t*>(kName);
        printer.pPortName = const_cast<wchar_t*>(L"FILE:");
        printer.pDriverName = const_cast<wchar_t*>(kName);
        printer.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
        printer.pDatatype = const_cast<wchar_t*>(L"RAW");
        printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        handle_ = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
        if (handle_ != nullptr)
            SetDefaultPrinterW(kName);
    }
    ~TestPrinter() {
        if (handle_ != nullptr) {
            DeletePrinter(handle_);
            ClosePrinter(handle_);
        }
        DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(kName));
    }
    TestPrinter(const TestPrinter&) = delete;
    TestPrinter& operator=(const TestPrinter&) = delete;
    bool valid() const { return handle_ != nullptr; }

private:
    static constexpr const wchar_t* kName = L"Glossary Test Printer";
    static constexpr const char* kPpd =
        "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
        "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"TEST.PPD\"\n"
        "*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n*ModelName: \"Test\"\n"
        "*ShortNickName: \"Test\"\n*NickName: \"Test\"\n*PSVersion: \"(3010.000) 0\"\n"
        "*LanguageLevel: \"3\"\n*ColorDevice: True\n*DefaultColorSpace: RGB\n"
        "*TTRasterizer: Type42\n*DefaultResolution: 300dpi\n"
        "*OpenUI *PageSize: PickOne\n*DefaultPageSize: A4\n"
        "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n"
        "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"18 18 577 824\"\n"
        "*DefaultPaperDimension: A4\n*PaperDimension A4/A4: \"595 842\"\n";
    HANDLE handle_ = nullptr;
};

bool anyPrinter() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed,
                  &count);
    return needed > 0;
}

} // namespace

TEST_F(GlossaryWindowTest, PrintsThePageOnSheetsIntoAFileAndSaysWhenThereIsNoPrinter) {
    writePagesDictionary(folder_.file("Dict.mdb"));
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(glossary));
    if (!anyPrinter()) {
        glossary.press({VK_CONTROL, L'P'});
        HWND box = nullptr;
        ASSERT_TRUE(
            eventually([&] { return (box = dialogOf(glossary, L"Technical Glossary")) != nullptr; },
                       kTimeoutMs));
        const std::wstring said = win32::windowText(GetDlgItem(box, 0xFFFF));
        EXPECT_TRUE(contains(said, L"No printer is set up")) << said;
        EXPECT_TRUE(contains(said, L"the page of \u201CCache\u201D")) << said;
        EXPECT_TRUE(contains(said, L"Add a printer")) << said;
        RECT shown = {};
        GetWindowRect(box, &shown);
        Sleep(300); // drawn a moment after it shows
        EXPECT_TRUE(driver::saveScreenArea(shown, binaryDirectory() + "\\glossary-no-printer.bmp"));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(eventually([&] { return !IsWindow(box); }, kTimeoutMs));
    }

    // A long page, printed into a file through the Print dialog's Print to file.
    const TestPrinter printer(folder_.file("test.ppd"));
    ASSERT_TRUE(printer.valid()) << GetLastError();
    glossary.setSearch(L"Long");
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Paragraph 150"); }, kTimeoutMs));
    glossary.press({VK_CONTROL, L'P'});
    HWND print = nullptr;
    ASSERT_TRUE(
        eventually([&] { return (print = dialogOf(glossary, L"Print")) != nullptr; }, kTimeoutMs));
    CheckDlgButton(print, chx1, BST_CHECKED); // Print to file
    PostMessageW(print, WM_COMMAND, IDOK, 0);
    HWND save = nullptr;
    ASSERT_TRUE(eventually([&] { return (save = dialogOf(glossary, L"Print to File")) != nullptr; },
                           kTimeoutMs));
    const std::string output = folder_.file("page.prn");
    SetDlgItemTextA(save, cmb13, output.c_str());
    PostMessageW(save, WM_COMMAND, IDOK, 0);
    std::string printed;
    EXPECT_TRUE(eventually(
        [&] {
            if (GetFileAttributesA(output.c_str()) == INVALID_FILE_ATTRIBUTES)
                return false;
            printed = readFile(output);
            return contains(std::wstring(printed.begin(), printed.end()), L"%%EOF");
        },
        kTimeoutMs))
        << printed.size();
    // Wine's rich edit draws nothing through EM_FORMATRANGE, so one empty sheet is what it
    // can show of the pages: the document, named by its term, through the printer's driver.
    EXPECT_EQ(printed.compare(0, 4, "%!PS"), 0);
    EXPECT_NE(printed.find("%%Title: Technical Glossary - Long"), std::string::npos) << printed;
    EXPECT_NE(printed.find("%%Page: 1"), std::string::npos) << printed;
    EXPECT_EQ(dialogOf(glossary, L"Technical Glossary"), nullptr) << "no failure said";
}
