// Where the controls stand at any size and density, the fonts, the logo's picture.
#include "GlossaryWindow.h"
#include "Ids.h"
#include "win32/ScaledBitmap.h"

#include <algorithm>
#include <iterator>

namespace {

// The window's layout in twips, as it was designed: 15 twips are one pixel at 96 dpi.
constexpr int kTwipsPerInch = 1440;
constexpr int kClientWidth = 10365, kClientHeight = 5310;
// Below the designed size the window still works down to this: the list keeps about twelve
// lines, the page about forty characters, and every control stays whole and in its order.
constexpr int kMinimumClientWidth = 6600, kMinimumClientHeight = 3900;
// However the splitter is moved, the page keeps about thirty characters; the list is never
// narrower than designed, where the search's status line still fits above it.
constexpr int kMinimumPageWidth = 2400;
// The logo's picture, in pixels at 96 dpi.
constexpr int kLogoWidth = 190, kLogoHeight = 52;

// Where each control stands at the designed size, and how it follows when the window grows or
// shrinks: the list and the page take the new height, the page the new width; Exit and the
// version label keep to the bottom right, the logo to the bottom left.
// The splitter widens the search box and the list, and moves the page's left edge.
struct Placement {
    int id;
    int left, top, width, height;
    bool growWidth, growHeight, followRight, followBottom;
    bool widenWithList = false, followList = false;
};
constexpr Placement kLayout[] = {
    {IDC_SEARCH, 240, 240, 2895, 375, false, false, false, false, true},
    {IDC_IN_DEFINITIONS, 240, 660, 1500, 270, false, false, false, false},
    {IDC_SEARCH_STATUS, 1770, 690, 1365, 240, false, false, false, false, true},
    {IDC_TERMS, 240, 990, 2895, 2820, false, true, false, false, true},
    // The group shown, below the list: its height is the list's when it drops down.
    {IDC_GROUP_LABEL, 240, 3915, 780, 240, false, false, false, true},
    {IDC_GROUP, 1050, 3870, 2085, 2400, false, false, false, true, true},
    {IDC_PAGE, 3480, 240, 6735, 4095, true, true, false, false, false, true},
    {IDC_EXIT, 8880, 4560, 855, 375, false, false, true, true},
    {IDC_DICTIONARIES, 7440, 4560, 1320, 375, false, false, true, true},
    {IDC_LOGO, 240, 4380, 2895, 780, false, false, false, true},
    {IDC_VERSION, 9840, 5040, 500, 240, false, false, true, true},
};

const Placement& placementOf(int id) {
    for (const Placement& placement : kLayout) {
        if (placement.id == id)
            return placement;
    }
    return kLayout[0];
}

// The system's message font at `dpi`.
HFONT messageFont(int dpi) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    const auto forDpi = reinterpret_cast<ForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    if (forDpi != nullptr &&
        forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
        return CreateFontIndirectW(&metrics.lfMessageFont);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        // Given for the system's density; scaled to the window's.
        const int systemDpi = GetDeviceCaps(win32::WindowDc(nullptr).dc(), LOGPIXELSY);
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
        return CreateFontIndirectW(&metrics.lfMessageFont);
    }
    return CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"MS Shell Dlg 2");
}

} // namespace

RECT GlossaryWindow::initialFrame(int dpi) {
    // The designed size, or the whole work area of the screen where it is smaller.
    RECT frame = {0, 0, MulDiv(kClientWidth, dpi, kTwipsPerInch),
                  MulDiv(kClientHeight, dpi, kTwipsPerInch)};
    AdjustWindowRect(&frame, kStyle, FALSE);
    RECT work = {};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        frame.right = frame.left + std::min(frame.right - frame.left, work.right - work.left);
        frame.bottom = frame.top + std::min(frame.bottom - frame.top, work.bottom - work.top);
    }
    return frame;
}

void GlossaryWindow::limitSize(MINMAXINFO& limits) const {
    RECT frame = {0, 0, scaled(kMinimumClientWidth), scaled(kMinimumClientHeight)};
    AdjustWindowRect(&frame, kStyle, FALSE);
    limits.ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
}

