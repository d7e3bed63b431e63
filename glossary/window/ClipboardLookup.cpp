#include "ClipboardLookup.h"
#include "Ids.h"

namespace {

const wchar_t kClassName[] = L"TechnicalGlossaryClipboard";
// A clipboard text larger than this is a passage, never a word: it is not even read.
constexpr SIZE_T kMostReadBytes = 64 * 1024;
constexpr int kMostRetries = 5;
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
    // A message-only window: it hears the clipboard and is never shown or enumerated.
    window_ = win32::OwnWindow(
        CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this));
    if (!window_)
        return false;
    setTrigger(trigger);
    return true;
}

void ClipboardLookup::setTrigger(Trigger trigger) {
    trigger_ = trigger;
    copies_ = CopiedTwice();
    listen(trigger != Trigger::Off);
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
        ++self->unread_;
        self->retries_ = 0;
        self->onUpdate();
        return 0;
    }
    if (self != nullptr && message == WM_TIMER && wParam == TIMER_CLIPBOARD_RETRY) {
        KillTimer(window, TIMER_CLIPBOARD_RETRY);
        self->onUpdate();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ClipboardLookup::onUpdate() {
    if (trigger_ == Trigger::Off)
        return;
    // What the glossary copies itself (its page's Ctrl+C) is the reader's, not a look-up.
    DWORD owner = 0;
    if (const HWND writer = GetClipboardOwner())
        GetWindowThreadProcessId(writer, &owner);
    if (owner == GetCurrentProcessId())
        return;
    std::u16string text;
    if (!readCopied(text)) {
        if (++retries_ <= kMostRetries) {
            SetTimer(window_.get(), TIMER_CLIPBOARD_RETRY, kRetryMs, nullptr);
            return;
        }
        text.clear(); // never readable: a copy of nothing to look up
    }
    const std::u16string word = copiedWord(text);
    bool twice = false;
    for (; unread_ > 0; --unread_)
        twice = copies_.copied(word, GetTickCount());
    if (!word.empty() && (trigger_ == Trigger::EveryCopy || twice))
        lookUp_(word);
}

bool ClipboardLookup::readCopied(std::u16string& text) const {
    text.clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
        return true;
    if (!OpenClipboard(window_.get()))
        return false;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const SIZE_T size = GlobalSize(data);
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
    }
    CloseClipboard();
    return true;
}
