// A change of the system's colours or of the screen's density reaches every control the page
// view holds: the one showing the page and the spare one made for the next page while the
// window was idle, which shows the next page the reader looks up.
#include "GlossaryWindowFixture.h"
#include "helpers/SentMessages.h"
#include "win32/Gdi.h"
#include "win32/Handles.h"

#include <algorithm>

namespace glossarytest {
namespace {

// The rich edit controls the page's window holds, hidden ones too.
std::vector<HWND> pageControls(const GlossaryProcess& glossary) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(glossary.page(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        found.push_back(child);
    return found;
}

HWND shownPageControl(const GlossaryProcess& glossary) {
    for (const HWND control : pageControls(glossary)) {
        if (IsWindowVisible(control))
            return control;
    }
    return nullptr;
}

// Shown, with the spare control for the next page made: the page's window holds two, the one
// shown and, after it in the order of Tab, the spare. A control of a page gone stands before
// the shown one until the window is idle.
bool idleWithSparePage(const GlossaryProcess& glossary) {
    return eventually(
        [&] {
            const std::vector<HWND> held = pageControls(glossary);
            return held.size() == 2 && IsWindowVisible(held[0]) && !IsWindowVisible(held[1]);
        },
        kTimeoutMs);
}

// The windows of the glossary that were sent a message, recorded from inside its process by
// the watcher library a hook of this test loads there, for as long as this lives.
class SentMessageWatch {
public:
    explicit SentMessageWatch(const GlossaryProcess& glossary)
        : mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(sentmessages::Record), sentmessages::kMappingName)),
          view_(mapping_ ? MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0,
                                         sizeof(sentmessages::Record))
                         : nullptr),
          watcher_(LoadLibraryA((binaryDirectory() + "\\message_watcher.dll").c_str())) {
        const auto watch = watcher_ ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                          GetProcAddress(watcher_.get(), "watchSentMessage")))
                                    : nullptr;
        if (view_ && watch != nullptr)
            hook_ = SetWindowsHookExW(WH_CALLWNDPROC, watch, watcher_.get(),
                                      GetWindowThreadProcessId(glossary.window(), nullptr));
    }
    ~SentMessageWatch() {
        if (hook_ != nullptr)
            UnhookWindowsHookEx(hook_);
    }
    SentMessageWatch(const SentMessageWatch&) = delete;
    SentMessageWatch& operator=(const SentMessageWatch&) = delete;

    bool valid() const { return hook_ != nullptr; }
    bool wasSent(HWND window, UINT message) const {
        const auto* record = static_cast<const sentmessages::Record*>(view_.get());
        const LONG count = std::min<LONG>(LONG{record->count}, sentmessages::kCapacity);
        for (LONG i = 0; i < count; ++i) {
            if (record->sent[i].message == message &&
                record->sent[i].window == reinterpret_cast<std::uintptr_t>(window))
                return true;
        }
        return false;
    }

private:
    win32::Handle mapping_;
    win32::View view_;
    win32::Library watcher_;
    HHOOK hook_ = nullptr;
};

TEST_F(GlossaryWindowTest, AColourChangeReachesTheSparePageControlThatShowsTheNextPage) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"small store"); }, kTimeoutMs));
    ASSERT_TRUE(idleWithSparePage(glossary));
    const HWND shown = pageControls(glossary)[0], spare = pageControls(glossary)[1];
    const SentMessageWatch watch(glossary);
    ASSERT_TRUE(watch.valid());

    // As the system tells a program whose colours changed (a high-contrast theme switched on):
    // its top-level windows, which tell their controls. Under Wine a running program keeps the
    // colours it started with, so only the messages themselves tell who heard of the change.
    SendMessageW(glossary.window(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(watch.wasSent(shown, WM_SYSCOLORCHANGE)) << "the control showing the page";
    EXPECT_TRUE(watch.wasSent(spare, WM_SYSCOLORCHANGE)) << "the spare control";

    // The next page goes into the spare control, which must draw it in the colours of now.
    glossary.setSearch(L"Compiler");
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"Translates code."); }, kTimeoutMs));
    EXPECT_EQ(shownPageControl(glossary), spare);
}

// The size in twips that the window's font has at `dpi` (8 points), as a rich edit counts it.
int fontTwipsAt(int dpi) {
    const win32::WindowDc screen(nullptr);
    return MulDiv(MulDiv(8, dpi, 72), 1440, GetDeviceCaps(screen.dc(), LOGPIXELSY));
}

TEST_F(GlossaryWindowTest, ADensityChangeReachesThePageShownAndTheNextPages) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(glossary.valid());
    ASSERT_TRUE(
        eventually([&] { return contains(glossary.pageText(), L"small store"); }, kTimeoutMs));
    ASSERT_TRUE(idleWithSparePage(glossary));
    ASSERT_EQ(glossary.pageFontTwips(), fontTwipsAt(96));

    ASSERT_TRUE(glossary.moveToScreenOfDpi(192, RECT{0, 0, 1280, 1024}));
    EXPECT_EQ(glossary.pageFontTwips(), fontTwipsAt(192)) << "the page shown";
    // Which keeps its own formatting: the term in bold at 12 points.
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
    EXPECT_EQ(glossary.pageFontTwips(), fontTwipsAt(192)) << "the page after: the spare control";
    ASSERT_TRUE(idleWithSparePage(glossary));
    glossary.setSearch(L"compression");
    ASSERT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Makes data smaller."); },
                           kTimeoutMs));
    EXPECT_EQ(glossary.pageFontTwips(), fontTwipsAt(192)) << "the page after that";
}

} // namespace
} // namespace glossarytest
