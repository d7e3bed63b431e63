#pragma once

#include <windows.h>

#include <oleacc.h>

// IID_IAccessible spelled out: in a static link the library's symbol names the import, not
// the GUID.
constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The name a control gives assistive technology: a constant text that outlives the window.
void setAccessibleName(HWND control, const wchar_t* name);

// What a control of the glossary answers to WM_GETOBJECT for its client area: the system's
// own object, but named with the text given by setAccessibleName, and for a list box its
// items (count, names from LB_GETTEXT, selected and focused states, places). Zero when the
// request is for another object; the control then passes it on.
LRESULT answerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam, bool isList);

// A control named for assistive technology by `name` (in a dialog, its label's text without the
// ampersand): Wine names a list view by nothing and a combo box by its value.
void nameDialogControl(HWND control, const wchar_t* name);
