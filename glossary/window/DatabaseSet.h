#pragma once

#include "search/DatabaseSet.h"

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

// The databases shown beside the one opened, each database's choice of dictionaries, and the
// order of all their dictionaries: chosen in the dictionaries dialog or added by a drop with
// Ctrl held, remembered per user under the settings' key ("Added databases", "Dictionary
// order": one line each; a value a database under "Dictionaries"). Opening a database with
// Ctrl+O or a plain drop replaces the set.
class DatabaseSet {
public:
    const std::vector<std::wstring>& added() const;
    const std::vector<std::u16string>& order() const;
    void setAdded(std::vector<std::wstring> paths);
    void setOrder(std::vector<std::u16string> names);
    // Adds `path` (made full) after the others; false when it is the one opened or already in.
    bool add(const std::wstring& path, const std::wstring& opened);
    void save() const; // what changed in this run

    // The dictionaries chosen for the database at `path` (matched by their names, so that a
    // database built again keeps what still applies): in this run, else remembered; none yet
    // when never chosen.
    std::vector<std::u16string> choice(const std::wstring& path) const;
    void setChoice(const std::wstring& path, std::vector<std::u16string> names);

    // The databases of the set, the opened one first.
    std::vector<std::wstring> paths(const std::wstring& opened) const;
    // The members as the set is read: the opened database first, each with its choice.
    std::vector<search::SetMember> members(const std::wstring& opened) const;
    // What reading the set met: each database left out (path, reason).
    void setProblems(std::vector<std::pair<std::wstring, std::wstring>> problems) {
        problems_ = std::move(problems);
    }
    // The note above every page: the databases left out when the set was read, and those whose
    // definitions could no longer be read since.
    std::u16string pageNote(const Glossary& glossary) const;

    // The note above every page that names each database left out, why and what to do:
    // `problems` holds each one's path and reason.
    static std::u16string note(const std::vector<std::pair<std::wstring, std::wstring>>& problems);

private:
    void read() const; // the settings, at the first use
    mutable bool read_ = false;
    bool changed_ = false;
    mutable std::vector<std::wstring> added_;
    mutable std::vector<std::u16string> order_;
    // Chosen in this run, by database (full path).
    std::map<std::wstring, std::vector<std::u16string>> choices_;
    std::vector<std::pair<std::wstring, std::wstring>> problems_;
};

// A path's full form, which names it in the settings.
std::wstring fullDatabasePath(const std::wstring& path);
