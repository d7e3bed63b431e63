#include "HotkeyLookup.h"
#include "ClipboardWord.h"
#include "HiddenWindow.h"
#include "Ids.h"

#include <commctrl.h>

#include <iterator>

namespace {

const wchar_t kClassName[] = L"TechnicalGlossaryLookupKey";
// How often the clipboard is looked at after the copy, and for how long: a program that copies
// nothing (no selection) never changes it.
constexpr UINT kLookEveryMs = 10;
constexpr DWORD kMostWaitMs = 1000;

bool down(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

INPUT keyInput(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

} // namespace

bool HotkeyLookup::start(HINSTANCE instance, LookUp lookUp) {
    lookUp_ = std::move(lookUp);
    window_ = createHiddenWindow(instance, kClassName, procedure, this);
    return static_cast<bool>(window_);
}

bool HotkeyLookup::setKey(WORD key) {
    if (!window_ || key == key_)
        return true;
    const auto registerKey = [this](WORD wanted) {
        const BYTE flags = HIBYTE(wanted);
        const UINT modifiers = ((flags & HOTKEYF_CONTROL) ? MOD_CONTROL : 0u) |
                               ((flags & HOTKEYF_ALT) ? MOD_ALT : 0u) |
                               ((flags & HOTKEYF_SHIFT) ? MOD_SHIFT : 0u);
        return RegisterHotKey(window_.get(), HOTKEY_LOOKUP, modifiers, LOBYTE(wanted)) != FALSE;
    };
    if (key_ != 0)
        UnregisterHotKey(window_.get(), HOTKEY_LOOKUP);
    if (key != 0 && !registerKey(key)) {
        const DWORD error = GetLastError();
        if (key_ != 0 && !registerKey(key_))
            key_ = 0;
        SetLastError(error);
        return false;
    }
    key_ = key;
    return true;
}

void HotkeyLookup::pressed() {
    // Ctrl+C as the reader would press it, with the keys of the combination still held let go
    // first (Alt held with C is another command); Ctrl goes down before Alt is let go, so that
    // letting it go opens no menu.
    INPUT inputs[8];
    UINT count = 0;
    inputs[count++] = keyInput(VK_CONTROL, false);
    for (const WORD held : {VK_MENU, VK_SHIFT, VK_LWIN, VK_RWIN})
        if (down(held))
            inputs[count++] = keyInput(held, true);
    inputs[count++] = keyInput('C', false);
    inputs[count++] = keyInput('C', true);
    inputs[count++] = keyInput(VK_CONTROL, true);
    sequence_ = GetClipboardSequenceNumber();
    askedAt_ = GetTickCount();
    if (SendInput(count, inputs, sizeof(INPUT)) == count)
        SetTimer(window_.get(), TIMER_LOOKUP_KEY_COPY, kLookEveryMs, nullptr);
}

void HotkeyLookup::lookForCopy() {
    if (GetClipboardSequenceNumber() == sequence_) {
        if (GetTickCount() - askedAt_ > kMostWaitMs)
            KillTimer(window_.get(), TIMER_LOOKUP_KEY_COPY);
        return;
    }
    std::u16string word;
    // Its writer may still hold it: looked at again at the next tick, within the wait.
    if (!readCopiedWord(window_.get(), word)) {
        if (GetTickCount() - askedAt_ > kMostWaitMs)
            KillTimer(window_.get(), TIMER_LOOKUP_KEY_COPY);
        return;
    }
    KillTimer(window_.get(), TIMER_LOOKUP_KEY_COPY);
    if (!word.empty())
        lookUp_(word);
}

LRESULT CALLBACK HotkeyLookup::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = ownerOf<HotkeyLookup>(window, message, lParam);
    if (self != nullptr && message == WM_HOTKEY && wParam == HOTKEY_LOOKUP) {
        self->pressed();
        return 0;
    }
    if (self != nullptr && message == WM_TIMER && wParam == TIMER_LOOKUP_KEY_COPY) {
        self->lookForCopy();
        return 0;
    }
    return hiddenWindowDefault(window, message, wParam, lParam);
}

std::wstring keyName(WORD key) {
    const BYTE flags = HIBYTE(key);
    std::wstring name;
    if (flags & HOTKEYF_CONTROL)
        name += L"Ctrl+";
    if (flags & HOTKEYF_ALT)
        name += L"Alt+";
    if (flags & HOTKEYF_SHIFT)
        name += L"Shift+";
    const UINT vk = LOBYTE(key);
    LONG scan = static_cast<LONG>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    if (flags & HOTKEYF_EXT)
        scan |= 1 << 24;
    wchar_t text[64] = {};
    if (GetKeyNameTextW(scan, text, static_cast<int>(std::size(text))) > 0)
        return name + text;
    return name + (vk >= '0' && vk <= 'Z' ? std::wstring(1, static_cast<wchar_t>(vk))
                                          : L"key " + std::to_wstring(vk));
}
