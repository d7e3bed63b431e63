#pragma once
// The rich edit controls the page view holds, as the page tests look at them.
#include "GlossaryWindowFixture.h"

#include <windows.h>

#include <vector>

namespace glossarytest {

// The controls the page's window holds, hidden ones too, in the order of Tab.
inline std::vector<HWND> pageControls(const GlossaryProcess& glossary) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(glossary.page(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        found.push_back(child);
    return found;
}

inline HWND shownPageControl(const GlossaryProcess& glossary) {
    for (const HWND control : pageControls(glossary)) {
        if (IsWindowVisible(control))
            return control;
    }
    return nullptr;
}

// Shown, with the spare control for the next page made: the page's window holds two, the one
// shown and, after it in the order of Tab, the spare. A control of a page gone, hidden, stays
// beside them until the window is idle; it keeps its text, and the spare is made empty.
inline bool idleWithSparePage(const GlossaryProcess& glossary) {
    return eventually(
        [&] {
            const std::vector<HWND> held = pageControls(glossary);
            return held.size() == 2 && IsWindowVisible(held[0]) && !IsWindowVisible(held[1]) &&
                   GetWindowTextLengthW(held[1]) == 0;
        },
        kTimeoutMs);
}

} // namespace glossarytest
