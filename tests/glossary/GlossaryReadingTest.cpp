// Long pages of real dictionaries as the reader sees them: GCIDE's "set" and "run", and a
// Littré entry with verse, at 96 and 192 dpi and in high contrast. Every line of the page fits
// beside its scroll bar, and the whole page is there. Pictures are left beside the tests for a
// person to look at.
#include "GlossaryWindowFixture.h"

#include "win32/Process.h"

#include <richedit.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>

using namespace glossarytest;

namespace {

std::string dictionaryDirectory() {
    const char* directory = std::getenv("DICTIONARY_DIR");
    return directory == nullptr ? std::string() : directory;
}

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return text;
}

// A dictd dictionary's index lines of `headwords` (in any case) and its headers, beside its data.
bool writeDictdExcerpt(const std::string& folder, const std::string& name,
                       const std::set<std::string>& headwords) {
    const std::string base = dictionaryDirectory() + "/" + name;
    std::istringstream index(readFile(base + ".index"));
    std::string kept;
    std::size_t found = 0;
    for (std::string line; std::getline(index, line);) {
        const std::string headword = line.substr(0, line.find('\t'));
        found += headwords.count(lowered(headword));
        if (headword.rfind("00-database-", 0) == 0 || headwords.count(lowered(headword)) != 0)
            kept += line + "\n";
    }
    writeFile(folder + "\\" + name + ".index", kept);
    return found > 0 && CopyFileA((base + ".dict.dz").c_str(),
                                  (folder + "\\" + name + ".dict.dz").c_str(), FALSE) != 0;
}

// The Littré's records of `headwords` (a 32-bit index: name, NUL, offset, length), with the
// information file that counts them, beside its data.
bool writeLittreExcerpt(const std::string& folder, const std::set<std::string>& headwords) {
    const std::string base = dictionaryDirectory() + "/XMLittre";
    const std::string index = readFile(base + ".idx");
    std::string kept;
    std::size_t count = 0;
    for (std::size_t at = 0; at < index.size();) {
        const std::size_t end = index.find('\0', at);
        if (end == std::string::npos || end + 9 > index.size())
            return false;
        if (headwords.count(index.substr(at, end - at)) != 0) {
            kept += index.substr(at, end + 9 - at);
            ++count;
        }
        at = end + 9;
    }
    std::string info = readFile(base + ".ifo");
    for (const auto& [key, value] : {std::pair<std::string, std::size_t>{"wordcount=", count},
                                     {"idxfilesize=", kept.size()}}) {
        const std::size_t at = info.find(key);
        if (at == std::string::npos)
            return false;
        info.replace(at, info.find('\n', at) - at, key + std::to_string(value));
    }
    writeFile(folder + "\\XMLittre.idx", kept);
    writeFile(folder + "\\XMLittre.ifo", info);
    return count == headwords.size() &&
           CopyFileA((base + ".dict.dz").c_str(), (folder + "\\XMLittre.dict.dz").c_str(), FALSE) !=
               0;
}

class GlossaryReadingTest : public GlossaryWindowTest {
protected:
    void SetUp() override {
        GlossaryWindowTest::SetUp();
        ASSERT_FALSE(dictionaryDirectory().empty())
            << "DICTIONARY_DIR names no dictionaries (scripts/fetch-dictionaries.sh)";
        // FOLDOC's and VERA's "set" above GCIDE's, as in the whole import.
        for (const char* name : {"foldoc", "vera", "gcide"})
            ASSERT_TRUE(writeDictdExcerpt(folder_.path(), name, {"set", "run"})) << name;
        ASSERT_TRUE(writeLittreExcerpt(folder_.path(), {"ROSE"}));
        DeleteFileA(folder_.file("Dict.mdb").c_str());
        const std::string command = win32::quoted(binaryDirectory() + "\\dictbuild.exe") +
                                    " --no-index --dictd foldoc.index foldoc.dict.dz vera.index "
                                    "vera.dict.dz gcide.index gcide.dict.dz XMLittre.ifo Dict.mdb";
        const win32::Process dictbuild =
            win32::startProcess({}, command, win32::StartOptions{folder_.path()});
        DWORD exitCode = 1;
        ASSERT_TRUE(dictbuild && win32::waitForExit(dictbuild.handle.get(), 120000, exitCode) &&
                    exitCode == 0)
            << command << " failed (" << exitCode << ")";
    }
};

