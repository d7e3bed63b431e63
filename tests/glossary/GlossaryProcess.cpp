#include "GlossaryProcess.h"

#include "driver/ScreenCapture.h"
#include "support/WinTestSupport.h"
#include "win32/Process.h"

#include "../../glossary/window/Ids.h"

#include <commctrl.h>
#include <richedit.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <vector>

namespace {

constexpr DWORD kMessageTimeoutMs = 10000;

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchGlossary(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == search->processId && IsWindowVisible(window) &&
        std::wstring(name) == L"TechnicalGlossary") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kMessageTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

// Memory in the other process, for messages whose data the system does not carry across.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    void* address() const { return address_; }

private:
    HANDLE process_;
    void* address_;
};

} // namespace

GlossaryProcess::GlossaryProcess(const std::string& program, const std::string& directory,
                                 DWORD timeoutMs, const std::string& arguments) {
    win32::Process started =
        win32::startProcess({}, win32::quoted(program) + (arguments.empty() ? "" : " " + arguments),
                            win32::StartOptions{directory});
    if (!started)
        return;
    process_ = std::move(started.handle);
    processId_ = started.id;
    eventually(
        [&] {
            Search search{processId_, nullptr};
            EnumWindows(matchGlossary, reinterpret_cast<LPARAM>(&search));
            window_ = search.found;
            return window_ != nullptr;
        },
        timeoutMs);
}

GlossaryProcess::~GlossaryProcess() {
    // Gone before the next test starts its own: a window that is activated while the last
    // active one's process is still dying can wait on it.
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 10000);
    }
}

void GlossaryProcess::type(const std::wstring& text) {
    for (wchar_t c : text)
        send(control(IDC_SEARCH), WM_CHAR, c, 1);
}

