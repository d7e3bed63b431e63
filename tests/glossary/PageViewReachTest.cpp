// A change of the system's colours or of the screen's density reaches every control the page
// view holds: the one showing the page and the spare one made for the next page while the
// window was idle, which shows the next page the reader looks up.
#include "GlossaryWindowFixture.h"
#include "PageControls.h"
#include "SentMessageWatch.h"
#include "win32/Gdi.h"
#include "win32/Handles.h"

#include <algorithm>

namespace glossarytest {
namespace {

TEST_F(GlossaryWindowTest, AColourChangeReachesTheSparePageControlThatShowsTheNextPage) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"small store"); }, kTimeoutMs));
    ASSERT_TRUE(idleWithSparePage(glossary));
    const std::vector<HWND> held = pageControls(glossary);
    const HWND shown = held[0];
    const SentMessageWatch watch(glossary);
    ASSERT_TRUE(watch.valid());

    // As the system tells a program whose colours changed (a high-contrast theme switched on):
    // its top-level windows, which tell their controls. Under Wine a running program keeps the
    // colours it started with, so only the messages themselves tell who heard of the change.
    SendMessageW(glossary.window(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(watch.wasSent(shown, WM_SYSCOLORCHANGE)) << "the control showing the page";

    // The next page goes into the spare control, which must draw it in the colours of now:
    // told of the change, unless it was made after it (a page due at the start can take the
    // spare seen above, and a new one is made).
    glossary.setSearch(L"Compiler");
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));
    const HWND next = shownPageControl(glossary);
    const bool heldAtTheChange = std::find(held.begin(), held.end(), next) != held.end();
    EXPECT_TRUE(!heldAtTheChange || watch.wasSent(next, WM_SYSCOLORCHANGE))
        << "the control showing the next page";
}

// The size in twips that the window's font has at `dpi` (8 points), as a rich edit counts it
// at the system's density.
int fontTwipsAt(int dpi) {
    const win32::WindowDc screen(nullptr);
    return MulDiv(MulDiv(8, dpi, 72), 1440, GetDeviceCaps(screen.dc(), LOGPIXELSY));
}

// The size in twips the page's own font shows at: its size in points, zoomed.
int shownFontTwips(const GlossaryProcess& glossary) {
    return glossary.pageFontTwips() * glossary.pageZoom() / 100;
}

// Rounding the font to whole pixels at either density.
constexpr int kTwipsRounding = 15;

TEST_F(GlossaryWindowTest, ADensityChangeScalesThePageShownAndTheNextPagesWithTheirText) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"small store"); }, kTimeoutMs));
    ASSERT_TRUE(idleWithSparePage(glossary));
    ASSERT_EQ(glossary.pageFontTwips(), fontTwipsAt(96));
    ASSERT_EQ(glossary.pageZoom(), 100);

    // The text's sizes are points at the system's density: the page is zoomed to twice them.
    ASSERT_TRUE(glossary.moveToScreenOfDpi(192, RECT{0, 0, 1280, 1024}));
    EXPECT_EQ(glossary.pageZoom(), 200) << "the page shown";
    glossary.saveScreenshot(binaryDirectory() + "\\glossary-page-192dpi.bmp");
    EXPECT_NEAR(shownFontTwips(glossary), fontTwipsAt(192), kTwipsRounding) << "its own font";
    // Which keeps its own formatting: the term in bold at 12 points, shown at twice that.
    bool bold = false;
    COLORREF color = CLR_INVALID;
    int twips = 0;
    ASSERT_TRUE(glossary.pageFormat(0, 5, bold, color, twips));
    EXPECT_TRUE(bold);
    EXPECT_EQ(twips, 240);
    // The first goes into the control made before the change, the second into one made after.
    glossary.setSearch(L"Compiler");
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));
    EXPECT_EQ(glossary.pageZoom(), 200) << "the page after: the spare control";
    EXPECT_NEAR(shownFontTwips(glossary), fontTwipsAt(192), kTwipsRounding);
    ASSERT_TRUE(idleWithSparePage(glossary));
    glossary.setSearch(L"compression");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Makes data smaller."); },
                           kTimeoutMs));
    EXPECT_EQ(glossary.pageZoom(), 200) << "the page after that";
    EXPECT_NEAR(shownFontTwips(glossary), fontTwipsAt(192), kTwipsRounding);

    // The reader's zoom goes on top of the density's, and is remembered as the reader's.
    PostMessageW(glossary.window(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
    EXPECT_TRUE(eventually([&] { return glossary.pageZoom() == 220; }, kTimeoutMs));
    glossary.clickExit();
    DWORD exitCode = 0;
    ASSERT_TRUE(glossary.waitForExit(kTimeoutMs, exitCode));
    EXPECT_EQ(readDword(HKEY_CURRENT_USER, kSettings, "Zoom"), 110u);
}

} // namespace
} // namespace glossarytest
