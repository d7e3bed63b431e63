#include "ClipboardLookup.h"
#include "Ids.h"

namespace {

const wchar_t kClassName[] = L"TechnicalGlossaryClipboard";
// A clipboard text larger than this is a passage, never a word: it is not even read.
constexpr SIZE_T kMostReadBytes = 64 * 1024;
// Another program may hold the clipboard a while after its change (one that hands it on to
// other systems, as a bridge to another desktop does).
constexpr int kMostRetries = 100;
constexpr UINT kRetryMs = 20;

} // namespace

ClipboardLookup::~ClipboardLookup() {
    listen(false);
}

bool ClipboardLookup::start(HINSTANCE instance, Trigger trigger, LookUp lookUp) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    lookUp_ = std::move(lookUp);
    // Never shown; a top-level window rather than a message-only one, so that whoever watches
    // the look-ups finds it as any other window of the program.
    window_ = win32::OwnWindow(CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0,
                                               0, nullptr, nullptr, instance, this));
    if (!window_)
        return false;
    setTrigger(trigger);
    return true;
}

void ClipboardLookup::setTrigger(Trigger trigger) {
    trigger_ = trigger;
    copies_ = CopiedTwice();
    listen(trigger == Trigger::CopiedTwice || trigger == Trigger::EveryCopy);
}

void ClipboardLookup::listen(bool on) {
    if (!window_ || on == listening_)
        return;
    listening_ = on ? AddClipboardFormatListener(window_.get()) != FALSE
                    : !RemoveClipboardFormatListener(window_.get());
}

LRESULT CALLBACK ClipboardLookup::procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<ClipboardLookup*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_CLIPBOARDUPDATE) {
        // Each update is a copy; one still waiting to be read is read with this one.
        KillTimer(window, TIMER_CLIPBOARD_RETRY);
        // Two copies make a pair: older ones no longer count.
        if (self->unread_.size() >= 2)
            self->unread_.erase(self->unread_.begin());
        self->unread_.push_back(GetTickCount());
        self->retries_ = 0;
        self->onUpdate();
        return 0;
    }
    // Another program closing every window of ours: the main window's close ends the program.
    if (message == WM_CLOSE)
        return 0;
    if (self != nullptr && message == WM_TIMER && wParam == TIMER_CLIPBOARD_RETRY) {
        KillTimer(window, TIMER_CLIPBOARD_RETRY);
        self->onUpdate();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ClipboardLookup::onUpdate() {
    if (trigger_ != Trigger::CopiedTwice && trigger_ != Trigger::EveryCopy)
        return;
    // What the glossary copies itself (its page's Ctrl+C) is the reader's, not a look-up.
    DWORD owner = 0;
    if (const HWND writer = GetClipboardOwner())
        GetWindowThreadProcessId(writer, &owner);
    if (owner == GetCurrentProcessId())
        return;
    std::u16string text;
    if (!readText(window_.get(), text)) {
        // Held for long: its copies are read with the next update's.
        if (++retries_ <= kMostRetries)
            SetTimer(window_.get(), TIMER_CLIPBOARD_RETRY, kRetryMs, nullptr);
        return;
    }
    const std::u16string word = copiedWord(text);
    // Each copy at the moment it was heard: reading it may have had to wait.
    bool twice = false;
    for (const DWORD heard : unread_)
        twice = copies_.copied(word, heard);
    // The count of copies read, as the window's text: whoever watches the look-ups (a test)
    // knows when a copy has been taken.
    copiesRead_ += unread_.size();
    unread_.clear();
    SetWindowTextW(window_.get(), std::to_wstring(copiesRead_).c_str());
    if (!word.empty() && (trigger_ == Trigger::EveryCopy || twice))
        lookUp_(word);
}

bool ClipboardLookup::readText(HWND owner, std::u16string& text) {
    text.clear();
    // Opened first: a writer between emptying it and putting its text there still holds it.
    if (!OpenClipboard(owner))
        return false;
    const HANDLE data =
        IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    const SIZE_T size = data != nullptr ? GlobalSize(data) : 0;
    if (size >= sizeof(char16_t) && size <= kMostReadBytes) {
        if (const auto* characters = static_cast<const char16_t*>(GlobalLock(data))) {
            const std::size_t most = size / sizeof(char16_t);
            std::size_t length = 0;
            while (length < most && characters[length] != u'\0')
                ++length;
            text.assign(characters, length);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return true;
}
