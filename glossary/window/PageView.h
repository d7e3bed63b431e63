#pragma once

#include "PageFind.h"
#include "page/HtmlToRtf.h"
#include "win32/Handles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The page a glossary window shows: one window for the window's life, which holds the rich
// edit controls the pages go into, their links, find, copy, print and the marks of found words.
// Whoever holds the page's window (a screen reader, another program) reads the page shown
// through it: it passes reading and using the page on to the control that shows it.
class PageView {
public:
    // `follow` is called with a link's target once the click or key that chose it is done.
    using Follow = std::function<void(const std::u16string& target)>;

    PageView() = default;
    PageView(const PageView&) = delete;
    PageView& operator=(const PageView&) = delete;
    ~PageView();

    // Makes the page's window as a child `id` of `parent`, in `font`; false when it cannot be.
    bool create(HWND parent, int id, const RECT& place, HFONT font, Follow follow);
    HWND window() const { return view_; }
    // Whether `control` is the control that shows the page (the keyboard's focus is there).
    bool isPage(HWND control) const { return control != nullptr && control == page_; }

    // Shows `html` from its top; the page before stays until the new one's first screen is in.
    void show(const std::u16string& html);
    // Called before a message that reads or uses the page is answered, so that a page the
    // holder has put off (while keys come) is shown first.
    void beforeUse(std::function<void()> due) { beforeUse_ = std::move(due); }
    // The system's colours or a high-contrast theme changed: every control is told, and the
    // page drawn again where its colours change.
    void coloursChanged(UINT message, WPARAM wParam, LPARAM lParam);
    // Another density: every control of the page, the spare one too, takes the font.
    void setFont(HFONT font);
    // The density of the screen the page is on, which its text follows (before setFont). The
    // controls draw their text's points at the system's density: the page is zoomed by the
    // ratio between the two, and the font's size is counted at this density.
    void setDpi(int dpi);
    // Half to four times the designed size, in tenths; 0 goes back to the designed size.
    void zoom(int step);
    void setZoom(int percent);
    int zoomPercent() const { return zoomPercent_; } // the reader's, without the density's

    // Keys that act on the page wherever its control is in the window's message loop; true
    // when `message` was taken. The message of a control leaving may be given to the new one.
    bool translate(MSG& message);
    // Ctrl+C in the page: its selection, with its lines, on the clipboard.
    void copy();
    // Ctrl+P: the page, or its selection, on a printer the user chooses.
    void print(HWND owner, const std::wstring& term);
    // Marks the words of `search` (a search in definitions) on the page shown.
    void markWords(const std::u16string& search);
    PageFind& find() { return find_; }

private:
    static LRESULT CALLBACK viewProcedure(HWND view, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK pageProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handlePage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    // A rich edit control for a page, hidden, behind `after` (or last) in the view.
    HWND createPageControl(HWND after);
    // Passes a message that reads or uses the page on to the control that shows it, whole.
    LRESULT passOn(UINT message, WPARAM wParam, LPARAM lParam);
    bool passesOn(UINT message) const;
    void fitControls();
    void applyZoom(HWND control) const;
    void applyFont(HWND control) const;
    void bringDuePage();

    // How a page goes in (PageFill.cpp): its first screen a slice at a time, then the rest
    // while the window is idle.
    void bringPage(bool stepFirst);
    void showUnderLeavingPage();
    void takeLeavingPagesPlace();
    void fillPage(bool whole);
    void appendPageSlice(const std::string& rtf);
    void appendSlices(std::size_t end);
    void appendRestOfPage();
    void appendIdleStep();
    void tidyPageControls();
    static bool readsOrUsesPage(UINT message);
    static bool isButtonPress(UINT message);
    bool pageFilled() const { return nextSlice_ >= pageSlices_.size(); }
    bool pageWhole() const { return !leavingPage_ && pageFilled(); }
    HWND shownPage() const { return leavingPage_ ? leavingPage_.get() : page_; }
    bool formerPage(HWND control) const;

    // The links (PageLinks.cpp): the hand over them, a click or Enter follows one, Tab goes
    // from one to the next.
    const PageLink* linkAt(POINT point) const;
    bool pageMouse(UINT message, LPARAM lParam);
    bool pageKey(WPARAM key, bool back);

    HWND view_ = nullptr;
    HFONT font_ = nullptr;
    Follow follow_;
    std::function<void()> beforeUse_;
    int zoomPercent_ = 100;
    int dpi_ = 0;              // 0: the system's
    std::u16string shownHtml_; // the page as shown, drawn again when the colours change
    PageColours shownColours_; // and the colours it was drawn in
    std::vector<PageLink> links_;
    std::u16string pendingLink_; // clicked, to be followed

    // The page, in the pieces it goes in by, and the first not yet in.
    std::vector<std::string> pageSlices_;
    std::size_t nextSlice_ = 0;
    std::size_t sliceHeader_ = 0; // the length of the header that begins each slice
    std::size_t bytesIn_ = 0;     // of the slices in
    bool fillingPage_ = false;
    HWND page_ = nullptr; // the control of the page coming in or shown
    // The control shown until the new page's first screen is in (page_ is hidden meanwhile).
    win32::OwnWindow leavingPage_;
    // Those of pages gone, hidden, destroyed when the window is idle and no message they passed
    // on is being answered.
    std::vector<win32::OwnWindow> retiredPages_;
    int passedOn_ = 0;
    win32::OwnWindow sparePage_; // hidden, for the next page
    HWND pressedPage_ = nullptr; // the page control the mouse button went down in
    PageFind find_;
};

// The colours a page is drawn in: the system's in a high-contrast or dark theme.
PageColours pageColours();
