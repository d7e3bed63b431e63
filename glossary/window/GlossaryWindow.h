#pragma once

#include "GdiObject.h"
#include "Glossary.h"

#include <windows.h>

#include <string>

// The glossary's one window: search box, term list, page view, logo, Exit and version label.
class GlossaryWindow {
public:
    // Creates the window; Dict.mdb is read from the current directory. Null when the window
    // cannot be created (the system's error is then the last error).
    static HWND create(HINSTANCE instance, int show);

    // Keys that act wherever the focus is: the page's zoom. True when `message` was one.
    static bool translateAccelerator(HWND window, const MSG& message);

private:
    explicit GlossaryWindow(HINSTANCE instance) : instance_(instance) {}
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK searchProcedure(HWND search, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool searchKey(WPARAM key);
    void moveSelection(int to);
    void zoom(int step);
    void onActivate(bool active);
    void createFonts();
    void onDpiChanged(int dpi, const RECT& suggested);

    void onCreate();
    void onCommand(int id, int code);
    void fillList();
    void setListItemHeight();
    void drawTerm(const DRAWITEMSTRUCT& item);
    int termByFirstLetter(wchar_t letter, int caret) const;
    void showSelected();  // List1_Click
    void searchChanged(); // Text1_Change
    void selectInList(int index);
    void redrawList();
    void openMakersPage(); // Picture1_Click
    void showPage(const std::u16string& html);
    int scaled(int twips) const;
    HWND control(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id);
    void layout(int width, int height);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    bool ownedByWindow_ = false; // from a successful creation on, WM_NCDESTROY deletes it
    HWND focus_ = nullptr;       // the control that had the focus when the window was left
    WNDPROC searchDefault_ = nullptr;
    int zoomPercent_ = 100;
    bool listRedrawPending_ = false;
    HWND search_ = nullptr, terms_ = nullptr, page_ = nullptr, logoControl_ = nullptr;
    GdiObject<HFONT> font_, labelFont_;
    GdiObject<HBITMAP> logo_;
    int dpi_ = 96;
    Glossary glossary_{{}, {}};
};
