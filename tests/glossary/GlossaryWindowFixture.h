#pragma once
// The glossary window's end-to-end fixture: its dictionaries, the URL handler that records
// what the program opens, and the waits the tests share.
#include "GlossaryProcess.h"
#include "driver/WindowFinder.h"
#include "jet/JetFixtures.h"
#include "jetwriter/JetWriter.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"

#include "../../glossary/window/Ids.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <iostream>
#include <string>
#include <vector>

namespace glossarytest {

using namespace driver;
using namespace testsupport;

constexpr DWORD kTimeoutMs = 30000;
// The maker's address is https; web and mail addresses get the recording handler, and TearDown
// puts these machine-wide handlers back however a test ends.
const char* const kUrlCommands[] = {"http\\shell\\open\\command", "https\\shell\\open\\command",
                                    "mailto\\shell\\open\\command"};
constexpr int kUrlCommandCount = sizeof kUrlCommands / sizeof kUrlCommands[0];
const char kSettings[] = "Software\\Technical Glossary";

inline void writeDictionary(const std::string& path) {
    using namespace fixtures;
    const Rows rows = {
        {integer(1), text(u"Cache"), text(u"A <b>small</b> store &amp; more.")},
        {integer(2), text(u"Compiler"), text(u"Translates code.")},
        {integer(3), text(u"compression"), text(u"Makes data smaller.")},
        {integer(4), text(u"Null field"), null()},
        {integer(5), text(u"Cache"), text(u"The second Cache record.")},
        {integer(6), text(u"\u0416\u0443\u043a"), text(u"A term in Cyrillic.")},
    };
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

class GlossaryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        deleteTree(HKEY_CURRENT_USER, kSettings); // what an earlier run remembered
        writeDictionary(folder_.file("Dict.mdb"));
        for (int i = 0; i < kUrlCommandCount; ++i) {
            saved_[i] = readValue(HKEY_CLASSES_ROOT, kUrlCommands[i], "", &types_[i]);
            setString(HKEY_CLASSES_ROOT, kUrlCommands[i], "",
                      "\"" + binaryDirectory() + "\\recorder.exe\" \"%1\"");
        }
    }
    void TearDown() override {
        deleteTree(HKEY_CURRENT_USER, kSettings);
        for (int i = 0; i < kUrlCommandCount; ++i) {
            if (types_[i] != REG_NONE)
                setValue(HKEY_CLASSES_ROOT, kUrlCommands[i], "", types_[i], saved_[i].data(),
                         static_cast<DWORD>(saved_[i].size()));
            else
                deleteValue(HKEY_CLASSES_ROOT, kUrlCommands[i], "");
        }
    }
    std::string program() const { return binaryDirectory() + "\\glossary.exe"; }

    TempDirectory folder_{"glossary"};
    std::vector<BYTE> saved_[kUrlCommandCount];
    DWORD types_[kUrlCommandCount] = {REG_NONE, REG_NONE, REG_NONE};
    EnvironmentOverride recorderOut_{"RECORDER_OUT", folder_.file("opened.txt")};
};

// The system's colours for as long as this lives.
class SystemColours {
public:
    SystemColours(std::initializer_list<int> elements, std::initializer_list<COLORREF> colours)
        : elements_(elements) {
        for (const int element : elements_)
            saved_.push_back(GetSysColor(element));
        const std::vector<COLORREF> wanted(colours);
        SetSysColors(static_cast<int>(elements_.size()), elements_.data(), wanted.data());
    }
    ~SystemColours() {
        SetSysColors(static_cast<int>(elements_.size()), elements_.data(), saved_.data());
    }
    SystemColours(const SystemColours&) = delete;
    SystemColours& operator=(const SystemColours&) = delete;

private:
    std::vector<int> elements_;
    std::vector<COLORREF> saved_;
};

