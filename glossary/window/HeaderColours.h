#pragma once

#include <windows.h>

// A list view's column headers drawn in the system's colours (the face and text of buttons),
// so that a high-contrast scheme shows them: a themed header keeps a light face whatever the
// text colour, and its titles vanish on it.
void drawHeaderInSystemColours(HWND listView);