struct Look {
    const char* name;
    DWORD dpi;
    bool highContrast;
};
const Look kLooks[] = {{"96dpi", 96, false}, {"192dpi", 192, false}, {"high-contrast", 96, true}};

std::unique_ptr<SystemColours> schemeOf(const Look& look) {
    if (!look.highContrast)
        return nullptr;
    return std::make_unique<SystemColours>(
        std::initializer_list<int>{COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT,
                                   COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_HOTLIGHT},
        std::initializer_list<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0),
                                        RGB(255, 255, 255), RGB(0, 255, 255), RGB(0, 0, 0),
                                        RGB(255, 255, 0)});
}

// The rich edit control that shows the page.
HWND shownPage(const GlossaryProcess& glossary) {
    HWND shown = GetWindow(glossary.page(), GW_CHILD);
    while (shown != nullptr && !IsWindowVisible(shown))
        shown = GetWindow(shown, GW_HWNDNEXT);
    return shown;
}

// Lines of the page's first screens whose text goes on past the control's client area, under
// its scroll bar: where a line's last character (the blank after its last word, or the
// paragraph's end) stands.
int linesPastTheEdge(const GlossaryProcess& glossary) {
    constexpr LRESULT kLinesLooked = 200;
    const HWND shown = shownPage(glossary);
    RECT client = {};
    GetClientRect(shown, &client);
    const LRESULT lines = std::min(SendMessageW(shown, EM_GETLINECOUNT, 0, 0), kLinesLooked);
    int past = 0;
    for (LRESULT line = 0; line + 1 < lines; ++line) {
        const LRESULT start = SendMessageW(shown, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
        const LRESULT next = SendMessageW(shown, EM_LINEINDEX, static_cast<WPARAM>(line + 1), 0);
        POINTL first = {}, last = {};
        if (start < 0 || next <= start + 1 || !glossary.pageCharacterPosition(start, first) ||
            !glossary.pageCharacterPosition(static_cast<long>(next - 1), last) || last.y != first.y)
            continue;
        if (last.x > client.right) {
            ++past;
            ADD_FAILURE() << "line " << line << " ends at " << last.x << ", the page at "
                          << client.right;
        }
    }
    return past;
}

} // namespace

TEST_F(GlossaryReadingTest, LongPagesFitBesideTheirScrollBarAndShowWhole) {
    struct Page {
        const wchar_t* word;
        const wchar_t* last; // words near the page's end
    };
    const Page pages[] = {{L"set", L"Set \\Set\\, n."},
                          {L"run", L"Run \\Run\\, n."},
                          {L"rose", L"Tu ne devrais jamais marcher"}};
    for (const Look& look : kLooks) {
        SCOPED_TRACE(look.name);
        deleteValue(HKEY_CURRENT_USER, kSettings, "Window placement"); // the designed size
        const ScreenDensity density(look.dpi);
        const auto scheme = schemeOf(look);
        GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
        ASSERT_TRUE(readyForTheKeyboard(glossary));
        for (const bool large : {false, true}) {
            if (large) {
                // The page shown wraps again to the room it is given.
                glossary.setSearch(L"set");
                ASSERT_TRUE(eventually(
                    [&] { return contains(glossary.pageText(), L"Set \\Set\\, n."); }, kTimeoutMs));
                SetWindowPos(glossary.window(), nullptr, 0, 0, 1240, 980,
                             SWP_NOZORDER | SWP_NOACTIVATE);
                EXPECT_EQ(linesPastTheEdge(glossary), 0) << "widened";
                glossary.saveScreenshot(binaryDirectory() + "\\reading-set-widened-" + look.name +
                                        ".bmp");
            }
            for (const Page& page : pages) {
                const std::string name = std::string(page.word, page.word + wcslen(page.word)) +
                                         (large ? "-large-" : "-") + look.name;
                SCOPED_TRACE(name);
                glossary.setSearch(page.word);
                ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), page.last); },
                                       kTimeoutMs));
                EXPECT_EQ(linesPastTheEdge(glossary), 0);
                glossary.saveScreenshot(binaryDirectory() + "\\reading-" + name + ".bmp");
                const HWND shown = shownPage(glossary);
                SendMessageW(shown, WM_VSCROLL, SB_PAGEDOWN, 0);
                SendMessageW(shown, WM_VSCROLL, SB_PAGEDOWN, 0);
                glossary.saveScreenshot(binaryDirectory() + "\\reading-" + name + "-down.bmp");
            }
        }
        glossary.clickExit();
        DWORD code = 0;
        ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, code));
    }
}
