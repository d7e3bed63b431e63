#include "RunningGlossary.h"

#include <cwctype>
#include <vector>

namespace {

const wchar_t kClassName[] = L"TechnicalGlossary"; // the main window's class
constexpr ULONG_PTR kHandOver = 0x47535431;        // "GST1": a start's database and word
constexpr std::size_t kMostCharacters = 32768;     // more is no path and no word to look up

std::wstring programPath(DWORD process) {
    std::wstring path(MAX_PATH * 2, L'\0');
    win32::Handle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    DWORD size = static_cast<DWORD>(path.size());
    if (!handle || !QueryFullProcessImageNameW(handle.get(), 0, &path[0], &size))
        return std::wstring();
    path.resize(size);
    for (wchar_t& c : path)
        c = static_cast<wchar_t>(std::towlower(c));
    return path;
}

// The name of this program's mark: one per program file, so that another copy of the product
// (another folder) keeps its own window.
std::wstring markName() {
    const std::wstring path = programPath(GetCurrentProcessId());
    unsigned long long hash = 14695981039346656037ull; // FNV-1a
    for (const wchar_t c : path) {
        hash ^= static_cast<unsigned long long>(c);
        hash *= 1099511628211ull;
    }
    wchar_t name[64] = {};
    swprintf(name, 64, L"Local\\TechnicalGlossary-%016llx", hash);
    return name;
}

struct Search {
    std::wstring program;
    HWND found = nullptr;
};

BOOL CALLBACK consider(HWND window, LPARAM lParam) {
    auto& search = *reinterpret_cast<Search*>(lParam);
    wchar_t name[64] = {};
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (GetClassNameW(window, name, 64) == 0 || wcscmp(name, kClassName) != 0 ||
        process == GetCurrentProcessId() || programPath(process) != search.program)
        return TRUE;
    search.found = window;
    return FALSE;
}

} // namespace

RunningGlossary::RunningGlossary() : mark_(CreateMutexW(nullptr, FALSE, markName().c_str())) {
    another_ = mark_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

bool RunningGlossary::handOver(const StartArguments& start) const {
    if (!another_)
        return false;
    // The other start may still be making its window: a few seconds for it to appear.
    Search search{programPath(GetCurrentProcessId()), nullptr};
    for (int tries = 0; tries < 50 && search.found == nullptr; ++tries) {
        EnumWindows(consider, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr)
            Sleep(100);
    }
    if (search.found == nullptr)
        return false;
    std::wstring data = start.database + L'\0' + start.word + L'\0';
    COPYDATASTRUCT copy = {};
    copy.dwData = kHandOver;
    copy.cbData = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    copy.lpData = &data[0];
    // The user started this program, so it may let the running one come to the front.
    DWORD process = 0;
    GetWindowThreadProcessId(search.found, &process);
    AllowSetForegroundWindow(process);
    DWORD_PTR taken = 0;
    // A window still reading a large database answers once it has; one that never does is
    // left, and this start opens its own.
    return SendMessageTimeoutW(search.found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                               SMTO_NORMAL, 30000, &taken) != 0 &&
           taken == TRUE;
}

bool RunningGlossary::received(const COPYDATASTRUCT& data, StartArguments& start) {
    if (data.dwData != kHandOver || data.lpData == nullptr || data.cbData % sizeof(wchar_t) != 0 ||
        data.cbData / sizeof(wchar_t) > kMostCharacters)
        return false;
    const auto* text = static_cast<const wchar_t*>(data.lpData);
    const std::wstring all(text, data.cbData / sizeof(wchar_t));
    // The database, then the word, each ended by a null.
    const std::size_t first = all.find(L'\0');
    if (first == std::wstring::npos || all.find(L'\0', first + 1) != all.size() - 1)
        return false;
    start.database = all.substr(0, first);
    start.word = all.substr(first + 1, all.size() - first - 2);
    start.newWindow = false;
    return true;
}
