#pragma once

#include <windows.h>

#include <commdlg.h>

#include <functional>
#include <string>

// Find in the page: the system's Find dialog, next and previous without it, the text found
// selected and scrolled to, and a box that names what is not in the page. Case and accents
// are ignored as the term search ignores them, unless the dialog's Match case is checked.
class PageFind {
public:
    PageFind() = default;
    PageFind(const PageFind&) = delete;
    PageFind& operator=(const PageFind&) = delete;

    // Where a person sees and hears what a search found: the window's status line, with a
    // short text shown and the whole sentence as its accessible name.
    using Say = std::function<void(const std::wstring& shown, const std::wstring& spoken)>;
    // The window that owns the dialog, the page searched in, and where what is found is said.
    void attach(HWND owner, HWND page, Say say);
    void setPage(HWND page); // a new control shows the page
    // Shows the dialog, with the page's selection to find when it is a few words.
    void open();
    // The next or the previous place of the text last looked for; the dialog when there is none
    // yet. `pageName` names the page where a box says the text is not there.
    void findAgain(bool forward, const std::wstring& pageName);
    // Whether `message` is the dialog's, which the owner then hands to onDialogMessage.
    bool isDialogMessage(UINT message) const { return message != 0 && message == findMessage_; }
    void onDialogMessage(LPARAM lParam, const std::wstring& pageName);
    // Whether `window` is the dialog or one of its controls.
    bool owns(HWND window) const;
    // The dialog's keyboard (Tab, Enter, Escape); true when it took `message`.
    bool dialogKeys(const MSG& message) const;

private:
    void find(bool forward, const std::wstring& pageName);
    // Moves the dialog off the text found, above or below its line.
    void uncover(LONG found) const;

    HWND owner_ = nullptr, page_ = nullptr, dialog_ = nullptr;
    Say say_;
    UINT findMessage_ = 0;
    wchar_t wanted_[256] = {};
    FINDREPLACEW request_ = {}; // the dialog's, at this address while it is open
};
