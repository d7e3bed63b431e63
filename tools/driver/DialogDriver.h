#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <string>

// Drives the product's dialogs from outside, as a person would: the tests and the
// demonstration share it.
namespace driver {

// True when `condition` holds before `timeoutMs` have passed, checking every 20 ms.
template <typename Condition> bool eventually(Condition condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(20);
    }
    return true;
}

// The dialog (or message box) with this caption once it shows, or null after `timeoutMs`.
// With `programFolder`, only one shown by a program whose file lies under that folder:
// captions such as "Error" are not the product's alone.
HWND dialogNamed(const std::string& caption, DWORD timeoutMs,
                 const std::string& programFolder = std::string());

// Clicks a button as the user does: the dialog hears BN_CLICKED from that control.
void press(HWND dialog, int id);

// A control's text, asked with a time-out, so that a hung program cannot hang the driver.
std::string controlText(HWND control);

// The process that shows `window`, to wait on and read the exit code of.
win32::Handle processOf(HWND window);

// Saves what the screen shows of `window` as a BMP file, after a moment to let it paint.
bool saveWindowImage(HWND window, const std::string& path);

} // namespace driver
