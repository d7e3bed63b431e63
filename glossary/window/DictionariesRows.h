#pragma once

#include "DictionariesDialog.h"
#include "GroupSection.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The dictionaries dialog's list: its rows, what each says, and the state they are read from;
// shared by the dialog's procedure and the rows' own file.
namespace dictionaries {

// A row of the list: a database's dictionary, a database listed whole (its dictionaries cannot
// be chosen), a server's database, or a server whose databases have not come (no check box).
struct Row {
    int server = -1;       // none: a database's own
    int dictionary = -1;   // none with a server: the server waited for
    std::size_t local = 0; // a database's dictionary: its place in choices.order
    int database = -1;     // a database listed whole
};

struct DialogState {
    DictionaryChoices choices;
    ServerSources& sources;
    HWND& open;
    std::vector<Row> rows;
    std::wstring addressNote;  // why the address typed was refused, until the next is typed
    bool filling = false;      // the list is being written by the program, not changed by the user
    GroupSection groupSection; // the groups of these dictionaries
};

inline DialogState& stateOf(HWND dialog) {
    return *reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// 1234567 as the user's locale writes it (1,234,567).
std::wstring count(std::uint32_t number);
std::wstring wide(const std::u16string& text);
std::wstring fileName(const std::wstring& path);

struct RowText {
    std::wstring name, entries, from;
    int checked; // 1 on, 0 off, -1 no check box
};
RowText textOf(const DialogState& state, const Row& row);
void writeItem(HWND list, int item, const RowText& text);
void select(HWND list, int item);
int selectedRow(HWND dialog);
// The database a row belongs to, or -1 for a server's.
int databaseOf(const DialogState& state, const Row& row);
// A server's rows and an added database's may go; the database opened stays (Ctrl+O replaces
// it).
bool removable(const DialogState& state, int item);

} // namespace dictionaries
