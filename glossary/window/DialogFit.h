#pragma once

#include <windows.h>

// A dialog taller than the work area of its screen (a high density on a small screen) gives up
// height from its list `stretchId`, down to `keptPercent` of it: the controls below move up, so
// that OK and Cancel stay on the screen. Then it is placed inside the work area.
void fitToWorkArea(HWND dialog, int stretchId, int keptPercent = 40);
