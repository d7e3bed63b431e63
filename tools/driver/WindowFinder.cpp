#include "WindowFinder.h"

#include "win32/Handles.h"

namespace driver {

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

std::string longPath(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), full, sizeof full);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

std::string imageOfWindow(HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    const win32::Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner));
    char path[MAX_PATH * 2] = {};
    DWORD length = sizeof path;
    if (!process || !QueryFullProcessImageNameA(process.get(), 0, path, &length))
        return std::string();
    return longPath(std::string(path, length));
}

bool liesUnder(const std::string& image, const std::string& prefix) {
    return image.size() > prefix.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, image.c_str(),
                          static_cast<int>(prefix.size()), prefix.c_str(),
                          static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

std::string folderPrefix(const std::string& directory) {
    std::string prefix = longPath(directory);
    if (prefix.empty() || prefix.back() != '\\')
        prefix += '\\';
    return prefix;
}

struct DialogSearch {
    std::string directory; // long form, ends with a backslash
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || windowText(window) != *search->caption)
        return TRUE;
    if (liesUnder(imageOfWindow(window), search->directory)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct VisibleSearch {
    std::string directory;
    std::vector<std::string> found;
};

BOOL CALLBACK matchVisible(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<VisibleSearch*>(parameter);
    if (IsWindowVisible(window) && liesUnder(imageOfWindow(window), search->directory)) {
        std::string name = windowText(window);
        if (name.empty()) {
            char className[64] = {};
            GetClassNameA(window, className, sizeof className);
            name = className;
        }
        search->found.push_back(name);
    }
    return TRUE;
}

} // namespace

HWND findDialogOfProgramIn(const std::string& directory, const std::string& caption) {
    DialogSearch search{folderPrefix(directory), &caption, nullptr};
    EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::string> visibleWindowsOfProgramsIn(const std::string& directory) {
    VisibleSearch search{folderPrefix(directory), {}};
    EnumWindows(matchVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

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

} // namespace driver
