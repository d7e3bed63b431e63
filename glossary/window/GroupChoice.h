#pragma once

#include "groups/DictionaryGroups.h"

#include <windows.h>

#include <string>

// The main window's list of groups ("All dictionaries" first, then the reader's groups in
// their order), its label, and the groups remembered per user. The window reads the group
// shown from here; Ctrl+1 ... Ctrl+9 choose the list's first nine.
class GroupChoice {
public:
    // Takes the label and the drop-down list the window made (the list after its label, so
    // that the label names it), and fills the list from the remembered groups.
    void attach(HWND label, HWND list);
    HWND list() const { return list_; }

    const groups::Groups& model() const { return groups_; }
    // The groups as the dictionaries dialog left them: the list anew. True when the group
    // shown, or what it holds, changed.
    bool take(groups::Groups groups);
    // The list's choice `choice` (0 all dictionaries): false when there is none such or it is
    // the one shown already.
    bool choose(std::size_t choice);
    // The reader chose in the list itself: true when that changed the group shown.
    bool takeSelection();
    // What the window's status line says of the group shown, and what a screen reader says.
    std::wstring note() const;
    std::wstring spokenNote() const;
    // Remembered per user; nothing is written once the product's settings are gone.
    void save() const;

private:
    void fill();
    groups::Groups groups_;
    HWND label_ = nullptr, list_ = nullptr;
};
