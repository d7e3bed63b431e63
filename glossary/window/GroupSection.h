#pragma once

#include "DictionariesDialog.h"

#include <windows.h>

#include <string>
#include <vector>

// The dictionaries dialog's section that makes groups: the group being changed, a name typed
// for a new group or a rename, New group, Rename, Delete, and every dictionary (the database's
// and the DICT servers') with a check box that puts it in the group or takes it out. The
// dialog hands it its messages; what it changes is `choices.groups`, kept only on OK.
class GroupSection {
public:
    void init(HWND dialog, const DictionaryChoices& choices);
    // The dialog's dictionaries changed (a server added, removed, or listed its databases).
    void refresh(HWND dialog, const DictionaryChoices& choices);
    // True when the message was the section's.
    bool command(HWND dialog, WPARAM wParam, DictionaryChoices& choices);
    bool notify(HWND dialog, const NMHDR& header, DictionaryChoices& choices);

private:
    struct Row {
        groups::Member member;
        std::wstring name, from;
    };
    std::size_t editing(HWND dialog) const; // the group chosen in the section, or SIZE_MAX
    void fillGroups(HWND dialog, const groups::Groups& groups, std::size_t select);
    void fillMembers(HWND dialog, const groups::Groups& groups);
    void updateNote(HWND dialog, const groups::Groups& groups); // what the group lacks
    void say(HWND dialog, const std::wstring& note);
    void refuse(HWND dialog, const std::u16string& why);
    void make(HWND dialog, groups::Groups& groups);
    void rename(HWND dialog, groups::Groups& groups);
    void remove(HWND dialog, groups::Groups& groups);
    std::vector<Row> rows_;
    bool filling_ = false; // the members' check boxes are being set by the program
};
