#pragma once

#include "search/SourceChoice.h"
#include "search/SourceView.h"

#include <windows.h>

// The dialog in which the user turns a database's dictionaries on and off and puts them in the
// order of the pages. `refusal` says why this database's cannot be chosen (the dialog then
// only explains). True when OK was chosen; `choice` then holds what the user chose.
bool chooseDictionaries(HINSTANCE instance, HWND owner, search::SourceChoice& choice,
                        search::SourceView::Refusal refusal);
