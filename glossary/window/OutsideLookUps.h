#pragma once

#include "ClipboardLookup.h"
#include "HotkeyLookup.h"
#include "LookupPopup.h"
#include "LookupSettings.h"
#include "TrayIcon.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// Look-ups from other programs: a word copied or selected there shows its page in the popup,
// and the notification icon keeps serving them while the window is closed, if the reader
// chooses so. The window owns it and resolves the words.
class OutsideLookUps {
public:
    struct Owner {
        // The page of `word` resolved as the search box resolves it, and the term it shows;
        // `whole` false: the page says what is still to come.
        std::function<std::u16string(const std::u16string& word, std::u16string& term, bool& whole)>
            page;
        decltype(LookupPopup::Actions::complete) complete; // that page once nothing is to come
        std::function<std::optional<std::u16string>(const std::u16string& name)> term;
        std::function<void(const std::u16string& target)> followLink; // not a term's link
        std::function<void(const std::u16string& word)> lookUp;       // in the window
        std::function<void()> saveSettings; // the window is about to hide in the icon
    };

    explicit OutsideLookUps(Owner owner) : owner_(std::move(owner)) {}
    OutsideLookUps(const OutsideLookUps&) = delete;
    OutsideLookUps& operator=(const OutsideLookUps&) = delete;

    void start(HINSTANCE instance, HWND window, bool trayOnly);
    // The window's messages about look-ups; true when `message` was one of them.
    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool translate(MSG& message) { return popup_.translate(message); }

private:
    void lookUpCopied(const std::u16string& word);
    void followPopupLink(const std::u16string& target);
    void openLookedUp(const std::u16string& word); // in the window, brought to the front
    void command(int id);
    void fillMenu(HMENU menu, bool iconMenu) const;
    void updateMenus();
    void showIconMenu(POINT at);

    Owner owner_;
    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    LookupSettings settings_;
    ClipboardLookup clipboard_;
    HotkeyLookup hotkey_;
    TrayIcon trayIcon_;
    LookupPopup popup_;
};
