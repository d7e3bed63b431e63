#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

// A list of a dialog that may give up height, down to `keptPercent` of it.
struct Stretch {
    int id;
    int keptPercent;
};

// A dialog taller than the work area of its screen (a high density on a small screen) gives up
// height from its lists, the first as far as it may, then the next: the controls below each
// move up, so that OK and Cancel stay on the screen. A list never rises above the bottom of a
// control beside it. Then the dialog is placed inside the work area.
void fitToWorkArea(HWND dialog, std::initializer_list<Stretch> lists);

// Sets a note's text. An empty note gives up its height (the controls below move up and the
// dialog shrinks), so that a small screen keeps room for the lists; text gives it back.
// Whether the dialog grew.
bool showNote(HWND dialog, int id, const std::wstring& text);
