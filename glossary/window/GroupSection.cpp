#include "GroupSection.h"

#include "DictionariesRows.h"
#include "HeaderColours.h"
#include "Ids.h"
#include "WindowText.h"

#include <commctrl.h>

namespace {

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

std::u16string narrow(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

// Every dictionary the dialog knows, in its order: the databases', then each server's. A
// database's own is a member by its name, in whichever database of the set it is.
std::vector<std::pair<groups::Member, std::wstring>> dictionariesOf(const DictionaryChoices& c) {
    std::vector<std::pair<groups::Member, std::wstring>> all;
    for (const search::SourcePlace& place : c.order) {
        const DatabaseChoice& database = c.databases[place.database];
        if (database.refusal == search::SourceView::Refusal::None && database.unreadable.empty())
            all.push_back({{u"", database.sources[place.source].name},
                           dictionaries::fileName(database.path)});
    }
    for (const ServerSetting& server : c.servers) {
        for (const ServerDictionary& dictionary : server.dictionaries)
            all.push_back({{server.address, dictionary.name}, wide(server.address)});
    }
    return all;
}

void setItem(HWND list, int item, int column, const std::wstring& text) {
    std::wstring copy = text;
    LVITEMW row = {};
    row.iItem = item;
    row.iSubItem = column;
    row.mask = LVIF_TEXT;
    row.pszText = copy.data();
    if (column == 0)
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
    else
        SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&row));
}

} // namespace

void GroupSection::init(HWND dialog, const DictionaryChoices& choices) {
    const HWND list = GetDlgItem(dialog, IDC_GROUP_MEMBERS);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    // In dialog units, so that the columns follow the font and the screen's density.
    RECT widths = {0, 0, 200, 96};
    MapDialogRect(dialog, &widths);
    const wchar_t* titles[] = {L"Dictionary", L"From"};
    const int cx[] = {static_cast<int>(widths.right), static_cast<int>(widths.bottom)};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNW header = {};
        header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        header.cx = cx[column];
        header.pszText = const_cast<wchar_t*>(titles[column]);
        header.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&header));
    }
    drawHeaderInSystemColours(list);
    SendDlgItemMessageW(dialog, IDC_GROUP_NAME, EM_LIMITTEXT, groups::kLongestName, 0);
    // The group the window shows is the one to change, else the first.
    const std::size_t shown = choices.groups.chosen();
    fillGroups(dialog, choices.groups, shown > 0 ? shown - 1 : 0);
    refresh(dialog, choices);
}

std::size_t GroupSection::editing(HWND dialog) const {
    const LRESULT selected = SendDlgItemMessageW(dialog, IDC_GROUPS, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR || selected < 0 ? SIZE_MAX : static_cast<std::size_t>(selected);
}

void GroupSection::fillGroups(HWND dialog, const groups::Groups& groups, std::size_t select) {
    const HWND box = GetDlgItem(dialog, IDC_GROUPS);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const groups::Group& group : groups.list())
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(group.name).c_str()));
    const bool any = !groups.list().empty();
    if (any)
        SendMessageW(box, CB_SETCURSEL, std::min(select, groups.list().size() - 1), 0);
    for (const int id : {IDC_GROUPS, IDC_GROUP_RENAME, IDC_GROUP_DELETE, IDC_GROUP_MEMBERS})
        EnableWindow(GetDlgItem(dialog, id), any);
}

void GroupSection::refresh(HWND dialog, const DictionaryChoices& choices) {
    rows_.clear();
    for (auto& [member, from] : dictionariesOf(choices))
        rows_.push_back({member, wide(member.name), from});
    fillMembers(dialog, choices.groups);
}

void GroupSection::fillMembers(HWND dialog, const groups::Groups& groups) {
    const HWND list = GetDlgItem(dialog, IDC_GROUP_MEMBERS);
    const std::size_t group = editing(dialog);
    filling_ = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const int item = static_cast<int>(i);
        setItem(list, item, 0, rows_[i].name);
        setItem(list, item, 1, rows_[i].from);
        const bool in = group < groups.list().size() && groups.list()[group].holds(rows_[i].member);
        ListView_SetItemState(list, item, INDEXTOSTATEIMAGEMASK(in ? 2 : 1), LVIS_STATEIMAGEMASK);
    }
    const int select = focused >= 0 && focused < static_cast<int>(rows_.size()) ? focused : 0;
    if (!rows_.empty())
        ListView_SetItemState(list, select, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    filling_ = false;
    updateNote(dialog, groups);
}

