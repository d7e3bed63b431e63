#include "HeaderColours.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kSubclass = 1;

void paint(HWND header) {
    PAINTSTRUCT paint = {};
    const HDC dc = BeginPaint(header, &paint);
    RECT client = {};
    GetClientRect(header, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const auto font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
    const HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    const int padding = GetSystemMetrics(SM_CXEDGE) * 3;
    for (int i = 0; i < count; ++i) {
        RECT item = {};
        if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i),
                          reinterpret_cast<LPARAM>(&item)))
            continue;
        wchar_t text[256] = {};
        HDITEMW format = {};
        format.mask = HDI_TEXT | HDI_FORMAT;
        format.pszText = text;
        format.cchTextMax = 256;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&format));
        RECT label = {item.left + padding, item.top, item.right - padding, item.bottom};
        const UINT align = (format.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT : DT_LEFT;
        DrawTextW(dc, text, -1, &label,
                  align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        // The line between columns and under them, in the text's colour: seen on any face.
        RECT line = {item.right - 1, item.top, item.right, item.bottom};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
    }
    RECT bottom = {client.left, client.bottom - 1, client.right, client.bottom};
    FillRect(dc, &bottom, GetSysColorBrush(COLOR_BTNSHADOW));
    if (oldFont != nullptr)
        SelectObject(dc, oldFont);
    EndPaint(header, &paint);
}

LRESULT CALLBACK headerProcedure(HWND header, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR) {
    switch (message) {
    case WM_PAINT:
        paint(header);
        return 0;
    case WM_ERASEBKGND:
        return 1; // painted whole in WM_PAINT
    case WM_NCDESTROY:
        RemoveWindowSubclass(header, headerProcedure, kSubclass);
        break;
    default:
        break;
    }
    return DefSubclassProc(header, message, wParam, lParam);
}

} // namespace

void drawHeaderInSystemColours(HWND listView) {
    const auto header = reinterpret_cast<HWND>(SendMessageW(listView, LVM_GETHEADER, 0, 0));
    if (header != nullptr)
        SetWindowSubclass(header, headerProcedure, kSubclass, 0);
}
