#pragma once

#include "PageView.h"
#include "win32/Gdi.h"
#include "win32/Handles.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// The small window a look-up from another program shows near the mouse pointer: the page of
// the word in a page view of its own, and a button that opens the word in the main window. It
// never takes the focus from the reader's program unless the reader clicks into it; Escape or
// a click elsewhere closes it, Enter opens the word.
class LookupPopup {
public:
    struct Actions {
        std::function<void(const std::u16string& word)> open; // Enter or the button
        PageView::Follow follow;                              // a link chosen in the popup
        // The whole page of `word` once what it needs is ready (the terms read, the index
        // built); nothing while it is not. Asked again and again after show(..., false).
        std::function<std::optional<std::u16string>(const std::u16string& word)> complete;
    };

    LookupPopup() = default;
    LookupPopup(const LookupPopup&) = delete;
    LookupPopup& operator=(const LookupPopup&) = delete;
    // The window goes first: its page's controls still call on the page view while they go.
    ~LookupPopup() { window_.reset(); }

    bool create(HINSTANCE instance, Actions actions);
    // Shows `html`, the page of `word`, near the mouse pointer: on its screen, inside the
    // screen's work area, at the screen's density. A page not `whole` says what is still to
    // come; the whole one takes its place once Actions::complete gives it.
    void show(const std::u16string& word, const std::u16string& html, bool whole = true);
    // Makes what the first page shown would otherwise wait for (its controls, its fonts), so
    // that the first look-up is as quick as the others.
    void prepare();
    // Another page in the popup where it stands (a link followed in it).
    void showPage(const std::u16string& word, const std::u16string& html);
    void close();
    bool shown() const { return window_ && IsWindowVisible(window_.get()); }
    // Keys for the popup once the reader has clicked into it; true when `message` was taken.
    bool translate(MSG& message);
    void coloursChanged(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void setDpi(int dpi);
    void layout();
    int scaled(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    // Escape and Enter reach the popup while another program has the keyboard.
    void takeKeys(bool take);
    // A click outside the popup, or another window brought to the front, closes it.
    void watch();
    void open();
    void completePage();
    // The page and the popup's name, which a screen reader reads when it is announced.
    void putPage(const std::u16string& word, const std::u16string& html);
    void announce();

    win32::OwnWindow window_;
    PageView page_;
    HWND button_ = nullptr;
    win32::Gdi<HFONT> pageFont_, buttonFont_;
    int dpi_ = 96;
    Actions actions_;
    std::u16string word_;
    HWND foreground_ = nullptr; // the reader's window when the popup came
    bool keysTaken_ = false;
};
