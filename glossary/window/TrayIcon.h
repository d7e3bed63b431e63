#pragma once

#include <windows.h>

#include <string>

// The glossary's icon in the notification area, which serves look-ups while the main window is
// closed. Its news (clicks, keys, the menu asked for) come to the owning window as
// MSG_NOTIFY_ICON; the owner shows the menu.
class TrayIcon {
public:
    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon() { remove(); }

    // Shows the icon for `owner`, with `tip` as its name; again after the taskbar came back.
    bool add(HWND owner, const std::wstring& tip);
    void remove();
    bool shown() const { return owner_ != nullptr; }
    // Whether `message` says the taskbar was made anew (Explorer restarted): the icon must be
    // added again.
    static bool taskbarCreated(UINT message);
    // What the icon's news in `lParam` and `wParam` ask of the owner.
    enum class Request { None, Open, Menu };
    static Request requestOf(WPARAM wParam, LPARAM lParam, POINT& at);

private:
    HWND owner_ = nullptr;
};
