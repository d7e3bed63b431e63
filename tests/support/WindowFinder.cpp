#include "WindowFinder.h"

namespace testsupport {

namespace {

struct Search {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) &&
        windowText(window) == *search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::string windowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND waitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        Search search{processId, &caption, nullptr};
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

bool waitForExit(HANDLE process, DWORD timeoutMs, DWORD& exitCode) {
    exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(process, &exitCode) != FALSE;
}

} // namespace testsupport
