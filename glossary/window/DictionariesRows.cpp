#include "DictionariesRows.h"

#include "Ids.h"

#include <commctrl.h>

namespace dictionaries {

using search::SourceView;

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

std::wstring fileName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

RowText textOf(const DialogState& state, const Row& row) {
    if (row.database >= 0) {
        const DatabaseChoice& database =
            state.choices.databases[static_cast<std::size_t>(row.database)];
        return {database.unreadable.empty() ? L"(all of it)" : L"(cannot be read)", L"",
                fileName(database.path), -1};
    }
    if (row.server < 0) {
        const search::SourcePlace place = state.choices.order[row.local];
        const DatabaseChoice& database = state.choices.databases[place.database];
        const search::SourceSetting& source = database.sources[place.source];
        return {wide(source.name), count(source.entries), fileName(database.path),
                source.on ? 1 : 0};
    }
    const ServerSetting& server = state.choices.servers[static_cast<std::size_t>(row.server)];
    if (row.dictionary < 0) {
        const bool failed = !state.sources.source(server.address).lastFailure().empty();
        return {wide(server.address), L"", failed ? L"not reached" : L"waiting\u2026", -1};
    }
    const ServerDictionary& dictionary =
        server.dictionaries[static_cast<std::size_t>(row.dictionary)];
    std::wstring name = wide(dictionary.name);
    if (!dictionary.description.empty())
        name += L": " + wide(dictionary.description);
    return {name, L"", wide(server.address), dictionary.on ? 1 : 0};
}

void writeItem(HWND list, int item, const RowText& text) {
    std::wstring name = text.name, entries = text.entries, from = text.from;
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
    row.iSubItem = 2;
    row.pszText = from.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
    // The check box is the state image: 2 checked, 1 not, none for a server waited for.
    ListView_SetItemState(list, item, INDEXTOSTATEIMAGEMASK(text.checked + 1), LVIS_STATEIMAGEMASK);
}

void select(HWND list, int item) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, item, FALSE);
}

int selectedRow(HWND dialog) {
    return ListView_GetNextItem(GetDlgItem(dialog, IDC_SOURCES), -1, LVNI_SELECTED);
}

int databaseOf(const DialogState& state, const Row& row) {
    if (row.database >= 0)
        return row.database;
    return row.server < 0 ? static_cast<int>(state.choices.order[row.local].database) : -1;
}

bool removable(const DialogState& state, int item) {
    const Row& row = state.rows[static_cast<std::size_t>(item)];
    return row.server >= 0 || databaseOf(state, row) > 0;
}

} // namespace dictionaries