void GlossaryWindow::setLogo() {
    // Drawn for the density, at the size its control has there.
    const win32::Gdi<HBITMAP> picture(static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    win32::Gdi<HBITMAP> scaledLogo = win32::scaledBitmap(
        picture.get(), MulDiv(kLogoWidth, dpi_, 96), MulDiv(kLogoHeight, dpi_, 96));
    logo_ = scaledLogo ? std::move(scaledLogo)
                       : win32::Gdi<HBITMAP>(static_cast<HBITMAP>(LoadImageW(
                             instance_, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    SendMessageW(logoControl_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_.get()));
}

int GlossaryWindow::scaled(int twips) const {
    return MulDiv(twips, dpi_, kTwipsPerInch);
}

int GlossaryWindow::designedListWidth() {
    return placementOf(IDC_TERMS).width;
}

int GlossaryWindow::clampedWidening(int twips, int clientWidth) const {
    const int pageWidth =
        MulDiv(std::max(clientWidth, scaled(kMinimumClientWidth)), kTwipsPerInch, dpi_) -
        (kClientWidth - placementOf(IDC_PAGE).width);
    return std::max(0, std::min(pageWidth - kMinimumPageWidth, twips));
}

RECT GlossaryWindow::designedPlace(int id) const {
    const Placement& at = placementOf(id);
    return RECT{scaled(at.left), scaled(at.top), scaled(at.left + at.width),
                scaled(at.top + at.height)};
}

HWND GlossaryWindow::control(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id) {
    const RECT at = designedPlace(id);
    const HWND child =
        CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                        at.right - at.left, at.bottom - at.top, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return child;
}

void GlossaryWindow::createFonts() {
    // The controls use the fonts until the window is gone; the object outlives its window.
    font_ = win32::Gdi<HFONT>(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                          FALSE, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                          L"MS Sans Serif"));
    labelFont_ =
        win32::Gdi<HFONT>(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                      DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Arial"));
    textFont_ = win32::Gdi<HFONT>(messageFont(dpi_));
}

void GlossaryWindow::onDpiChanged(int dpi, const RECT& suggested) {
    // The window moved to a screen of another density: fonts, sizes and places follow it.
    dpi_ = dpi;
    createFonts();
    pageView_.setDpi(dpi_); // before its font, which is counted at the new density
    for (const Placement& at : kLayout) {
        const HFONT font = at.id == IDC_VERSION ? labelFont_.get()
                           : at.id == IDC_SEARCH || at.id == IDC_TERMS || at.id == IDC_GROUP
                               ? textFont_.get()
                               : font_.get();
        // The page's window gives it to each of its controls.
        SendMessageW(GetDlgItem(window_, at.id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    setListItemHeight();
    setLogo();
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    relayout();
}

void GlossaryWindow::relayout() {
    RECT client = {};
    GetClientRect(window_, &client);
    layout(client.right, client.bottom);
}

void GlossaryWindow::layout(int width, int height) {
    // Negative below the designed size; never below the minimum, where the frame stops.
    const int grownWidth = std::max(width, scaled(kMinimumClientWidth)) - scaled(kClientWidth);
    const int grownHeight = std::max(height, scaled(kMinimumClientHeight)) - scaled(kClientHeight);
    const int widened = scaled(clampedWidening(splitter_.widening(), width));
    HDWP positions = BeginDeferWindowPos(static_cast<int>(std::size(kLayout)));
    for (const Placement& at : kLayout) {
        const HWND child = GetDlgItem(window_, at.id);
        if (child == nullptr || positions == nullptr)
            continue;
        positions = DeferWindowPos(
            positions, child, nullptr,
            scaled(at.left) + (at.followRight ? grownWidth : 0) + (at.followList ? widened : 0),
            scaled(at.top) + (at.followBottom ? grownHeight : 0),
            scaled(at.width) + (at.growWidth ? grownWidth : 0) + (at.widenWithList ? widened : 0) -
                (at.followList ? widened : 0),
            scaled(at.height) + (at.growHeight ? grownHeight : 0),
            SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    }
    if (positions != nullptr)
        EndDeferWindowPos(positions);
    // Moved controls draw themselves anew, not from what stood there before.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
