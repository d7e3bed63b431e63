// The dictionaries dialog: a list of the sources with check boxes and entry counts, Move up,
// Move down, OK and Cancel; all of it by the keyboard, each control named for screen readers.
#include "DictionariesDialog.h"

#include "Ids.h"

#include <commctrl.h>

#include <string>

namespace {

using search::SourceView;

struct DialogState {
    search::SourceChoice choice;
    SourceView::Refusal refusal;
    bool filling = false; // the list is being written by the program, not changed by the user
};

DialogState& stateOf(HWND dialog) {
    return *reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// 1234567 as the user's locale writes it (1,234,567).
std::wstring count(std::uint32_t number) {
    const std::wstring digits = std::to_wstring(number);
    wchar_t separator[8] = L",", decimal[8] = L".";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8);
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
    NUMBERFMTW format = {0, 0, 3, decimal, separator, 1};
    wchar_t text[64] = {};
    return GetNumberFormatW(LOCALE_USER_DEFAULT, 0, digits.c_str(), &format, text, 64) > 0
               ? std::wstring(text)
               : digits;
}

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

void writeItem(HWND list, int item, const search::SourceSetting& source) {
    std::wstring name = wide(source.name), entries = count(source.entries);
    LVITEMW row = {};
    row.iItem = item;
    row.mask = LVIF_TEXT;
    row.pszText = name.data();
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) <= item)
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
    else
        SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&row));
    row.iSubItem = 1;
    row.pszText = entries.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
    ListView_SetCheckState(list, item, source.on ? TRUE : FALSE);
}

void select(HWND list, int item) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, item, FALSE);
}

// What the note under the list says, and whether OK may be chosen.
void updateNote(HWND dialog) {
    const DialogState& state = stateOf(dialog);
    const wchar_t* note = L"";
    bool anyOn = false;
    for (const search::SourceSetting& source : state.choice)
        anyOn = anyOn || source.on;
    if (state.refusal == SourceView::Refusal::NoSources)
        note = L"This database does not record which dictionary each entry comes from, so all of "
               L"it is shown. Build it again with dictbuild to choose its dictionaries.";
    else if (state.refusal == SourceView::Refusal::NoEntries)
        note = L"This database names its dictionaries but not which entries are whose (an "
               L"earlier dictbuild left that out with --no-index), so all of it is shown. Build "
               L"it again with this dictbuild to choose its dictionaries.";
    else if (!anyOn)
        note = L"No dictionary is on: turn at least one on (Space) to see any entry.";
    SetDlgItemTextW(dialog, IDC_SOURCES_NOTE, note);
    EnableWindow(GetDlgItem(dialog, IDOK), state.refusal != SourceView::Refusal::None || anyOn);
}

void fill(HWND dialog) {
    DialogState& state = stateOf(dialog);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    // Columns sized in dialog units, so that they follow the font and the screen's density.
    RECT widths = {0, 0, 124, 56};
    MapDialogRect(dialog, &widths);
    const wchar_t* titles[] = {L"Dictionary", L"Entries"};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNW header = {};
        header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        header.fmt = column == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
        header.cx = column == 0 ? widths.right : widths.bottom;
        header.pszText = const_cast<wchar_t*>(titles[column]);
        header.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&header));
    }
    state.filling = true;
    for (std::size_t i = 0; i < state.choice.size(); ++i)
        writeItem(list, static_cast<int>(i), state.choice[i]);
    if (!state.choice.empty())
        select(list, 0);
    state.filling = false;
    if (state.refusal != SourceView::Refusal::None) {
        for (const int id : {IDC_SOURCES, IDC_SOURCES_UP, IDC_SOURCES_DOWN})
            EnableWindow(GetDlgItem(dialog, id), FALSE);
    }
    updateNote(dialog);
}

void move(HWND dialog, int step) {
    DialogState& state = stateOf(dialog);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    const int from = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    const int to = from + step;
    if (from < 0 || to < 0 || to >= static_cast<int>(state.choice.size())) {
        MessageBeep(MB_OK); // already first or last
        return;
    }
    std::swap(state.choice[static_cast<std::size_t>(from)],
              state.choice[static_cast<std::size_t>(to)]);
    state.filling = true;
    writeItem(list, from, state.choice[static_cast<std::size_t>(from)]);
    writeItem(list, to, state.choice[static_cast<std::size_t>(to)]);
    select(list, to);
    state.filling = false;
}

void itemChanged(HWND dialog, const NMLISTVIEW& change) {
    DialogState& state = stateOf(dialog);
    if (state.filling || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0 ||
        static_cast<std::size_t>(change.iItem) >= state.choice.size())
        return;
    if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0)
        return;
    // The check box is the state image: 2 checked, 1 not.
    state.choice[static_cast<std::size_t>(change.iItem)].on =
        (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    updateNote(dialog);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        fill(dialog);
        SetFocus(GetDlgItem(
            dialog, stateOf(dialog).refusal == SourceView::Refusal::None ? IDC_SOURCES : IDOK));
        return FALSE; // the focus is set
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_SOURCES && header->code == LVN_ITEMCHANGED)
            itemChanged(dialog, *reinterpret_cast<const NMLISTVIEW*>(lParam));
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SOURCES_UP:
        case IDC_SOURCES_DOWN:
            move(dialog, LOWORD(wParam) == IDC_SOURCES_UP ? -1 : 1);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

} // namespace

bool chooseDictionaries(HINSTANCE instance, HWND owner, search::SourceChoice& choice,
                        search::SourceView::Refusal refusal) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    DialogState state{choice, refusal};
    if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_DICTIONARIES), owner, procedure,
                        reinterpret_cast<LPARAM>(&state)) != IDOK ||
        refusal != SourceView::Refusal::None)
        return false;
    choice = std::move(state.choice);
    return true;
}