// A dictionary whose definitions link to terms and addresses, some of them forbidden.
inline void writeLinkedDictionary(const std::string& path) {
    using namespace fixtures;
    const Rows rows = {
        {integer(1), text(u"Compiler"), text(u"Translates code.")},
        {integer(2), text(u"Links"),
         text(u"See <a href=\"#compiler\">the compiler</a> and <a href=\"#Nowhere\">no term</a>. "
              u"<a href=\"http://example.com/x?a=1&amp;b=2\">Web page</a>, "
              u"<a href=\"mailto:editor@example.com\">Mail the editor</a>.<p>Never: "
              u"<a href=\"file:///C:/windows/notepad.exe\">File link</a>, "
              u"<a href=\"C:\\windows\\notepad.exe\">Program link</a>, "
              u"<a href=\"notepad.exe\">Relative link</a>, "
              u"<a href=\"javascript:alert(1)\">Script link</a>, "
              u"<a href=\"shell:System\">Shell link</a>, "
              u"<a href='http://example.com/\" & notepad.exe'>Quoted link</a>.</p>")},
        {integer(3), text(u"\u6f22\u5b57"),
         text(u"Chinese characters: \u6f22\u5b57, "
              u"\u3072\u3089\u304c\u306a, \ud55c\uae00, "
              u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac, "
              u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439, "
              u"\u0627\u0644\u0639\u0631\u0628\u064a\u0629.")},
    };
    const auto bytes =
        build({}, {{u"id", jet::kLong}, {u"term", jet::kText}, {u"definition", jet::kMemo}}, rows,
              u"Dict");
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// A dictionary with the word forms that dictbuild --forms adds: "dogs" leads to "dog", "axes"
// to "axe" and "axis", "cats" to a term the dictionary does not have.
inline void writeDictionaryWithForms(const std::string& path) {
    using namespace fixtures;
    jet::JetWriter writer;
    const std::size_t dict = writer.addTable(
        u"Dict",
        {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}, {u"definition", jet::kMemo}});
    for (const auto& [term, definition] :
         {std::pair{u"axe", u"A tool for chopping."}, std::pair{u"axis", u"A line of symmetry."},
          std::pair{u"dog", u"A domestic animal."}, std::pair{u"Haus", u"A house."}})
        writer.addRow(dict, {jet::Value(), text(term), text(definition)});
    const std::size_t forms =
        writer.addTable(u"WordForms", {{u"form", jet::kText, 255}, {u"base", jet::kText, 255}});
    for (const auto& [form, base] :
         {std::pair{u"axes", u"axe"}, std::pair{u"axes", u"axis"}, std::pair{u"cats", u"cat"},
          std::pair{u"dogs", u"dog"}, std::pair{u"hauser", u"Haus"}})
        writer.addRow(forms, {text(form), text(base)});
    const auto bytes = writer.finish();
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// The message box the program shows, if any.
inline HWND messageBoxOf(const GlossaryProcess& glossary) {
    struct Search {
        DWORD process;
        HWND found;
    } search{glossary.id(), nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(parameter);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (process == wanted->process && std::string(name) == "#32770" &&
                IsWindowVisible(window))
                wanted->found = window;
            return wanted->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A visible dialog of the program with this caption, or null.
inline HWND dialogOf(const GlossaryProcess& glossary, const std::wstring& caption) {
    HWND found = nullptr;
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", caption.c_str());
         window != nullptr && found == nullptr;
         window = FindWindowExW(nullptr, window, L"#32770", caption.c_str())) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == glossary.id() && IsWindowVisible(window))
            found = window;
    }
    return found;
}

