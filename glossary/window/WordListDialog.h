#pragma once

#include "history/Favourites.h"
#include "history/WordHistory.h"

#include <windows.h>

#include <string>

// The lists of words a reader keeps, each in a dialog of its own that the keyboard and screen
// readers reach whole. Both change the list they are given as the reader works in them; they
// return the word chosen to open, or nothing.

// The words looked up, newest first: search, open, delete, clear (Ctrl+H).
std::u16string showHistoryList(HINSTANCE instance, HWND owner, history::WordHistory& words);

// The favourites, in the reader's order: open, move up and down, delete, export to and import
// from a plain text file (Ctrl+Shift+B).
std::u16string showFavouritesList(HINSTANCE instance, HWND owner, history::Favourites& favourites);

// The favourites written to a text file the reader chooses, or words added from one; a box
// says what was done or why not. True when something was written or added.
bool exportFavourites(HWND owner, const history::Favourites& favourites);
bool importFavourites(HWND owner, history::Favourites& favourites);
