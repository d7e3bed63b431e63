#include "DictionariesDialog.h"

#include "AccessibleControl.h"
#include "DatabaseFolder.h"
#include "DialogFit.h"
#include "DictionariesRows.h"
#include "GroupSection.h"
#include "HeaderColours.h"
#include "Ids.h"
#include "WindowText.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>

namespace {

using namespace dictionaries;
using search::SourceView;

// The lists give up rows, the top one first, when the dialog is taller than the screen's work
// area.
const std::initializer_list<Stretch> kFit = {{IDC_SOURCES, 40}, {IDC_GROUP_MEMBERS, 55}};

// What the note under the list says, and whether OK and Remove may be chosen.
void updateNote(HWND dialog) {
    DialogState& state = stateOf(dialog);
    std::wstring note;
    bool anyOn = false, whole = false;
    const DatabaseChoice* refusing = nullptr;
    for (const DatabaseChoice& database : state.choices.databases) {
        for (const search::SourceSetting& source : database.sources)
            anyOn = anyOn || (source.on && database.refusal == SourceView::Refusal::None);
        whole = whole || database.refusal != SourceView::Refusal::None;
        if (refusing == nullptr && database.refusal != SourceView::Refusal::None)
            refusing = &database;
        if (note.empty() && !database.unreadable.empty())
            note = L"The database " + database.path + L" cannot be read (" + database.unreadable +
                   L"), so it is left out. Put the file back, or remove it here (Alt+R).";
    }
    for (const ServerSetting& server : state.choices.servers) {
        for (const ServerDictionary& dictionary : server.dictionaries)
            anyOn = anyOn || dictionary.on;
        anyOn = anyOn || !server.listed;
        if (note.empty() && !server.listed) {
            dict::ServerSource& source = state.sources.source(server.address);
            const std::u16string failure = source.lastFailure();
            note = wide(failure.empty()
                            ? u"Waiting for " + server.address + u" to list its dictionaries\u2026"
                            : failure);
        }
    }
    if (!state.addressNote.empty())
        note = state.addressNote;
    else if (!note.empty())
        ; // a database that cannot be read, a server waited for, or not reached
    else if (refusing != nullptr && refusing->refusal == SourceView::Refusal::NoSources)
        note = L"The database " + fileName(refusing->path) +
               L" does not record which dictionary each entry comes from, so all of it is "
               L"shown. Build it again with dictbuild to choose its dictionaries.";
    else if (refusing != nullptr)
        note = L"The database " + fileName(refusing->path) +
               L" names its dictionaries but not which entries are whose (an earlier dictbuild "
               L"left that out with --no-index), so all of it is shown. Build it again with this "
               L"dictbuild to choose its dictionaries.";
    else if (!anyOn)
        note = L"No dictionary is on: turn at least one on (Space) to see any entry.";
    if (showNote(dialog, IDC_SOURCES_NOTE, note) && state.open != nullptr)
        fitToWorkArea(dialog, kFit);
    EnableWindow(GetDlgItem(dialog, IDOK), whole || anyOn);
    const int row = selectedRow(dialog);
    EnableWindow(GetDlgItem(dialog, IDC_SERVER_REMOVE), row >= 0 && removable(state, row));
}

// The rows anew, with the row of `server`'s `dictionary` selected (the first row when gone);
// with `server` -1, the first row of database `dictionary`.
void fillRows(HWND dialog, int server = -2, int dictionary = -1) {
    DialogState& state = stateOf(dialog);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    state.rows.clear();
    // A database whose dictionaries cannot be chosen shows as one row: all of it is shown.
    for (std::size_t i = 0; i < state.choices.order.size(); ++i) {
        if (state.choices.databases[state.choices.order[i].database].refusal ==
            SourceView::Refusal::None)
            state.rows.push_back({-1, -1, i, -1});
    }
    // Alone, it lists nothing: the note says why.
    for (std::size_t d = 0; d < state.choices.databases.size(); ++d) {
        if (state.choices.databases[d].refusal != SourceView::Refusal::None &&
            state.choices.databases.size() > 1)
            state.rows.push_back({-1, -1, 0, static_cast<int>(d)});
    }
    for (std::size_t s = 0; s < state.choices.servers.size(); ++s) {
        const auto& dictionaries = state.choices.servers[s].dictionaries;
        if (dictionaries.empty())
            state.rows.push_back({static_cast<int>(s), -1, 0, -1});
        for (std::size_t d = 0; d < dictionaries.size(); ++d)
            state.rows.push_back({static_cast<int>(s), static_cast<int>(d), 0, -1});
    }
    state.filling = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    while (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > static_cast<LRESULT>(state.rows.size()))
        SendMessageW(list, LVM_DELETEITEM, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) - 1, 0);
    int chosen = -1;
    for (std::size_t i = 0; i < state.rows.size(); ++i) {
        const Row& row = state.rows[i];
        writeItem(list, static_cast<int>(i), textOf(state, row));
        const bool wanted =
            server == -1 ? row.server < 0 && databaseOf(state, row) == dictionary
                         : row.server == server && (dictionary < 0 || row.dictionary == dictionary);
        if (chosen < 0 && wanted)
            chosen = static_cast<int>(i);
    }
    if (chosen < 0 && !state.rows.empty())
        chosen = 0;
    if (chosen >= 0)
        select(list, chosen);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    state.filling = false;
    const bool choosable = !state.rows.empty();
    for (const int id : {IDC_SOURCES, IDC_SOURCES_UP, IDC_SOURCES_DOWN})
        EnableWindow(GetDlgItem(dialog, id), choosable);
    updateNote(dialog);
    state.groupSection.refresh(dialog, state.choices);
}

