#pragma once

#include "HotkeyLookup.h"

#include <windows.h>

#include <string>

// The dialog in which the reader presses a look-up key of their own. True when one was chosen
// and `hotkey` now answers it (`key` then holds it); a combination that another program holds
// is refused there with its note, and the dialog stays for another.
bool chooseLookupKey(HINSTANCE instance, HWND owner, HotkeyLookup& hotkey, WORD& key);

// What the reader is told when `key` cannot be had: the keys, why, and what to do.
std::wstring keyTakenNote(WORD key);
