// What the window remembers per user between runs: its placement, the page's zoom, and the
// last term shown with the database it belongs to.
#include "GlossaryWindow.h"
#include "win32/Handles.h"

#include <richedit.h>

#include <algorithm>
#include <cwchar>

namespace {

const wchar_t kKey[] = L"Software\\Technical Glossary";
const wchar_t kPlacement[] = L"Window placement"; // left, top, right, bottom, maximised
const wchar_t kZoom[] = L"Zoom";
const wchar_t kListWidth[] = L"List width"; // twips, so that it keeps its place at any density
const wchar_t kTerm[] = L"Last term";
const wchar_t kTermDatabase[] = L"Last database";
const wchar_t kOpened[] = L"Opened database"; // opened with Ctrl+O or dropped, reopened at start
const wchar_t kRegistration[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary";

std::wstring fullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

bool readValue(HKEY key, const wchar_t* name, DWORD type, void* data, DWORD size) {
    DWORD stored = 0, read = size;
    return RegQueryValueExW(key, name, nullptr, &stored, static_cast<BYTE*>(data), &read) ==
               ERROR_SUCCESS &&
           stored == type && read == size;
}

std::wstring readText(HKEY key, const wchar_t* name) {
    wchar_t text[1024] = {};
    DWORD type = 0, size = sizeof text - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return std::wstring(text, size / sizeof(wchar_t)).c_str();
}

void writeText(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

win32::Key openSettings() {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return win32::Key();
    return key;
}

// The folder the product is registered in, without a trailing backslash; empty when it is not.
std::wstring registeredFolder() {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRegistration, 0, KEY_QUERY_VALUE, key.receive()) !=
        ERROR_SUCCESS)
        return std::wstring();
    std::wstring folder = fullPath(readText(key.get(), L"InstallLocation"));
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

std::wstring programFolder() {
    wchar_t program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder(program, length > 0 && length < MAX_PATH ? length : 0);
    folder.resize(folder.find_last_of(L'\\') == std::wstring::npos ? 0
                                                                   : folder.find_last_of(L'\\'));
    return fullPath(folder);
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

GlossaryWindow::Remembered GlossaryWindow::rememberedAtStart() {
    Remembered remembered;
    const win32::Key key = openSettings();
    remembered.settingsExisted = static_cast<bool>(key);
    const std::wstring registered = registeredFolder();
    remembered.installed =
        !registered.empty() && _wcsicmp(registered.c_str(), programFolder().c_str()) == 0;
    // The database opened last, while it is there.
    const std::wstring opened = key ? readText(key.get(), kOpened) : std::wstring();
    if (!opened.empty() && isFile(opened))
        remembered.database = opened;
    return remembered;
}

void GlossaryWindow::restoreSettings(int show) {
    const win32::Key key = openSettings();
    LONG stored[5] = {};
    if (key && readValue(key.get(), kPlacement, REG_BINARY, stored, sizeof stored)) {
        // Only where a screen shows its caption and no smaller than designed: a screen may
        // have gone, or the density changed, since.
        const RECT frame = {stored[0], stored[1], stored[2], stored[3]};
        MINMAXINFO limits = {};
        SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        const RECT caption = {frame.left + 8, frame.top, frame.right - 8,
                              frame.top + GetSystemMetrics(SM_CYCAPTION)};
        MONITORINFO screen = {};
        screen.cbSize = sizeof screen;
        RECT visible = {};
        const HMONITOR monitor = MonitorFromRect(&caption, MONITOR_DEFAULTTONULL);
        if (frame.right - frame.left >= limits.ptMinTrackSize.x &&
            frame.bottom - frame.top >= limits.ptMinTrackSize.y && monitor != nullptr &&
            GetMonitorInfoW(monitor, &screen) &&
            IntersectRect(&visible, &caption, &screen.rcWork)) {
            WINDOWPLACEMENT placement = {};
            placement.length = sizeof placement;
            GetWindowPlacement(window_, &placement);
            placement.rcNormalPosition = frame;
            placement.showCmd = SW_HIDE;
            SetWindowPlacement(window_, &placement);
            if (stored[4] != 0 && (show == SW_SHOWNORMAL || show == SW_SHOWDEFAULT))
                show = SW_SHOWMAXIMIZED;
        }
    }
    DWORD zoom = 0;
    if (key && readValue(key.get(), kZoom, REG_DWORD, &zoom, sizeof zoom) && zoom >= 50 &&
        zoom <= 400) {
        pageView_.setZoom(static_cast<int>(zoom));
    }
    DWORD listWidth = 0;
    if (key && readValue(key.get(), kListWidth, REG_DWORD, &listWidth, sizeof listWidth) &&
        listWidth <= 100000) {
        // Kept whole, as it was set in a window maybe larger (maximised) than this one is yet.
        splitter_.restore(static_cast<int>(listWidth) - designedListWidth());
        RECT client = {};
        GetClientRect(window_, &client);
        layout(client.right, client.bottom);
    }
    ShowWindow(window_, show);
}

std::u16string GlossaryWindow::rememberedTerm() const {
    // Only for the database it was shown from.
    const win32::Key key = openSettings();
    if (!key ||
        _wcsicmp(readText(key.get(), kTermDatabase).c_str(), fullPath(databasePath()).c_str()) != 0)
        return std::u16string();
    const std::wstring term = readText(key.get(), kTerm);
    return std::u16string(term.begin(), term.end());
}

bool GlossaryWindow::mayKeepSettings() const {
    // Nothing of the product comes back after it was removed while the window was open: an
    // installed copy writes only while the product is still registered where it runs from, and
    // settings that were there at the start and are gone now were removed on purpose.
    if (remembered_.installed && _wcsicmp(registeredFolder().c_str(), programFolder().c_str()) != 0)
        return false;
    return !remembered_.settingsExisted || openSettings();
}

void GlossaryWindow::saveSettings() const {
    if (!mayKeepSettings())
        return;
    win32::Key key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS)
        return;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window_, &placement)) {
        const RECT& frame = placement.rcNormalPosition;
        const LONG stored[5] = {frame.left, frame.top, frame.right, frame.bottom,
                                IsZoomed(window_) ? 1 : 0};
        RegSetValueExW(key.get(), kPlacement, 0, REG_BINARY, reinterpret_cast<const BYTE*>(stored),
                       sizeof stored);
    }
    const DWORD zoom = static_cast<DWORD>(pageView_.zoomPercent());
    RegSetValueExW(key.get(), kZoom, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zoom),
                   sizeof zoom);
    const DWORD listWidth = static_cast<DWORD>(designedListWidth() + splitter_.widening());
    RegSetValueExW(key.get(), kListWidth, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&listWidth),
                   sizeof listWidth);
    // A database the user opened is opened again next time; the default needs no word.
    serverPage_.save();
    databases_.save();
    if (openedByUser_)
        writeText(key.get(), kOpened, fullPath(database_));
    else if (database_.empty())
        RegDeleteValueW(key.get(), kOpened);
    // The term of the page shown last, which a search that found nothing does not change.
    if (shownEntry_ >= glossary_.size())
        return;
    const std::u16string_view term = glossary_.term(shownEntry_);
    writeText(key.get(), kTerm, std::wstring(term.begin(), term.end()));
    writeText(key.get(), kTermDatabase, fullPath(databasePath()));
}
