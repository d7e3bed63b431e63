#include "GroupChoice.h"

#include "AccessibleControl.h"
#include "win32/RegistryLines.h"

#include <commctrl.h>

#include <algorithm>

namespace {

const wchar_t kGroupsKey[] = L"Software\\Technical Glossary\\Groups";
const wchar_t kGroupsValue[] = L"Groups"; // see groups::Groups::remembered
const wchar_t kListName[] = L"Group of dictionaries shown";

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

void GroupChoice::attach(HWND label, HWND list) {
    label_ = label;
    list_ = list;
    groups_ = groups::Groups::fromRemembered(
        win32::readLines(HKEY_CURRENT_USER, kGroupsKey, kGroupsValue, 1024 * 1024));
    // Its accessible object keeps this name whatever the label beside it says.
    nameDialogControl(list_, kListName);
    fill();
}

void GroupChoice::fill() {
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, CB_RESETCONTENT, 0, 0);
    SendMessageW(list_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(groups::kAllDictionaries));
    for (const groups::Group& group : groups_.list())
        SendMessageW(list_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(group.name).c_str()));
    SendMessageW(list_, CB_SETCURSEL, groups_.chosen(), 0);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

bool GroupChoice::take(groups::Groups groups) {
    const std::optional<groups::Group> before = groups_.shown();
    groups_ = std::move(groups);
    fill();
    const std::optional<groups::Group> after = groups_.shown();
    if (before.has_value() != after.has_value())
        return true;
    return before &&
           (before->name != after->name || before->members.size() != after->members.size() ||
            !std::equal(before->members.begin(), before->members.end(), after->members.begin()));
}

bool GroupChoice::choose(std::size_t choice) {
    if (choice == groups_.chosen() || !groups_.choose(choice))
        return false;
    SendMessageW(list_, CB_SETCURSEL, choice, 0);
    // Said by a screen reader wherever the focus is: the list's value changed.
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, list_, OBJID_CLIENT, CHILDID_SELF);
    return true;
}

bool GroupChoice::takeSelection() {
    const LRESULT selected = SendMessageW(list_, CB_GETCURSEL, 0, 0);
    return selected != CB_ERR && selected >= 0 &&
           static_cast<std::size_t>(selected) != groups_.chosen() &&
           groups_.choose(static_cast<std::size_t>(selected));
}

std::wstring GroupChoice::note() const {
    const std::optional<groups::Group> shown = groups_.shown();
    return shown ? L"Group: " + wide(shown->name) : std::wstring(L"All dictionaries");
}

std::wstring GroupChoice::spokenNote() const {
    const std::optional<groups::Group> shown = groups_.shown();
    return shown ? L"Showing the group " + wide(shown->name) +
                       L": only its dictionaries are listed, shown and searched."
                 : std::wstring(L"Showing all dictionaries that are on.");
}

void GroupChoice::save() const {
    win32::writeLines(HKEY_CURRENT_USER, kGroupsKey, kGroupsValue, groups_.remembered());
}