void GlossaryProcess::setSearch(const std::wstring& text) {
    send(control(IDC_SEARCH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void GlossaryProcess::clickListItem(int index) {
    const HWND list = control(IDC_TERMS);
    send(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    const int top = static_cast<int>(send(list, LB_GETTOPINDEX, 0, 0));
    const int height = static_cast<int>(send(list, LB_GETITEMHEIGHT, 0, 0));
    const LPARAM point = MAKELPARAM(10, (index - top) * height + height / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
}

void GlossaryProcess::clickLogo() {
    PostMessageW(control(IDC_LOGO), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(control(IDC_LOGO), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

void GlossaryProcess::clickExit() {
    PostMessageW(control(IDC_EXIT), BM_CLICK, 0, 0);
}

bool GlossaryProcess::dropFile(const std::wstring& path) {
    // The drop's block in the program's memory: a DROPFILES header, the name, two NULs.
    // Memory given in place of a global handle is what fixed global memory is.
    std::vector<char> block(sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t), '\0');
    auto* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::copy(path.begin(), path.end(), reinterpret_cast<wchar_t*>(header + 1));
    const RemoteMemory remote(process_.get(), block.size());
    if (remote.address() == nullptr ||
        !WriteProcessMemory(process_.get(), remote.address(), block.data(), block.size(), nullptr))
        return false;
    send(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(remote.address()), 0);
    return true;
}

void GlossaryProcess::press(std::initializer_list<WORD> chord, HWND to) {
    // Keys go to the window in the foreground; tests running beside this one may have taken it.
    // A dialog of the program's own keeps it, unless the keys are for a window named.
    const HWND target = to != nullptr ? to : window_;
    if (to != nullptr) {
        if (GetForegroundWindow() != to) {
            SetForegroundWindow(to);
            send(to, WM_NULL, 0, 0);
            eventually([&] { return GetForegroundWindow() == to; }, 2000);
        }
    } else {
        DWORD foreground = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &foreground);
        if (foreground != processId_) {
            activate();
            eventually([&] { return GetForegroundWindow() == window_; }, 2000);
        }
    }
    std::vector<INPUT> inputs;
    for (const WORD key : chord) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = chord.end(); key != chord.begin();) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    // A sent message is handled only after the input before it.
    send(target, WM_NULL, 0, 0);
    Sleep(50);
    send(target, WM_NULL, 0, 0);
}

void GlossaryProcess::activate() {
    SetForegroundWindow(window_);
    send(window_, WM_NULL, 0, 0);
}

HWND GlossaryProcess::focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) ? info.hwndFocus
                                                                               : nullptr;
}

int GlossaryProcess::pageZoom(HWND view) const {
    const RemoteMemory remote(process_.get(), 2 * sizeof(int));
    if (remote.address() == nullptr)
        return -1;
    auto* numerator = static_cast<int*>(remote.address());
    if (!send(view != nullptr ? view : page(), EM_GETZOOM, reinterpret_cast<WPARAM>(numerator),
              reinterpret_cast<LPARAM>(numerator + 1)))
        return -1;
    int zoom[2] = {};
    if (!ReadProcessMemory(process_.get(), remote.address(), zoom, sizeof zoom, nullptr))
        return -1;
    // No zoom at all reads as 0 / 0.
    return zoom[1] == 0 ? 100 : zoom[0] * 100 / zoom[1];
}

int GlossaryProcess::pageFontTwips(HWND view) const {
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_SIZE;
    const RemoteMemory remote(process_.get(), sizeof format);
    if (remote.address() == nullptr ||
        !WriteProcessMemory(process_.get(), remote.address(), &format, sizeof format, nullptr))
        return -1;
    send(view != nullptr ? view : page(), EM_GETCHARFORMAT, SCF_DEFAULT,
         reinterpret_cast<LPARAM>(remote.address()));
    if (!ReadProcessMemory(process_.get(), remote.address(), &format, sizeof format, nullptr))
        return -1;
    return static_cast<int>(format.yHeight);
}

bool GlossaryProcess::moveToScreenOfDpi(int dpi, const RECT& suggested, HWND window) {
    // The rectangle must lie in the program's memory: nothing carries it across for us.
    const RemoteMemory remote(process_.get(), sizeof suggested);
    if (remote.address() == nullptr || !WriteProcessMemory(process_.get(), remote.address(),
                                                           &suggested, sizeof suggested, nullptr))
        return false;
    send(window != nullptr ? window : window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
         reinterpret_cast<LPARAM>(remote.address()));
    return true;
}

int GlossaryProcess::selected() const {
    return static_cast<int>(send(control(IDC_TERMS), LB_GETCURSEL, 0, 0));
}
int GlossaryProcess::itemCount() const {
    return static_cast<int>(send(control(IDC_TERMS), LB_GETCOUNT, 0, 0));
}

std::wstring GlossaryProcess::listText(int index) const {
    const HWND list = control(IDC_TERMS);
    const int length = static_cast<int>(send(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0));
    if (length < 0)
        return L"<none>";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = static_cast<int>(
        send(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0])));
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    return text;
}

namespace {

std::wstring textOf(HWND window) {
    const int length = static_cast<int>(send(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = static_cast<int>(send(window, WM_GETTEXT, static_cast<WPARAM>(length + 1),
                                             reinterpret_cast<LPARAM>(&text[0])));
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    return text;
}

} // namespace

std::wstring GlossaryProcess::searchText() const {
    return textOf(control(IDC_SEARCH));
}
HWND GlossaryProcess::page() const {
    // One window for the window's life, which passes what reads the page on to the page shown.
    return control(IDC_PAGE);
}

std::wstring GlossaryProcess::pageText() const {
    return textOf(page());
}

bool GlossaryProcess::pageFormat(int start, int length, bool& bold, COLORREF& color,
                                 int& twips) const {
    const HWND page = this->page();
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_COLOR | CFM_SIZE;
    const RemoteMemory remote(process_.get(), sizeof format);
    if (remote.address() == nullptr ||
        !WriteProcessMemory(process_.get(), remote.address(), &format, sizeof format, nullptr))
        return false;
    send(page, EM_SETSEL, static_cast<WPARAM>(start), start + length);
    send(page, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(remote.address()));
    send(page, EM_SETSEL, 0, 0);
    if (!ReadProcessMemory(process_.get(), remote.address(), &format, sizeof format, nullptr))
        return false;
    bold = (format.dwEffects & CFE_BOLD) != 0;
    color = (format.dwEffects & CFE_AUTOCOLOR) != 0 ? CLR_DEFAULT : format.crTextColor;
    twips = static_cast<int>(format.yHeight);
    return true;
}

bool GlossaryProcess::pageBackground(int start, int length, COLORREF& background) const {
    const HWND page = this->page();
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BACKCOLOR;
    const RemoteMemory remote(process_.get(), sizeof format);
    if (remote.address() == nullptr ||
        !WriteProcessMemory(process_.get(), remote.address(), &format, sizeof format, nullptr))
        return false;
    send(page, EM_SETSEL, static_cast<WPARAM>(start), start + length);
    send(page, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(remote.address()));
    send(page, EM_SETSEL, 0, 0);
    if (!ReadProcessMemory(process_.get(), remote.address(), &format, sizeof format, nullptr))
        return false;
    // A range of more than one background has the mask bit cleared: not one mark.
    background = (format.dwEffects & CFE_AUTOBACKCOLOR) != 0 || (format.dwMask & CFM_BACKCOLOR) == 0
                     ? CLR_DEFAULT
                     : format.crBackColor;
    return true;
}

WORD GlossaryProcess::pageAlignment(int position) const {
    const HWND page = this->page();
    PARAFORMAT2 format = {};
    format.cbSize = sizeof format;
    const RemoteMemory remote(process_.get(), sizeof format);
    if (remote.address() == nullptr ||
        !WriteProcessMemory(process_.get(), remote.address(), &format, sizeof format, nullptr))
        return 0;
    send(page, EM_SETSEL, static_cast<WPARAM>(position), position);
    send(page, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(remote.address()));
    send(page, EM_SETSEL, 0, 0);
    if (!ReadProcessMemory(process_.get(), remote.address(), &format, sizeof format, nullptr))
        return 0;
    return format.wAlignment;
}

bool GlossaryProcess::clickPageText(const std::wstring& piece, bool press) {
    const std::wstring text = pageText();
    const std::size_t at = text.find(piece);
    if (at == std::wstring::npos)
        return false;
    // The control counts a line end as one character; the text read here has two.
    long position = static_cast<long>(at);
    for (std::size_t i = 0; i + 1 < at; ++i)
        position -= text[i] == L'\r' && text[i + 1] == L'\n' ? 1 : 0;
    const HWND page = control(IDC_PAGE);
    POINTL point = {};
    if (!pageCharacterPosition(position, point))
        return false;
    const LPARAM where = MAKELPARAM(point.x + 2, point.y + 4);
    if (press)
        PostMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageW(page, WM_LBUTTONUP, 0, where);
    return true;
}

bool GlossaryProcess::pageCharacterPosition(long position, POINTL& point) const {
    const RemoteMemory remote(process_.get(), sizeof(POINTL));
    return remote.address() != nullptr &&
           send(control(IDC_PAGE), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(remote.address()),
                position) == 0 &&
           ReadProcessMemory(process_.get(), remote.address(), &point, sizeof point, nullptr);
}

int GlossaryProcess::runningChildren() const {
    const win32::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    int children = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry))
        children += entry.th32ParentProcessID == processId_ ? 1 : 0;
    return children;
}

COLORREF GlossaryProcess::listItemColour(int index) const {
    const HWND list = control(IDC_TERMS);
    RECT item = {}; // the system carries this one across
    if (send(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) ==
        LB_ERR)
        return CLR_INVALID;
    // The item's first pixel column, where no text is drawn.
    POINT point = {item.left, (item.top + item.bottom) / 2};
    ClientToScreen(list, &point);
    return driver::screenPixel(point);
}

bool GlossaryProcess::saveScreenshot(const std::string& path) const {
    // The list draws itself a moment after the last key.
    Sleep(200);
    RECT bounds = {};
    GetWindowRect(window_, &bounds);
    return driver::saveScreenArea(bounds, path);
}

bool GlossaryProcess::waitForExit(DWORD timeoutMs, DWORD& exitCode) const {
    return win32::waitForExit(process_.get(), timeoutMs, exitCode);
}

std::wstring GlossaryProcess::listViewText(HWND list, int item, int column) const {
    constexpr int kLength = 256;
    const RemoteMemory remote(process_.get(), sizeof(LVITEMW) + kLength * sizeof(wchar_t));
    if (remote.address() == nullptr)
        return std::wstring();
    auto* const text =
        reinterpret_cast<wchar_t*>(static_cast<char*>(remote.address()) + sizeof(LVITEMW));
    LVITEMW row = {};
    row.iSubItem = column;
    row.pszText = text;
    row.cchTextMax = kLength;
    if (!WriteProcessMemory(process_.get(), remote.address(), &row, sizeof row, nullptr))
        return std::wstring();
    const LRESULT length = send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                                reinterpret_cast<LPARAM>(remote.address()));
    wchar_t read[kLength] = {};
    if (length <= 0 || length >= kLength ||
        !ReadProcessMemory(process_.get(), text, read, sizeof read, nullptr))
        return std::wstring();
    return std::wstring(read, static_cast<std::size_t>(length));
}

bool GlossaryProcess::listViewChecked(HWND list, int item) const {
    return (send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK) &
            LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}
