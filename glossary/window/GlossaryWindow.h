#pragma once

#include "GdiObject.h"
#include "Glossary.h"

#include <windows.h>

#include <string>

// The glossary's one window: search box, term list, page view, logo, Exit and version label.
class GlossaryWindow {
public:
    // Creates the window; Dict.mdb is read from the current directory.
    static HWND create(HINSTANCE instance, int show);

private:
    explicit GlossaryWindow(HINSTANCE instance) : instance_(instance) {}
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void onCommand(int id, int code);
    void fillList();
    void showSelected();   // List1_Click
    void searchChanged();  // Text1_Change
    void openMakersPage(); // Picture1_Click
    void showPage(const std::u16string& html);
    int scaled(int twips) const;
    HWND control(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id, int left,
                 int top, int width, int height);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND search_ = nullptr, terms_ = nullptr, page_ = nullptr;
    GdiObject<HFONT> font_, labelFont_;
    GdiObject<HBITMAP> logo_;
    int dpi_ = 96;
    Glossary glossary_{{}, {}};
};
