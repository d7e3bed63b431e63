#pragma once

#include "driver/DialogDriver.h"
#include "win32/Handles.h"

#include <windows.h>

#include <initializer_list>
#include <string>

// glossary.exe running in a folder of its own, driven from outside as a user would.
class GlossaryProcess {
public:
    // Starts the program with `directory` as its current directory and waits (up to
    // timeoutMs) until its window shows; valid() tells whether that happened.
    // `arguments` follow the program's name on its command line.
    GlossaryProcess(const std::string& program, const std::string& directory, DWORD timeoutMs,
                    const std::string& arguments = std::string());
    ~GlossaryProcess();
    GlossaryProcess(const GlossaryProcess&) = delete;
    GlossaryProcess& operator=(const GlossaryProcess&) = delete;

    bool valid() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }
    HANDLE process() const { return process_.get(); }
    DWORD id() const { return processId_; }

    void type(const std::wstring& text); // one WM_CHAR a character, each handled before the next
    void setSearch(const std::wstring& text);
    void clickListItem(int index); // as the mouse would
    void clickLogo();
    void clickExit();
    // Drops the file on the window, as the shell does.
    bool dropFile(const std::wstring& path);
    // Clicks the first character of the first `piece` of the page's text, as the mouse would.
    // `press` false: the button's release alone, as after a press that went elsewhere.
    bool clickPageText(const std::wstring& piece, bool press = true);
    // Where character `position` of the page (a line end one character) stands in the client
    // area of the control showing it.
    bool pageCharacterPosition(long position, POINTL& point) const;
    // Processes the program has started that are still running.
    int runningChildren() const;

    // Keyboard input as the user types it, to the window in the foreground: each chord is
    // pressed in order and released in reverse ({VK_CONTROL, VK_END} is Ctrl+End). Waits until
    // the program has handled it. `to` is another window of the program that takes the keys
    // (a dialog of its own).
    void press(std::initializer_list<WORD> chord, HWND to = nullptr);
    // Brings the window to the foreground, as a click on its caption would.
    void activate();
    // The control that has the keyboard focus in the program, or null.
    HWND focus() const;
    // The page's zoom in percent; `view` another page view of the program (the popup's).
    int pageZoom(HWND view = nullptr) const;
    // The size in twips of the page control's own font, which its text starts from (its
    // default character format); -1 when it cannot be read.
    int pageFontTwips(HWND view = nullptr) const;
    // Tells the window, as the system does, that it is now on a screen of `dpi`, with the
    // system's suggested frame for it; `window` another top-level window of the program.
    bool moveToScreenOfDpi(int dpi, const RECT& suggested, HWND window = nullptr);

    int selected() const;
    int itemCount() const;
    // Entry `index` of the list as any other program reads it (LB_GETTEXT).
    std::wstring listText(int index) const;
    std::wstring searchText() const;
    std::wstring pageText() const;
    // Column `column` of item `item` of a list view of the program (LVM_GETITEMTEXT), and
    // whether the item's check box is checked.
    std::wstring listViewText(HWND list, int item, int column) const;
    bool listViewChecked(HWND list, int item) const;
    // Character format of the page text from `start` for `length` characters; `color` is
    // CLR_DEFAULT for the automatic colour (the system's window text).
    // The page's window: whatever reads the page through it reads it whole.
    HWND page() const;
    bool pageFormat(int start, int length, bool& bold, COLORREF& color, int& twips) const;
    // PFA_LEFT, PFA_CENTER... of the paragraph at `position`; 0 when it cannot be read.
    WORD pageAlignment(int position) const;
    // The background of the page text from `start` for `length` characters: CLR_DEFAULT where
    // it is the page's own (not marked).
    bool pageBackground(int start, int length, COLORREF& background) const;
    // The colour on screen at the left edge of list entry `index`.
    COLORREF listItemColour(int index) const;
    // Saves the window's image as a BMP file.
    bool saveScreenshot(const std::string& path) const;
    // Waits for the process to end.
    bool waitForExit(DWORD timeoutMs, DWORD& exitCode) const;

private:
    win32::Handle process_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

using driver::eventually;