// The text of the message box the program shows, once it is there; the box is then closed.
inline std::string answerBox(GlossaryProcess& glossary) {
    HWND box = nullptr;
    if (!eventually([&] { return (box = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs))
        return std::string();
    const std::string text = windowText(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    eventually([&] { return messageBoxOf(glossary) == nullptr; }, kTimeoutMs);
    return text;
}

// Where the keyboard is instead of the glossary, for a failure's reader.
inline void tellWhereTheKeyboardIs(GlossaryProcess& glossary, const char* what) {
    const HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    char name[128] = {}, focusName[128] = {};
    GetClassNameA(foreground, name, sizeof name);
    const HWND focus = glossary.focus();
    GetClassNameA(focus, focusName, sizeof focusName);
    DWORD exitCode = 0;
    const bool running = glossary.process() != nullptr &&
                         GetExitCodeProcess(glossary.process(), &exitCode) &&
                         exitCode == STILL_ACTIVE;
    std::cerr << what << "; in the foreground: class \"" << name << "\" of process " << process
              << " (the glossary is " << glossary.id() << (running ? ", running" : ", not running")
              << (glossary.valid() ? ", its window found" : ", no window of it found")
              << "), focus " << focus << " of class \"" << focusName << "\"\n";
}

// Started, in the foreground, and the focus where typing goes at first.
inline bool readyForTheKeyboard(GlossaryProcess& glossary) {
    // Asked again while waiting: under load a window that comes up just as another goes may
    // miss the foreground at the first asking.
    if (glossary.valid() && eventually(
                                [&] {
                                    if (glossary.focus() == glossary.control(IDC_SEARCH))
                                        return true;
                                    glossary.activate();
                                    return false;
                                },
                                kTimeoutMs))
        return true;
    tellWhereTheKeyboardIs(glossary, "the search box never got the keyboard");
    return false;
}

// Presses the keys and waits (bounded) until the program shows what they should do: the
// program handles sent messages before pending keyboard input, so nothing else tells when
// the keys have been handled.
template <typename Condition>
inline bool pressUntil(GlossaryProcess& glossary, std::initializer_list<WORD> keys,
                       Condition condition) {
    glossary.press(keys);
    if (eventually(condition, kTimeoutMs))
        return true;
    tellWhereTheKeyboardIs(glossary, "keys unanswered");
    return false;
}

inline auto selects(GlossaryProcess& glossary, int index) {
    return [&glossary, index] { return glossary.selected() == index; };
}

// The focus on control `id` or inside it (the page's window holds the control of the page).
inline auto focusOn(GlossaryProcess& glossary, int id) {
    return [&glossary, id] {
        const HWND focus = glossary.focus(), control = glossary.control(id);
        return focus != nullptr && (focus == control || IsChild(control, focus));
    };
}

// From the search box to the list: past the check box "In definitions", next in the order.
inline bool tabToList(GlossaryProcess& glossary) {
    return pressUntil(glossary, {VK_TAB}, focusOn(glossary, IDC_IN_DEFINITIONS)) &&
           pressUntil(glossary, {VK_TAB}, focusOn(glossary, IDC_TERMS));
}

inline bool contains(const std::wstring& text, const std::wstring& piece) {
    return text.find(piece) != std::wstring::npos;
}

// Position of `piece` as the page view counts: a line break is one character there.
inline int pagePosition(const std::wstring& text, const std::wstring& piece) {
    const std::size_t at = text.find(piece);
    int position = static_cast<int>(at);
    for (std::size_t i = 0; i + 1 < at; ++i)
        position -= text[i] == L'\r' && text[i + 1] == L'\n' ? 1 : 0;
    return position;
}

inline std::wstring captionOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// A control's place in its window's client area.
inline RECT clientRect(HWND window, HWND control) {
    RECT bounds = {};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

// Every control whole inside `client`, none on another, in the designed order: the search box
// above the check box and status line above the list above the list of groups above the logo, the
// page right of the list and above Exit, Exit left of the version label, Dictionaries between the
// logo and Exit, below the page.
inline bool laidOutWithin(HWND window, const RECT& client) {
    const int ids[] = {IDC_SEARCH, IDC_TERMS,   IDC_PAGE,        IDC_EXIT,
                       IDC_LOGO,   IDC_VERSION, IDC_DICTIONARIES};
    RECT at[7];
    for (int i = 0; i < 7; ++i) {
        at[i] = clientRect(window, GetDlgItem(window, ids[i]));
        RECT inside = {};
        if (at[i].right <= at[i].left || at[i].bottom <= at[i].top ||
            !IntersectRect(&inside, &at[i], &client) || !EqualRect(&inside, &at[i]))
            return false;
    }
    // The list of groups and its label between the list and the logo, as wide as the list.
    for (const int id : {IDC_GROUP_LABEL, IDC_GROUP}) {
        const RECT below = clientRect(window, GetDlgItem(window, id));
        if (below.top < at[1].bottom || below.bottom > at[4].top || below.left < at[1].left ||
            below.right > at[1].right)
            return false;
    }
    // The check box "In definitions" and the search's status line between the box and the list.
    for (const int id : {IDC_IN_DEFINITIONS, IDC_SEARCH_STATUS}) {
        const RECT between = clientRect(window, GetDlgItem(window, id));
        if (between.top < at[0].bottom || between.bottom > at[1].top || between.left < at[1].left ||
            between.right > at[1].right)
            return false;
    }
    return at[0].bottom <= at[1].top && at[1].bottom <= at[4].top && at[1].right <= at[2].left &&
           at[2].bottom <= at[3].top && at[3].right <= at[5].left && at[4].right <= at[6].left &&
           at[6].right <= at[3].left && at[2].bottom <= at[6].top;
}

// The screen's density programs started from now on read, for as long as this lives.
class ScreenDensity {
public:
    explicit ScreenDensity(DWORD dpi) {
        saved_ = readValue(HKEY_CURRENT_USER, kDesktop, "LogPixels", &type_);
        setDword(HKEY_CURRENT_USER, kDesktop, "LogPixels", dpi);
    }
    ~ScreenDensity() {
        if (type_ != REG_NONE)
            setValue(HKEY_CURRENT_USER, kDesktop, "LogPixels", type_, saved_.data(),
                     static_cast<DWORD>(saved_.size()));
        else
            deleteValue(HKEY_CURRENT_USER, kDesktop, "LogPixels");
    }
    ScreenDensity(const ScreenDensity&) = delete;
    ScreenDensity& operator=(const ScreenDensity&) = delete;

private:
    static constexpr const char* kDesktop = "Control Panel\\Desktop";
    std::vector<BYTE> saved_;
    DWORD type_ = REG_NONE;
};

// Every control of `dialog` whole inside it, and none on another.
inline bool fitsInside(HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    std::vector<RECT> placed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        // A control hidden (an empty note that gave up its room) takes no place.
        if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) == 0)
            continue;
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

} // namespace glossarytest
