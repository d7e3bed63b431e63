#include "PopupDriver.h"

#include "driver/DialogDriver.h"

#include <cstring>
#include <cwchar>
#include <iterator>

namespace popupdriver {

bool copy(UINT format, const void* data, std::size_t size, DWORD timeoutMs) {
    // The glossary reads it after each copy: held meanwhile, as programs that copy find it.
    if (!driver::eventually([] { return OpenClipboard(nullptr) != FALSE; }, timeoutMs))
        return false;
    EmptyClipboard();
    bool put = true;
    if (data != nullptr) {
        const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
        put = memory != nullptr;
        if (put) {
            std::memcpy(GlobalLock(memory), data, size);
            GlobalUnlock(memory);
            put = SetClipboardData(format, memory) != nullptr;
            if (!put)
                GlobalFree(memory);
        }
    }
    CloseClipboard();
    return put;
}

bool copyText(const std::wstring& text, DWORD timeoutMs) {
    return copy(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t), timeoutMs);
}

bool taken(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

namespace {

// The window of class `name` that the process `process` made, shown or not.
HWND windowOf(DWORD process, const char* name) {
    struct Search {
        DWORD process;
        const char* name;
        HWND found;
    } search{process, name, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char className[64] = {};
            GetClassNameA(window, className, sizeof className);
            if (owner == wanted->process && std::strcmp(className, wanted->name) == 0)
                wanted->found = window;
            return wanted->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

long copiesRead(DWORD process) {
    const HWND listener = windowOf(process, "TechnicalGlossaryClipboard");
    if (listener == nullptr)
        return -1;
    wchar_t count[32] = {};
    GetWindowTextW(listener, count, 32);
    return std::wcstol(count, nullptr, 10);
}

HWND popupOf(DWORD process) {
    return windowOf(process, "TechnicalGlossaryLookup");
}

std::wstring textOf(HWND window, DWORD timeoutMs) {
    wchar_t text[4096] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, timeoutMs, &copied))
        return std::wstring();
    return std::wstring(text, copied);
}

} // namespace popupdriver