void fill(HWND dialog) {
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    nameDialogControl(list, L"Show these dictionaries, in this order (Space turns one on or off)");
    nameDialogControl(GetDlgItem(dialog, IDC_GROUPS), L"Group");
    nameDialogControl(GetDlgItem(dialog, IDC_GROUP_MEMBERS),
                      L"Dictionaries in the group (Space puts one in or takes it out)");
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    // Columns sized in dialog units, so that they follow the font and the screen's density.
    RECT widths = {0, 0, 128, 48};
    MapDialogRect(dialog, &widths);
    RECT from = {0, 0, 70, 0};
    MapDialogRect(dialog, &from);
    const wchar_t* titles[] = {L"Dictionary", L"Entries", L"From"};
    const int cx[] = {static_cast<int>(widths.right), static_cast<int>(widths.bottom),
                      static_cast<int>(from.right)};
    for (int column = 0; column < 3; ++column) {
        LVCOLUMNW header = {};
        header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        header.fmt = column == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        header.cx = cx[column];
        header.pszText = const_cast<wchar_t*>(titles[column]);
        header.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&header));
    }
    drawHeaderInSystemColours(list);
    SendDlgItemMessageW(dialog, IDC_SERVER_TEXT, EM_LIMITTEXT, 300, 0);
    stateOf(dialog).groupSection.init(dialog, stateOf(dialog).choices);
    fillRows(dialog);
}

// Rows move within their own kind: the databases' dictionaries among themselves, across
// databases, a server's among its own (a server's part of the page follows the databases',
// which shows without waiting).
void move(HWND dialog, int step) {
    DialogState& state = stateOf(dialog);
    const int from = selectedRow(dialog), to = from + step;
    if (from < 0 || to < 0 || to >= static_cast<int>(state.rows.size()) ||
        state.rows[static_cast<std::size_t>(from)].server !=
            state.rows[static_cast<std::size_t>(to)].server ||
        state.rows[static_cast<std::size_t>(from)].database >= 0 ||
        state.rows[static_cast<std::size_t>(to)].database >= 0) {
        MessageBeep(MB_OK); // already first or last of its kind
        return;
    }
    const Row a = state.rows[static_cast<std::size_t>(from)];
    const Row b = state.rows[static_cast<std::size_t>(to)];
    if (a.server < 0) {
        std::swap(state.choices.order[a.local], state.choices.order[b.local]);
    } else if (a.dictionary >= 0 && b.dictionary >= 0) {
        auto& dictionaries = state.choices.servers[static_cast<std::size_t>(a.server)].dictionaries;
        std::swap(dictionaries[static_cast<std::size_t>(a.dictionary)],
                  dictionaries[static_cast<std::size_t>(b.dictionary)]);
    }
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    state.filling = true;
    writeItem(list, from, textOf(state, a));
    writeItem(list, to, textOf(state, b));
    select(list, to);
    state.filling = false;
}

void refuseAddress(HWND dialog, std::wstring why) {
    stateOf(dialog).addressNote = std::move(why);
    updateNote(dialog);
    MessageBeep(MB_ICONWARNING);
    const HWND address = GetDlgItem(dialog, IDC_SERVER_TEXT);
    SetFocus(address);
    SendMessageW(address, EM_SETSEL, 0, -1);
}

