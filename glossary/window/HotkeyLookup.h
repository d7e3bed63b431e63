#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <functional>
#include <string>

// Looks up the word selected in any program when the reader presses a key combination of
// their own: the selection is copied as the reader would copy it (Ctrl+C to the program in
// front), and the clipboard is read once it has changed.
class HotkeyLookup {
public:
    using LookUp = std::function<void(const std::u16string& word)>;

    HotkeyLookup() = default;
    HotkeyLookup(const HotkeyLookup&) = delete;
    HotkeyLookup& operator=(const HotkeyLookup&) = delete;
    ~HotkeyLookup() { setKey(0); }

    bool start(HINSTANCE instance, LookUp lookUp);
    // Makes `key` the look-up key (as a hotkey control gives it: the virtual key in the low
    // byte, HOTKEYF_ flags in the high one); 0 for none. False, the system's error kept and
    // the key before still in use, when it cannot be had: another program holds it.
    bool setKey(WORD key);
    WORD key() const { return key_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void pressed();
    void lookForCopy();

    win32::OwnWindow window_;
    LookUp lookUp_;
    WORD key_ = 0;
    DWORD sequence_ = 0; // the clipboard's number of changes before the copy asked for
    DWORD askedAt_ = 0;  // when the copy was asked for
};

// "Ctrl+Alt+L": a hotkey control's key as the keyboard names it.
std::wstring keyName(WORD key);
