#pragma once

#include "ClipboardLookup.h"

#include <commctrl.h>

// How the reader wants look-ups from other programs, remembered per user with the window's
// other settings.
struct LookupSettings {
    ClipboardLookup::Trigger trigger = ClipboardLookup::Trigger::CopiedTwice;
    bool keepInTray = false; // closing the window leaves the notification icon serving look-ups
    // The reader's own look-up key, as a hotkey control gives it (Trigger::OwnKey).
    WORD lookupKey = MAKEWORD('L', HOTKEYF_CONTROL | HOTKEYF_ALT);

    static LookupSettings read();
    void save() const;
};

// Whether the glossary starts in the notification area at log-on: the user's Run value that
// names this program.
bool startsAtLogon();
// Writes the Run value with this program's quoted path and /tray, or removes it.
void setStartAtLogon(bool start);
