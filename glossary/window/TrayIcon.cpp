#include "TrayIcon.h"
#include "Ids.h"

#include <shellapi.h>

#include <iterator>

namespace {

constexpr UINT kIconId = 1;

NOTIFYICONDATAW iconData(HWND owner) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = kIconId;
    return data;
}

} // namespace

bool TrayIcon::add(HWND owner, const std::wstring& tip) {
    remove();
    NOTIFYICONDATAW data = iconData(owner);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = MSG_NOTIFY_ICON;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    tip.copy(data.szTip, std::size(data.szTip) - 1); // the rest stays zero
    if (!Shell_NotifyIconW(NIM_ADD, &data))
        return false;
    owner_ = owner;
    // The keyboard's news too (Enter, the menu key), and the place of the click with them.
    data.uVersion = NOTIFYICON_VERSION_4;
    Shell_NotifyIconW(NIM_SETVERSION, &data);
    return true;
}

void TrayIcon::remove() {
    if (owner_ == nullptr)
        return;
    NOTIFYICONDATAW data = iconData(owner_);
    Shell_NotifyIconW(NIM_DELETE, &data);
    owner_ = nullptr;
}

bool TrayIcon::taskbarCreated(UINT message) {
    static const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
    return created != 0 && message == created;
}

TrayIcon::Request TrayIcon::requestOf(WPARAM wParam, LPARAM lParam, POINT& at) {
    // Version 4: the event in the low word of lParam, the place in wParam; older shells (and
    // Wine's) give the mouse message alone.
    at = POINT{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))};
    switch (LOWORD(lParam)) {
    case NIN_SELECT:
    case NIN_KEYSELECT:
    case WM_LBUTTONDBLCLK:
        return Request::Open;
    case WM_CONTEXTMENU:
        return Request::Menu;
    case WM_RBUTTONUP:
        GetCursorPos(&at);
        return Request::Menu;
    default:
        return Request::None;
    }
}