void addServer(HWND dialog) {
    DialogState& state = stateOf(dialog);
    const HWND box = GetDlgItem(dialog, IDC_SERVER_TEXT);
    const std::wstring typed = win32::windowText(box);
    if (typed.find_first_not_of(L" \t") == std::wstring::npos) {
        refuseAddress(dialog, L"Type a DICT server's name or address in the box first "
                              L"(dict.example.org, or dict.example.org:2629 for another port).");
        return;
    }
    std::u16string refusal;
    const std::u16string address =
        serverAddressOf(std::u16string(typed.begin(), typed.end()), state.choices.servers, refusal);
    if (address.empty()) {
        refuseAddress(dialog, wide(refusal));
        return;
    }
    state.addressNote.clear();
    state.choices.servers.push_back(ServerSetting{address, false, {}});
    state.sources.takeDatabases(state.choices.servers); // asks for them; never waits
    SetWindowTextW(box, L"");
    fillRows(dialog, static_cast<int>(state.choices.servers.size() - 1));
    SetFocus(GetDlgItem(dialog, IDC_SOURCES));
}

void removeDatabase(HWND dialog, std::size_t database) {
    DialogState& state = stateOf(dialog);
    auto& order = state.choices.order;
    order.erase(std::remove_if(order.begin(), order.end(),
                               [database](const search::SourcePlace& place) {
                                   return place.database == database;
                               }),
                order.end());
    for (search::SourcePlace& place : order)
        place.database -= place.database > database ? 1 : 0;
    state.choices.databases.erase(state.choices.databases.begin() +
                                  static_cast<std::ptrdiff_t>(database));
    fillRows(dialog, -1, static_cast<int>(database) - 1);
    SetFocus(GetDlgItem(dialog, IDC_SOURCES));
}

void addDatabase(HWND dialog) {
    DialogState& state = stateOf(dialog);
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW open = {};
    open.lStructSize = sizeof open;
    open.hwndOwner = dialog;
    open.lpstrFilter = L"Jet databases (*.mdb)\0*.mdb\0All files (*.*)\0*.*\0";
    open.lpstrFile = path;
    open.nMaxFile = MAX_PATH;
    open.lpstrDefExt = L"mdb";
    open.lpstrTitle = L"Add a database";
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    const std::wstring folder = databaseDialogFolder(
        state.choices.databases.empty() ? std::wstring() : state.choices.databases[0].path);
    open.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    if (!GetOpenFileNameW(&open))
        return;
    rememberDatabaseFolder(path, state.choices.mayKeepSettings);
    DatabaseChoice added;
    std::wstring why;
    if (!state.choices.readDatabase || !state.choices.readDatabase(path, added, why)) {
        refuseAddress(dialog, L"The glossary cannot read " + fileName(path) + L" as a database (" +
                                  why + L"). Choose a database that dictbuild wrote.");
        SetFocus(GetDlgItem(dialog, IDC_DATABASE_ADD));
        return;
    }
    for (const DatabaseChoice& database : state.choices.databases) {
        if (_wcsicmp(database.path.c_str(), added.path.c_str()) == 0) {
            refuseAddress(dialog, fileName(path) + L" is listed already: its dictionaries are "
                                                   L"in the list above.");
            SetFocus(GetDlgItem(dialog, IDC_DATABASE_ADD));
            return;
        }
    }
    state.addressNote.clear();
    const std::size_t database = state.choices.databases.size();
    for (std::size_t s = 0; s < added.sources.size(); ++s)
        state.choices.order.push_back({database, s});
    state.choices.databases.push_back(std::move(added));
    fillRows(dialog, -1, static_cast<int>(database));
    SetFocus(GetDlgItem(dialog, IDC_SOURCES));
}

void removeSelected(HWND dialog) {
    DialogState& state = stateOf(dialog);
    const int row = selectedRow(dialog);
    if (row < 0 || !removable(state, row)) {
        MessageBeep(MB_OK);
        return;
    }
    const int database = databaseOf(state, state.rows[static_cast<std::size_t>(row)]);
    if (database > 0) {
        removeDatabase(dialog, static_cast<std::size_t>(database));
        return;
    }
    const auto server = static_cast<std::size_t>(state.rows[static_cast<std::size_t>(row)].server);
    state.choices.servers.erase(state.choices.servers.begin() +
                                static_cast<std::ptrdiff_t>(server));
    fillRows(dialog, server > 0 ? static_cast<int>(server) - 1 : -1);
    const HWND list = GetDlgItem(dialog, IDC_SOURCES);
    SetFocus(IsWindowEnabled(list) ? list : GetDlgItem(dialog, IDC_SERVER_TEXT));
}