void GroupSection::updateNote(HWND dialog, const groups::Groups& groups) {
    const std::size_t group = editing(dialog);
    std::wstring note;
    if (groups.list().empty())
        note = L"No groups yet: type a name (English, or Computing) and choose New group.";
    else if (rows_.empty())
        note = L"No dictionaries to put in a group: this database names none, and no DICT "
               L"server has listed any.";
    else if (group < groups.list().size()) {
        std::size_t in = 0;
        for (const Row& row : rows_)
            in += groups.list()[group].holds(row.member) ? 1 : 0;
        if (in == 0)
            note = L"The group \u201C" + wide(groups.list()[group].name) +
                   L"\u201D has no dictionaries: put some in with Space in the list.";
    }
    say(dialog, note);
}

void GroupSection::say(HWND dialog, const std::wstring& note) {
    SetDlgItemTextW(dialog, IDC_GROUP_NOTE, note.c_str());
}

void GroupSection::refuse(HWND dialog, const std::u16string& why) {
    say(dialog, wide(why));
    MessageBeep(MB_ICONWARNING);
    const HWND name = GetDlgItem(dialog, IDC_GROUP_NAME);
    SetFocus(name);
    SendMessageW(name, EM_SETSEL, 0, -1);
}

void GroupSection::make(HWND dialog, groups::Groups& groups) {
    const std::u16string name = narrow(win32::windowText(GetDlgItem(dialog, IDC_GROUP_NAME)));
    if (!groups.add(name)) {
        refuse(dialog, groups.refusal(name));
        return;
    }
    SetDlgItemTextW(dialog, IDC_GROUP_NAME, L"");
    fillGroups(dialog, groups, groups.list().size() - 1);
    fillMembers(dialog, groups);
    SetFocus(GetDlgItem(dialog, IDC_GROUP_MEMBERS));
}

void GroupSection::rename(HWND dialog, groups::Groups& groups) {
    const std::size_t group = editing(dialog);
    const std::u16string name = narrow(win32::windowText(GetDlgItem(dialog, IDC_GROUP_NAME)));
    if (group >= groups.list().size()) {
        MessageBeep(MB_OK);
        return;
    }
    if (!groups.rename(group, name)) {
        refuse(dialog, groups.refusal(name, group));
        return;
    }
    SetDlgItemTextW(dialog, IDC_GROUP_NAME, L"");
    fillGroups(dialog, groups, group);
    fillMembers(dialog, groups);
    SetFocus(GetDlgItem(dialog, IDC_GROUPS));
}

void GroupSection::remove(HWND dialog, groups::Groups& groups) {
    const std::size_t group = editing(dialog);
    if (group >= groups.list().size()) {
        MessageBeep(MB_OK);
        return;
    }
    groups.remove(group);
    fillGroups(dialog, groups, group > 0 ? group - 1 : 0);
    fillMembers(dialog, groups);
    const HWND box = GetDlgItem(dialog, IDC_GROUPS);
    SetFocus(IsWindowEnabled(box) ? box : GetDlgItem(dialog, IDC_GROUP_NAME));
}

bool GroupSection::command(HWND dialog, WPARAM wParam, DictionaryChoices& choices) {
    switch (LOWORD(wParam)) {
    case IDC_GROUP_NEW:
        make(dialog, choices.groups);
        return true;
    case IDC_GROUP_RENAME:
        rename(dialog, choices.groups);
        return true;
    case IDC_GROUP_DELETE:
        remove(dialog, choices.groups);
        return true;
    case IDC_GROUPS:
        if (HIWORD(wParam) == CBN_SELCHANGE)
            fillMembers(dialog, choices.groups);
        return true;
    case IDOK:
        // Enter in the name box makes the group named there.
        if (GetFocus() == GetDlgItem(dialog, IDC_GROUP_NAME) &&
            GetWindowTextLengthW(GetFocus()) > 0) {
            make(dialog, choices.groups);
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool GroupSection::notify(HWND dialog, const NMHDR& header, DictionaryChoices& choices) {
    if (header.idFrom != IDC_GROUP_MEMBERS)
        return false;
    if (header.code != LVN_ITEMCHANGED || filling_)
        return true;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    const std::size_t group = editing(dialog);
    if (change.iItem < 0 || static_cast<std::size_t>(change.iItem) >= rows_.size() ||
        group >= choices.groups.list().size() || (change.uChanged & LVIF_STATE) == 0 ||
        ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0)
        return true;
    const bool in = (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    choices.groups.setMember(group, rows_[static_cast<std::size_t>(change.iItem)].member, in);
    updateNote(dialog, choices.groups);
    return true;
}
