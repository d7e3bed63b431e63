// glossary.exe with a Dict.mdb of 100,000 and of 1,000,000 terms, under Wine: the time from
// start to the first term shown, from a changed search text to the updated page (200
// keystrokes), and the program's peak working set. On a database given, also its largest
// pages (or those of the words after --pages) and its searches by wildcards and in definitions, and
// with a word given that is only a form of a term, the keystroke that completes it (the first one
// reads the database's word forms). Once more with a million terms written with an accent ("Térm"),
// where every keystroke
// ("term 9876") finds its term only ignoring accents. On a database given, the typing goal's
// figures on one line: a key's median and worst, the largest pages drawn, a key during a change.
#include "glossary/GlossaryProcess.h"
#include "glossary/LargeDictionary.h"
#include "support/WinTestSupport.h"

#include "../../glossary/window/Ids.h"

#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kKeystrokes = 200;
constexpr DWORD kTimeoutMs = 120000;

const std::u16string kPlain = u"Term ", kAccented = u"T\u00E9rm ";

double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// A figure taken a few times: one time alone says little on a loaded machine.
class Spread {
public:
    void add(double milliseconds) { times_.push_back(milliseconds); }
    void add(const Spread& other) {
        times_.insert(times_.end(), other.times_.begin(), other.times_.end());
    }
    std::string text() {
        std::sort(times_.begin(), times_.end());
        char line[64];
        std::snprintf(line, sizeof line, "%.1f/%.1f", times_[times_.size() / 2], times_.back());
        return line;
    }

private:
    std::vector<double> times_;
};

template <typename Step> double timed(Step step) {
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    step();
    QueryPerformanceCounter(&after);
    return milliseconds(before, after);
}

constexpr int kPageRuns = 7;

// The words whose pages are measured: the largest of the nine dictionaries, unless given.
std::vector<std::wstring> pageWords = {L"set", L"take", L"run", L"head"};

