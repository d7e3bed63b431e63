// A look-up from another program, under Wine: from the second of two copies of a word (Ctrl+C
// pressed twice) to its page in the glossary's popup, on the database given (the nine
// dictionaries in bash scripts/bench.sh), once every term is read: the first look-up of the
// program and its first that finds nothing apart, then 20 more over the words given or a set
// of its own.
#include "../../glossary/window/Ids.h"
#include "glossary/GlossaryProcess.h"
#include "glossary/PopupDriver.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 120000;
constexpr std::size_t kLookUps = 20;

double since(LARGE_INTEGER from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

std::wstring textOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// Milliseconds from the second copy of `word` to the popup named after it with its page in
// (the name changes once the page's first screen is in); negative when it never came.
double lookUp(const GlossaryProcess& glossary, const std::wstring& word) {
    using namespace popupdriver;
    if (!copyText(word, kTimeoutMs) || !taken(glossary.window(), kTimeoutMs))
        return -1;
    const std::wstring named = L": " + word + L".";
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!copyText(word, kTimeoutMs))
        return -1;
    for (double elapsed = 0; elapsed < kTimeoutMs; elapsed = since(start)) {
        const HWND popup = popupOf(glossary.id());
        if (popup != nullptr && IsWindowVisible(popup) &&
            textOf(popup).find(named) != std::wstring::npos) {
            // Answered once the glossary's thread is done with the page.
            taken(popup, kTimeoutMs);
            return since(start);
        }
        Sleep(1);
    }
    return -1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: popup_bench <database> [word...]\n");
        return 2;
    }
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder = program;
    folder.resize(folder.find_last_of(L'\\'));
    const std::wstring database = argv[1];
    std::vector<std::wstring> words(argv + 2, argv + argc);
    if (words.empty())
        words = {L"compiler", L"recursion", L"zymurgy", L"hitchhikes", L"Haus",
                 L"maison",   L"lambda",    L"dogs",    L"Kampfstoff", L"the"};
    const std::string narrow(folder.begin(), folder.end());
    const std::string glossaryExe = narrow + "\\glossary.exe";
    const std::string named(database.begin(), database.end());
    GlossaryProcess glossary(glossaryExe, narrow, kTimeoutMs, "\"" + named + "\"");
    if (!glossary.valid() || !eventually([&] { return glossary.itemCount() > 0; }, kTimeoutMs)) {
        std::fprintf(stderr, "the glossary did not show the database's terms\n");
        return 1;
    }
    // The note that the terms are being read goes once they are all in.
    if (!eventually([&] { return textOf(glossary.control(IDC_SEARCH_STATUS)).empty(); },
                    kTimeoutMs)) {
        std::fprintf(stderr, "the glossary did not read all its terms\n");
        return 1;
    }
    const auto timed = [&](const std::wstring& word) {
        const double milliseconds = lookUp(glossary, word);
        if (milliseconds < 0)
            std::fprintf(stderr, "no popup for %ls\n", word.c_str());
        return milliseconds;
    };
    const double first = timed(words.front());
    const double firstInVain = timed(L"qzxvwq");
    std::vector<double> times;
    for (std::size_t i = 0; i < kLookUps; ++i)
        times.push_back(timed(words[i % words.size()]));
    if (first < 0 || firstInVain < 0 || *std::min_element(times.begin(), times.end()) < 0)
        return 1;
    std::printf("  look-up from another program (copied twice, to the popup's page drawn):\n");
    std::printf("    first of the program (%ls): %.1f ms; first that finds nothing: %.1f ms\n",
                words.front().c_str(), first, firstInVain);
    std::sort(times.begin(), times.end());
    std::printf("    %zu more over %zu words: median %.1f ms, worst %.1f ms\n", times.size(),
                words.size(), times[times.size() / 2], times.back());
    glossary.clickExit();
    return 0;
}
