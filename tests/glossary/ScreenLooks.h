#pragma once
// The looks a window is checked and pictured in: 96 and 192 dpi, and a high-contrast scheme;
// and whether a dialog's controls fit in it.
#include "GlossaryWindowFixture.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace glossarytest {

// The screen's density programs started from now on read, for as long as this lives.
class ScreenDensity {
public:
    explicit ScreenDensity(DWORD dpi) {
        saved_ = readValue(HKEY_CURRENT_USER, kDesktop, "LogPixels", &type_);
        setDword(HKEY_CURRENT_USER, kDesktop, "LogPixels", dpi);
    }
    ~ScreenDensity() {
        if (type_ != REG_NONE)
            setValue(HKEY_CURRENT_USER, kDesktop, "LogPixels", type_, saved_.data(),
                     static_cast<DWORD>(saved_.size()));
        else
            deleteValue(HKEY_CURRENT_USER, kDesktop, "LogPixels");
    }
    ScreenDensity(const ScreenDensity&) = delete;
    ScreenDensity& operator=(const ScreenDensity&) = delete;

private:
    static constexpr const char* kDesktop = "Control Panel\\Desktop";
    std::vector<BYTE> saved_;
    DWORD type_ = REG_NONE;
};

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

// Every control of the dialog whole inside it and none on another.
inline bool fitsInside(HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    std::vector<RECT> placed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT at = clientRect(dialog, child);
        RECT inside = {};
        if (!IntersectRect(&inside, &at, &client) || !EqualRect(&inside, &at))
            return false;
        for (const RECT& other : placed) {
            if (IntersectRect(&inside, &at, &other))
                return false;
        }
        placed.push_back(at);
    }
    return placed.size() >= 10;
}

} // namespace glossarytest