void serverNews(HWND dialog) {
    DialogState& state = stateOf(dialog);
    const int row = selectedRow(dialog);
    const Row selected = row >= 0 ? state.rows[static_cast<std::size_t>(row)] : Row{};
    // A server listed its databases, or one waited for failed: its rows and the note anew.
    // Answers about words change nothing here.
    bool waiting = false;
    for (const ServerSetting& server : state.choices.servers)
        waiting = waiting || !server.listed;
    // A database listed whole has no check box: one that Space gave it goes again.
    for (const DatabaseChoice& database : state.choices.databases)
        waiting = waiting || database.refusal != SourceView::Refusal::None;
    if (state.sources.takeDatabases(state.choices.servers) || waiting)
        fillRows(dialog, selected.server, selected.dictionary);
}

void itemChanged(HWND dialog, const NMLISTVIEW& change) {
    DialogState& state = stateOf(dialog);
    if (state.filling || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0 ||
        static_cast<std::size_t>(change.iItem) >= state.rows.size())
        return;
    if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0) {
        const Row& row = state.rows[static_cast<std::size_t>(change.iItem)];
        const bool on = (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
        if (row.database >= 0) {
            if ((change.uNewState & LVIS_STATEIMAGEMASK) != 0)
                PostMessageW(dialog, MSG_SERVER_NEWS, 0, 0); // listed whole: no check box
        } else if (row.server < 0) {
            const search::SourcePlace place = state.choices.order[row.local];
            state.choices.databases[place.database].sources[place.source].on = on;
        } else if (row.dictionary >= 0)
            state.choices.servers[static_cast<std::size_t>(row.server)]
                .dictionaries[static_cast<std::size_t>(row.dictionary)]
                .on = on;
        else if ((change.uNewState & LVIS_STATEIMAGEMASK) != 0)
            PostMessageW(dialog, MSG_SERVER_NEWS, 0, 0); // a server waited for has no check box
    }
    updateNote(dialog);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        stateOf(dialog).open = dialog;
        fill(dialog);
        fitToWorkArea(dialog, kFit);
        SetFocus(GetDlgItem(dialog,
                            IsWindowEnabled(GetDlgItem(dialog, IDC_SOURCES)) ? IDC_SOURCES : IDOK));
        return FALSE; // the focus is set
    case MSG_SERVER_NEWS:
        serverNews(dialog);
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (stateOf(dialog).groupSection.notify(dialog, *header, stateOf(dialog).choices))
            return FALSE;
        if (header->idFrom == IDC_SOURCES && header->code == LVN_ITEMCHANGED)
            itemChanged(dialog, *reinterpret_cast<const NMLISTVIEW*>(lParam));
        return FALSE;
    }
    case WM_COMMAND:
        if (stateOf(dialog).groupSection.command(dialog, wParam, stateOf(dialog).choices))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_SOURCES_UP:
        case IDC_SOURCES_DOWN:
            move(dialog, LOWORD(wParam) == IDC_SOURCES_UP ? -1 : 1);
            return TRUE;
        case IDC_SERVER_ADD:
            addServer(dialog);
            return TRUE;
        case IDC_SERVER_REMOVE:
            removeSelected(dialog);
            return TRUE;
        case IDC_DATABASE_ADD:
            addDatabase(dialog);
            return TRUE;
        case IDC_SERVER_TEXT:
            if (HIWORD(wParam) == EN_CHANGE && !stateOf(dialog).addressNote.empty()) {
                stateOf(dialog).addressNote.clear();
                updateNote(dialog);
            }
            return TRUE;
        case IDOK:
            // Enter in the address box adds the server typed there.
            if (GetFocus() == GetDlgItem(dialog, IDC_SERVER_TEXT) &&
                GetWindowTextLengthW(GetFocus()) > 0) {
                addServer(dialog);
                return TRUE;
            }
            [[fallthrough]];
        case IDCANCEL:
            stateOf(dialog).open = nullptr;
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

bool chooseDictionaries(HINSTANCE instance, HWND owner, DictionaryChoices& choices,
                        ServerSources& sources, HWND& open) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    DialogState state{choices, sources, open, {}, {}, false, {}};
    const INT_PTR chosen = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_DICTIONARIES), owner,
                                           procedure, reinterpret_cast<LPARAM>(&state));
    open = nullptr;
    if (chosen != IDOK)
        return false;
    choices = std::move(state.choices);
    return true;
}
