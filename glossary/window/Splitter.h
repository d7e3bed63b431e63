#pragma once

#include <windows.h>

#include <functional>

// The bar between the term list and the page: dragged with the mouse or moved by keys, so that
// long terms can be read whole. It widens the list by twips over its designed width, as far as
// the window's layout allows, and has the window laid out again.
class Splitter {
public:
    // `clamp`: the widening the layout allows at a client width in pixels; `relayout`: lays
    // the window out again for a new widening.
    using Clamp = std::function<int(int twips, int clientWidth)>;
    Splitter(Clamp clamp, std::function<void()> relayout)
        : clamp_(std::move(clamp)), relayout_(std::move(relayout)) {}

    // The window it splits, in the gap between its controls `left` and `right`.
    void attach(HWND window, int left, int right);
    // The widening remembered, which a narrower window shows only in part.
    int widening() const { return widening_; }
    void restore(int twips) { widening_ = twips > 0 ? twips : 0; } // before the window's layout
    void move(int steps); // by keys: steps right (widening the list) or left
    // The window's cursor and mouse messages at `dpi`; true when the splitter took one.
    bool mouse(UINT message, WPARAM wParam, LPARAM lParam, int dpi);

private:
    int shownWidening() const; // widening_ as the window's present width allows it
    void setWidening(int twips);
    bool on(POINT at) const;

    Clamp clamp_;
    std::function<void()> relayout_;
    HWND window_ = nullptr;
    int left_ = 0, right_ = 0;
    int widening_ = 0;
    bool dragging_ = false;
    int dragFrom_ = 0, dragStart_ = 0; // the widening and the mouse's x when the drag began
};
