// Loaded into a program by a test's WH_CALLWNDPROC hook: records which of its windows were sent
// a colour change, a font or a piece of a page's text, whoever sent it, in the memory the test
// made.
#include "SentMessages.h"

#include <richedit.h>

namespace {

sentmessages::Record* record() {
    // Opened once, in the program's process, and kept: the test outlives the program's use.
    static sentmessages::Record* const shared = [] {
        const HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, sentmessages::kMappingName);
        return mapping == nullptr
                   ? nullptr
                   : static_cast<sentmessages::Record*>(MapViewOfFile(
                         mapping, FILE_MAP_WRITE, 0, 0, sizeof(sentmessages::Record)));
    }();
    return shared;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    watchSentMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent != nullptr &&
        (sent->message == WM_SYSCOLORCHANGE || sent->message == WM_SETFONT ||
         sent->message == EM_SETTEXTEX)) {
        if (sentmessages::Record* const shared = record()) {
            const LONG at = InterlockedIncrement(&shared->count) - 1;
            if (at < sentmessages::kCapacity)
                shared->sent[at] = {sent->message, reinterpret_cast<std::uintptr_t>(sent->hwnd)};
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