// The control that shows the page in the page's window: the topmost one shown.
HWND shownControl(HWND view) {
    for (HWND control = GetWindow(view, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        if (IsWindowVisible(control))
            return control;
    }
    return nullptr;
}

// Sets the search text and returns once its page is drawn: each page has a control of its own
// in the page's window, shown when its first screen is in, after the one before is hidden,
// and then drawn.
void showPage(GlossaryProcess& glossary, const wchar_t* word) {
    const HWND view = glossary.control(IDC_PAGE);
    const HWND before = shownControl(view);
    glossary.setSearch(word);
    for (const DWORD start = GetTickCount(); GetTickCount() - start < kTimeoutMs; Sleep(1)) {
        const HWND page = shownControl(view);
        if (page != nullptr && page != before && !GetUpdateRect(page, nullptr, FALSE))
            break;
    }
}

// The largest pages of the dictionaries, median and worst of kPageRuns: from the search text set
// (the selection) to the page drawn, after a short page and after another large one; to the
// whole page in its control (the rest of a long page goes in while the window is idle); and a
// keystroke that comes while a page changes. All of them to `drawn` and `keys` too.
void measurePages(GlossaryProcess& glossary, Spread& drawn, Spread& keys, Spread& idleKeys) {
    const std::size_t count = pageWords.size();
    for (std::size_t w = 0; w < count; ++w) {
        const wchar_t* const word = pageWords[w].c_str();
        const wchar_t* const before = pageWords[(w + 1) % count].c_str();
        Spread afterShort, afterLarge, whole, key;
        DWORD_PTR length = 0;
        for (int run = 0; run < kPageRuns; ++run) {
            showPage(glossary, L"");
            afterShort.add(timed([&] { showPage(glossary, word); }));
            showPage(glossary, before);
            afterLarge.add(timed([&] { showPage(glossary, word); }));
            // Until the whole page is in: a reader of its text gets it whole.
            showPage(glossary, L"");
            whole.add(timed([&] {
                glossary.setSearch(word);
                SendMessageTimeoutW(glossary.control(IDC_PAGE), WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL,
                                    kTimeoutMs, &length);
            }));
            // A key typed 5, 15, 25 and 35 ms into the same page change.
            for (DWORD into = 5; into <= 35; into += 10) {
                showPage(glossary, L"");
                std::thread change([&] { showPage(glossary, word); });
                Sleep(into);
                // A key that changes nothing else (End in the search box): its time is the wait.
                key.add(timed([&] {
                    DWORD_PTR ignored = 0;
                    SendMessageTimeoutW(glossary.control(IDC_SEARCH), WM_KEYDOWN, VK_END, 1,
                                        SMTO_NORMAL, kTimeoutMs, &ignored);
                }));
                change.join();
            }
            // The same key with no page changing: what the machine's load alone costs a key.
            showPage(glossary, L"");
            Sleep(100);
            idleKeys.add(timed([&] {
                DWORD_PTR ignored = 0;
                SendMessageTimeoutW(glossary.control(IDC_SEARCH), WM_KEYDOWN, VK_END, 1,
                                    SMTO_NORMAL, kTimeoutMs, &ignored);
            }));
        }
        std::printf("  \"%ls\" (%lu characters), median/worst of %d: selection to page drawn "
                    "%s ms (after \"%ls\" %s ms), to the whole page in %s ms, a key 5 to 35 ms "
                    "into the change %s ms\n",
                    word, static_cast<unsigned long>(length), kPageRuns, afterShort.text().c_str(),
                    before, afterLarge.text().c_str(), whole.text().c_str(), key.text().c_str());
        drawn.add(afterShort);
        drawn.add(afterLarge);
        keys.add(key);
    }
}

// Words typed a key at a time from an empty search box, as a reader types them, each key
// finding a term with a large page: the time each key takes to be answered, and from the last
// key to its term's page drawn.
void measureTyping(GlossaryProcess& glossary) {
    const HWND view = glossary.control(IDC_PAGE);
    for (const wchar_t* word : {L"sets", L"run", L"takes"}) {
        Spread keys, page;
        for (int run = 0; run < kPageRuns; ++run) {
            showPage(glossary, L"");
            const std::wstring typed(word);
            HWND beforeLast = nullptr;
            for (std::size_t i = 0; i < typed.size(); ++i) {
                if (i + 1 == typed.size())
                    beforeLast = shownControl(view);
                keys.add(timed([&] { glossary.type(typed.substr(i, 1)); }));
            }
            // Not read through the page's window: a reader of the page gets it at once.
            page.add(timed([&] {
                for (const DWORD start = GetTickCount(); GetTickCount() - start < kTimeoutMs;
                     Sleep(1)) {
                    const HWND shown = shownControl(view);
                    if (shown != nullptr && shown != beforeLast &&
                        !GetUpdateRect(shown, nullptr, FALSE))
                        break;
                }
            }));
        }
        std::printf("  typing \"%ls\", median/worst of %d runs: a key answered %s ms, the last "
                    "key to its page drawn %s ms\n",
                    word, kPageRuns, keys.text().c_str(), page.text().c_str());
    }
}

std::wstring statusOf(const GlossaryProcess& glossary) {
    wchar_t text[128] = {};
    GetWindowTextW(glossary.control(IDC_SEARCH_STATUS), text, 128);
    return text;
}

// The search box's other modes on the database: terms by wildcards (the list filtered when the
// text is set), and words in the definitions (searched in the background: from the text set to
// the list filled, and the wait of a key that comes meanwhile).
void measureSearches(GlossaryProcess& glossary) {
    for (const wchar_t* pattern : {L"run*ing", L"colo?r", L"*ology"}) {
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        glossary.setSearch(pattern);
        QueryPerformanceCounter(&after);
        std::printf("  wildcards %-28ls %8.1f ms, %d terms\n", pattern, milliseconds(before, after),
                    glossary.itemCount());
    }
    glossary.setSearch(L"");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(glossary.control(IDC_IN_DEFINITIONS), BM_CLICK, 0, 0, SMTO_NORMAL,
                        kTimeoutMs, &ignored);
    struct Query {
        const wchar_t* label;
        const wchar_t* words;
    };
    // Typed at once, while the window still reads ahead what searches need, and again.
    const Query queries[] = {{L"rare word at once", L"zymurgy"},
                             {L"common word at once", L"the"},
                             {L"phrase at once", L"\"mutual exclusion\""},
                             {L"rare word", L"zymurgy"},
                             {L"common word", L"the"},
                             {L"three words", L"mutual exclusion lock"},
                             {L"phrase", L"\"mutual exclusion\""}};
    for (const Query& query : queries) {
        glossary.setSearch(L"");
        LARGE_INTEGER before, key, answered;
        QueryPerformanceCounter(&before);
        glossary.setSearch(query.words);
        // A key while the search runs: the window must not wait for it.
        SendMessageTimeoutW(glossary.control(IDC_SEARCH), WM_KEYDOWN, VK_END, 1, SMTO_NORMAL,
                            kTimeoutMs, &ignored);
        QueryPerformanceCounter(&key);
        // Looked at every millisecond: the driver's waits look every 20. The first finds of a
        // long answer are listed before the rest ("Searching...").
        bool done = false;
        LARGE_INTEGER firstListed = {};
        for (const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
             !done && GetTickCount64() < deadline; Sleep(1)) {
            const std::wstring status = statusOf(glossary);
            if (firstListed.QuadPart == 0 && (status == L"Searching\u2026" || !status.empty()))
                QueryPerformanceCounter(&firstListed);
            done = status.find(L"found") != std::wstring::npos;
        }
        QueryPerformanceCounter(&answered);
        std::printf("  in definitions, %-24ls first listed %7.1f ms, all %7.1f ms, a key meanwhile "
                    "%5.1f ms, %ls\n",
                    query.label, milliseconds(before, firstListed), milliseconds(before, answered),
                    milliseconds(before, key), done ? statusOf(glossary).c_str() : L"no answer");
    }
}

// The keystroke that completes a word no term begins with, which the word forms lead to a
// term: the first reads the forms (unless a search found nothing before), the others find
// them read.
void measureWordForm(GlossaryProcess& glossary, const std::wstring& form) {
    std::vector<double> times;
    double first = 0;
    for (int i = 0; i < 51; ++i) {
        glossary.setSearch(L"");
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        glossary.setSearch(form); // one change of the text, as the keystroke that completes it
        QueryPerformanceCounter(&after);
        if (i == 0)
            first = milliseconds(before, after);
        else
            times.push_back(milliseconds(before, after));
    }
    std::sort(times.begin(), times.end());
    const bool found = glossary.pageText().find(L": a form of") != std::wstring::npos;
    std::printf("  keystroke to a word form's term (\"%ls\"): first %.1f ms, then median %.2f ms, "
                "worst %.2f ms%s\n",
                form.c_str(), first, times[times.size() / 2], times.back(),
                found ? "" : " (NOT found as a form)");
}

// One run: start, first term, keystrokes, Exit. False when the program did not do its part.
// `terms` 0: a database of its own, whose first page is whatever it is.
bool run(const std::string& folder, int terms, bool typing, const std::u16string& word = kPlain,
         const std::wstring& keys = L"term 9876", const std::wstring& form = std::wstring(),
         bool details = true) {
    LARGE_INTEGER start, windowShown, firstShown;
    QueryPerformanceCounter(&start);
    GlossaryProcess glossary(testsupport::binaryDirectory() + "\\glossary.exe", folder, kTimeoutMs);
    // Looked for every 20 ms: the figure may be that much late.
    QueryPerformanceCounter(&windowShown);
    const auto shown = [&] {
        const std::wstring page = glossary.pageText();
        const std::wstring first(word.begin(), word.end());
        return terms == 0 ? !page.empty() : page.find(first + L"0:") != std::wstring::npos;
    };
    if (!glossary.valid() || !eventually(shown, kTimeoutMs)) {
        std::printf("glossary.exe did not show its first term\n");
        return false;
    }
    QueryPerformanceCounter(&firstShown);
    // The first term shows before the rest of a large list is read: then the note goes.
    LARGE_INTEGER allListed;
    if (!eventually([&] { return statusOf(glossary).empty(); }, kTimeoutMs)) {
        std::printf("glossary.exe did not read all its terms\n");
        return false;
    }
    QueryPerformanceCounter(&allListed);
    std::printf("glossary.exe with %d terms listed, under Wine\n", glossary.itemCount());
    std::printf("  start to window shown:      %8.1f ms\n", milliseconds(start, windowShown));
    std::printf("  start to first term shown:  %8.1f ms\n", milliseconds(start, firstShown));
    std::printf("  start to every term listed: %8.1f ms\n", milliseconds(start, allListed));

    double keyMedian = 0, keyWorst = 0;
    if (typing) {
        // Typing and erasing, so that every keystroke changes the selection.
        std::vector<double> times;
        struct Slow {
            double milliseconds;
            int number;
            std::wstring text; // the search text the key made
        };
        std::vector<Slow> slowest;
        for (int i = 0; static_cast<int>(times.size()) < kKeystrokes; ++i) {
            const std::size_t typed = glossary.searchText().size();
            const wchar_t key = typed < keys.size() && i % 13 != 12 ? keys[typed] : L'\b';
            LARGE_INTEGER before, after;
            QueryPerformanceCounter(&before);
            glossary.type(std::wstring(1, key));
            QueryPerformanceCounter(&after);
            times.push_back(milliseconds(before, after));
            // The box holds the first letters of `keys`: no more messages between the keys.
            const std::size_t made = key == L'\b' ? (typed > 0 ? typed - 1 : 0) : typed + 1;
            slowest.push_back({times.back(), i + 1, keys.substr(0, made)});
            std::sort(slowest.begin(), slowest.end(),
                      [](const Slow& a, const Slow& b) { return a.milliseconds > b.milliseconds; });
            slowest.resize(std::min<std::size_t>(slowest.size(), 3));
        }
        std::sort(times.begin(), times.end());
        keyMedian = times[times.size() / 2];
        keyWorst = times.back();
        std::printf("  keystroke answered:         median %.2f ms, worst %.2f ms (%d keystrokes)\n",
                    keyMedian, keyWorst, kKeystrokes);
        // Which keys: the first ones after the start meet the work the start leaves behind.
        std::printf("  slowest keystrokes:        ");
        for (const Slow& slow : slowest)
            std::printf(" %.1f ms (key %d, \"%ls\")", slow.milliseconds, slow.number,
                        slow.text.c_str());
        std::printf("\n");
    }
    if (!form.empty())
        measureWordForm(glossary, form);
    if (terms == 0 && details) {
        measureTyping(glossary);
        Spread drawn, duringChange, idleKeys;
        measurePages(glossary, drawn, duringChange, idleKeys);
        // The typing goal's four figures together, each beside its goal.
        std::printf("  typing, against its goal:   a key median %.2f ms (< 10), worst %.1f ms "
                    "(< 100); the largest pages drawn median/worst %s ms (< 100); a key during "
                    "a page change median/worst %s ms (< 20)\n",
                    keyMedian, keyWorst, drawn.text().c_str(), duringChange.text().c_str());
        std::printf("  the same key with no page changing, median/worst %s ms\n",
                    idleKeys.text().c_str());
        measureSearches(glossary);
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(glossary.process(), &memory, sizeof memory))
        std::printf("  peak working set:           %8.1f MB\n",
                    static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    glossary.clickExit();
    DWORD exitCode = 0;
    glossary.waitForExit(kTimeoutMs, exitCode);
    return true;
}

} // namespace

// The databases given shown as one set: the first opened, the others added (as the dialog's
// Add database... remembers them); start to the first term, to every term listed, and typing.
int runSet(int count, char** paths) {
    testsupport::TempDirectory folder("glossary-bench");
    if (!CopyFileA(paths[0], folder.file("Dict.mdb").c_str(), FALSE))
        return 1;
    std::string lines;
    for (int i = 1; i < count; ++i)
        lines += std::string(paths[i]) + '\0';
    lines += '\0';
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Technical Glossary", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    RegSetValueExA(key, "Added databases", 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(lines.data()), static_cast<DWORD>(lines.size()));
    std::printf("%d databases as one set:\n", count);
    const bool measured = run(folder.path(), 0, true, kPlain, L"term 9876", L"", false);
    RegDeleteValueA(key, "Added databases");
    RegCloseKey(key);
    return measured ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--set")
        return runSet(argc - 2, argv + 2);
    // --pages <words, comma between>: the pages measured, the largest of another database.
    if (argc > 3 && std::string(argv[1]) == "--pages") {
        pageWords.clear();
        std::wstring words(MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, nullptr, 0), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, &words[0], static_cast<int>(words.size()));
        words.pop_back();
        for (std::size_t from = 0; from <= words.size();) {
            const std::size_t comma = std::min(words.find(L',', from), words.size());
            pageWords.push_back(words.substr(from, comma - from));
            from = comma + 1;
        }
        argc -= 2;
        argv += 2;
    }
    // A database given: that one, as it is; and a word form, if given.
    if (argc > 1) {
        testsupport::TempDirectory folder("glossary-bench");
        const std::string form = argc > 2 ? argv[2] : "";
        const bool measured = CopyFileA(argv[1], folder.file("Dict.mdb").c_str(), FALSE) &&
                              run(folder.path(), 0, true, kPlain, L"term 9876",
                                  std::wstring(form.begin(), form.end()));
        return measured ? 0 : 1;
    }
    struct Case {
        int terms;
        std::u16string word;
        std::wstring keys;
        const char* says;
    };
    const Case cases[] = {
        {100000, kPlain, L"term 9876", nullptr},
        {1000000, kPlain, L"term 9876", nullptr},
        {1000000, kAccented, L"term 9876",
         "(every term with an accent, typed without: each keystroke searches ignoring accents)"},
        {1000000, kAccented, L"t\u00e9rm 9876",
         "(the same terms typed with their accent: the exact search, for comparison)"}};
    for (const Case& one : cases) {
        testsupport::TempDirectory folder("glossary-bench");
        if (!writeLargeDictionary(folder.file("Dict.mdb"), one.terms, one.word)) {
            std::printf("cannot write the dictionary\n");
            return 1;
        }
        if (one.says != nullptr)
            std::printf("%s\n", one.says);
        if (!run(folder.path(), one.terms, true, one.word, one.keys))
            return 1;
    }
    return 0;
}
