#include "ClipboardLookup.h"
#include "ClipboardWord.h"
#include "HiddenWindow.h"
#include "Ids.h"

namespace {

const wchar_t kClassName[] = L"TechnicalGlossaryClipboard";
// Another program may hold the clipboard a while after its change (one that hands it on to
// other systems, as a bridge to another desktop does).
constexpr int kMostRetries = 100;
constexpr UINT kRetryMs = 20;

} // namespace

ClipboardLookup::~ClipboardLookup() {
    listen(false);
}

bool ClipboardLookup::start(HINSTANCE instance, Trigger trigger, LookUp lookUp) {
    lookUp_ = std::move(lookUp);
    window_ = createHiddenWindow(instance, kClassName, procedure, this);
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
    auto* self = ownerOf<ClipboardLookup>(window, message, lParam);
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
    if (self != nullptr && message == WM_TIMER && wParam == TIMER_CLIPBOARD_RETRY) {
        KillTimer(window, TIMER_CLIPBOARD_RETRY);
        self->onUpdate();
        return 0;
    }
    return hiddenWindowDefault(window, message, wParam, lParam);
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
    std::u16string word;
    if (!readCopiedWord(window_.get(), word)) {
        // Held for long: its copies are read with the next update's.
        if (++retries_ <= kMostRetries)
            SetTimer(window_.get(), TIMER_CLIPBOARD_RETRY, kRetryMs, nullptr);
        return;
    }
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
