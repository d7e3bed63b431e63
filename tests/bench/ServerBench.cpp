// A look-up through a DICT server, under Wine: from the search text set to the page's local part
// drawn (with its note that the server is asked) and to the server's part drawn, for each word
// given, on the database given, with the server DICT_SERVER names (tests/dict/with_dictd.py
// starts Debian's dictd over devil and elements). Each word is asked once: the glossary keeps a
// server's answers for the session.
#include "glossary/GlossaryProcess.h"
#include "win32/Handles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 60000;
const wchar_t kServersKey[] = L"Software\\Technical Glossary\\DICT servers";

double since(const LARGE_INTEGER& from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

bool rememberServer(const std::wstring& address) {
    const std::wstring lines = L"@" + address + L'\0' + L'\0';
    win32::Key key;
    return RegCreateKeyExW(HKEY_CURRENT_USER, kServersKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                           key.receive(), nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), L"Servers", 0, REG_MULTI_SZ,
                          reinterpret_cast<const BYTE*>(lines.data()),
                          static_cast<DWORD>(lines.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool has(const std::wstring& text, const std::wstring& piece) {
    return text.find(piece) != std::wstring::npos;
}

struct Times {
    std::vector<double> local, server;
    static void print(const char* what, std::vector<double> times) {
        std::sort(times.begin(), times.end());
        std::printf("  %-44s median %6.1f ms, worst %6.1f ms\n", what, times[times.size() / 2],
                    times.back());
    }
};

// Sets the search text to `word` and times its page's two parts: the local one (the page
// changed, with its note that the server is asked) and the server's definitions under their
// heading, which replace the note. The server is asked about the term the list shows for the
// word: words of the server's that the database has as terms. False when either never came.
bool lookUp(GlossaryProcess& glossary, const std::wstring& word, const std::wstring& heading,
            Times& times) {
    glossary.setSearch(L"");
    const std::wstring before = glossary.pageText();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    glossary.setSearch(word);
    bool local = false;
    for (double elapsed = since(start); elapsed < kTimeoutMs; elapsed = since(start)) {
        const std::wstring page = glossary.pageText();
        if (!local && page != before) {
            times.local.push_back(elapsed);
            local = true;
        }
        if (local && has(page, heading) && !has(page, L"Waiting for ")) {
            times.server.push_back(elapsed);
            return true;
        }
        Sleep(1);
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const char* server = std::getenv("DICT_SERVER");
    if (argc < 3 || server == nullptr) {
        std::fprintf(stderr, "usage: DICT_SERVER=host:port server_bench <database> <word>...\n");
        return 2;
    }
    const std::wstring address(server, server + std::char_traits<char>::length(server));
    if (!rememberServer(address)) {
        std::fprintf(stderr, "cannot remember the server in the glossary's settings\n");
        return 1;
    }
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder = program;
    folder.resize(folder.find_last_of(L'\\'));
    const std::string narrow(folder.begin(), folder.end());
    const std::wstring database = argv[1];
    GlossaryProcess glossary(narrow + "\\glossary.exe", narrow, kTimeoutMs,
                             "\"" + std::string(database.begin(), database.end()) + "\"");
    if (!glossary.valid() ||
        !driver::eventually([&] { return glossary.itemCount() > 0; }, kTimeoutMs)) {
        std::fprintf(stderr, "the glossary did not show the database's terms\n");
        return 1;
    }
    Times times;
    for (int i = 2; i < argc; ++i) {
        if (!lookUp(glossary, argv[i], L"devil (" + address + L")", times)) {
            std::fprintf(stderr, "the page of %ls never showed the server's part: %ls\n", argv[i],
                         glossary.pageText().substr(0, 300).c_str());
            RegDeleteTreeW(HKEY_CURRENT_USER, kServersKey);
            return 1;
        }
    }
    std::printf("  %d words, each asked once (dictd on this machine):\n", argc - 2);
    Times::print("key to the local part drawn:", times.local);
    Times::print("key to the DICT server's part drawn:", times.server);
    glossary.clickExit();
    DWORD code = 0;
    glossary.waitForExit(kTimeoutMs, code);
    RegDeleteTreeW(HKEY_CURRENT_USER, kServersKey);
    return 0;
}
