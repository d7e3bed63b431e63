#pragma once

#include <functional>
#include <string>
#include <vector>

// What the glossary is asked for on its command line (portable).
struct StartArguments {
    std::wstring database;  // empty: the default database
    std::wstring word;      // empty: none; else looked up as the search box would
    bool newWindow = false; // /new: a window of its own, not the one already running
    bool tray = false;      // /tray: only the notification icon, the window hidden (at log-on)
};

// Reads the arguments after the program's name. `/db=<file>` and `/word=<text>` say which is
// which; otherwise an argument that names an existing file (`isFile`), or ends in ".mdb", is
// the database and the others, joined by blanks, are the word ("glossary ice cream"). Options
// are read in any case; `/new` asks for a window of its own, `/tray` for the notification icon
// alone.
StartArguments readStartArguments(const std::vector<std::wstring>& arguments,
                                  const std::function<bool(const std::wstring&)>& isFile);
