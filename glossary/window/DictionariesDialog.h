#pragma once

#include "ServerSources.h"
#include "groups/DictionaryGroups.h"
#include "search/SourceChoice.h"
#include "search/SourceView.h"

#include <windows.h>

// What the dialog edits: the database's dictionaries (`refusal` says why they cannot be
// chosen; the dialog then only explains), and the DICT servers with theirs. `sources` asks the
// servers for their databases; `open` holds the dialog while it is open, for their answers.
struct DictionaryChoices {
    search::SourceChoice local;
    search::SourceView::Refusal refusal = search::SourceView::Refusal::None;
    ServerChoice servers;
    groups::Groups groups; // made, renamed, deleted and filled in the dialog's group section
};

// True when OK was chosen; `choices` then holds what the user chose.
bool chooseDictionaries(HINSTANCE instance, HWND owner, DictionaryChoices& choices,
                        ServerSources& sources, HWND& open);
// The dictionaries dialog: a list of the sources with check boxes and entry counts, the DICT
// servers' databases after them, Move up, Move down, a server's address to add, Remove server,
// OK and Cancel; all of it by the keyboard, each control named for screen readers.
