#pragma once

#include "ServerSources.h"
#include "groups/DictionaryGroups.h"
#include "search/DatabaseSet.h"
#include "search/SourceChoice.h"
#include "search/SourceView.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A database of the set, with its dictionaries (`refusal` says why they cannot be chosen: the
// dialog then lists the database whole and explains).
struct DatabaseChoice {
    std::wstring path; // full
    search::SourceChoice sources;
    search::SourceView::Refusal refusal = search::SourceView::Refusal::None;
    std::wstring unreadable; // why it cannot be read now (listed whole, to be removed)
};

// What the dialog edits: the databases (the one opened first) with their dictionaries in one
// order across them, and the DICT servers with theirs. `readDatabase` reads a database the
// user adds (false and why when it is none); `sources` asks the servers for their databases;
// `open` holds the dialog while it is open, for their answers.
struct DictionaryChoices {
    std::vector<DatabaseChoice> databases;
    std::vector<search::SourcePlace> order;
    ServerChoice servers;
    groups::Groups groups; // made, renamed, deleted and filled in the dialog's group section
    std::function<bool(const std::wstring& path, DatabaseChoice& into, std::wstring& why)>
        readDatabase;
    bool mayKeepSettings = false; // the folder of a database added is remembered for the user
};

// True when OK was chosen; `choices` then holds what the user chose.
bool chooseDictionaries(HINSTANCE instance, HWND owner, DictionaryChoices& choices,
                        ServerSources& sources, HWND& open);
// The dictionaries dialog: a list of the databases' dictionaries with check boxes, entry counts
// and the file each comes from, the DICT servers' databases after them, Move up, Move down,
// Remove (an added database or a server), Add database..., a server's address to add, OK and
// Cancel; all of it by the keyboard, each control named for screen readers.
