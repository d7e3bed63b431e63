#pragma once
// The looks a window is checked and pictured in: 96 and 192 dpi, and a high-contrast scheme;
// the density itself and whether a dialog fits are the fixture's.
#include "GlossaryWindowFixture.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace glossarytest {

struct ScreenLook {
    const char* name;
    DWORD dpi;
    bool highContrast;
};
inline constexpr ScreenLook kScreenLooks[] = {
    {"96dpi", 96, false}, {"192dpi", 192, false}, {"high-contrast", 96, true}};

// A dark high-contrast scheme's colours for the look that asks for them (Wine keeps no
// high-contrast flag), set before the program starts.
inline std::unique_ptr<SystemColours> highContrastFor(const ScreenLook& look) {
    if (!look.highContrast)
        return nullptr;
    return std::make_unique<SystemColours>(
        std::initializer_list<int>{COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT,
                                   COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
        std::initializer_list<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0),
                                        RGB(255, 255, 255), RGB(0, 255, 255), RGB(0, 0, 0)});
}

} // namespace glossarytest
