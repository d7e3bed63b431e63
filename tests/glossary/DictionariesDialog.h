#pragma once
// The dictionaries dialog as the tests reach it: opened with Ctrl+D, pictured for a person to
// look at, and seen in each screen look.
#include "GlossaryWindowFixture.h"
#include "ScreenLooks.h"
#include "driver/ScreenCapture.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace glossarytest {

// The dialog, once Ctrl+D has opened it; null when none came.
inline HWND openDialog(GlossaryProcess& glossary) {
    glossary.press({VK_CONTROL, L'D'});
    HWND dialog = nullptr;
    eventually([&] { return (dialog = messageBoxOf(glossary)) != nullptr; }, kTimeoutMs);
    return dialog;
}

// Whether the keys close the dialog.
inline bool closes(GlossaryProcess& glossary, std::initializer_list<WORD> keys) {
    return pressUntil(glossary, keys, [&] { return messageBoxOf(glossary) == nullptr; });
}

// The whole frame on its screen's work area: OK and Cancel within reach of the mouse too.
inline bool insideWorkArea(HWND window) {
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    RECT frame = {}, inside = {};
    return GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &screen) &&
           GetWindowRect(window, &frame) && IntersectRect(&inside, &frame, &screen.rcWork) &&
           EqualRect(&inside, &frame);
}

// The window's picture beside the tests, once it has drawn itself.
inline void saveImage(HWND window, const std::string& name) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300); // a picture for a person: nothing is asserted of the wait
    driver::saveWindowImage(window, binaryDirectory() + "\\" + name);
}

// What a test does in each look: starts the glossary, readies its window (before the dialog
// opens) and checks the open dialog (before its picture).
struct DialogInLook {
    std::function<std::unique_ptr<GlossaryProcess>()> start;
    std::function<void(GlossaryProcess&, const ScreenLook&)> ready;
    std::function<void(GlossaryProcess&, HWND, const ScreenLook&)> check;
};

// One look: the glossary started at the designed size, in the look's density and colours, its
// dictionaries dialog opened, checked, pictured as `<picture>-<look>.bmp`, fitting, and closed.
inline void seeTheDialogIn(const ScreenLook& look, const std::string& picture,
                           const DialogInLook& steps) {
    SCOPED_TRACE(look.name);
    deleteValue(HKEY_CURRENT_USER, kSettings, "Window placement");
    const ScreenDensity density(look.dpi);
    const std::unique_ptr<SystemColours> scheme = highContrastFor(look);
    const std::unique_ptr<GlossaryProcess> glossary = steps.start();
    ASSERT_TRUE(readyForTheKeyboard(*glossary));
    if (steps.ready) {
        steps.ready(*glossary, look);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    const HWND dialog = openDialog(*glossary);
    ASSERT_NE(dialog, nullptr);
    if (steps.check) {
        steps.check(*glossary, dialog, look);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    saveImage(dialog, picture + "-" + look.name + ".bmp");
    EXPECT_TRUE(fitsInside(dialog));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(eventually([&] { return messageBoxOf(*glossary) == nullptr; }, kTimeoutMs));
    glossary->clickExit();
    DWORD code = 0;
    ASSERT_TRUE(glossary->waitForExit(kTimeoutMs, code));
}

// The same in every look, up to the first that fails fatally.
inline void seeTheDialogInEachLook(const std::vector<ScreenLook>& looks, const std::string& picture,
                                   const DialogInLook& steps) {
    for (const ScreenLook& look : looks) {
        seeTheDialogIn(look, picture, steps);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

inline std::vector<ScreenLook> pictureLooks() {
    return std::vector<ScreenLook>(std::begin(kScreenLooks), std::end(kScreenLooks));
}

} // namespace glossarytest
