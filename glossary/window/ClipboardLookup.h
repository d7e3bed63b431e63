#pragma once

#include "CopiedWord.h"
#include "win32/Handles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Looks up what the reader copies in any program. The clipboard tells its listeners of every
// update (Vista and later): Ctrl+C pressed twice within half a second gives two updates with the
// same text, so no keyboard hook is needed, and the reader's own key stays the reader's.
class ClipboardLookup {
public:
    // What starts a look-up; the values are those remembered in the settings.
    // OwnKey: a key of the reader's own (HotkeyLookup), the clipboard not listened to.
    enum class Trigger : DWORD { Off = 0, CopiedTwice = 1, EveryCopy = 2, OwnKey = 3 };
    using LookUp = std::function<void(const std::u16string& word)>;

    ClipboardLookup() = default;
    ClipboardLookup(const ClipboardLookup&) = delete;
    ClipboardLookup& operator=(const ClipboardLookup&) = delete;
    ~ClipboardLookup();

    // Listens from now on while `trigger` is not Off; `lookUp` gets each word to look up.
    bool start(HINSTANCE instance, Trigger trigger, LookUp lookUp);
    void setTrigger(Trigger trigger);
    Trigger trigger() const { return trigger_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void listen(bool on);
    void onUpdate();

    win32::OwnWindow window_;
    Trigger trigger_ = Trigger::Off;
    bool listening_ = false;
    LookUp lookUp_;
    CopiedTwice copies_;
    int retries_ = 0; // of an update whose clipboard was still held
    std::size_t copiesRead_ = 0;
    std::vector<DWORD> unread_; // when each update not yet read was heard
};
