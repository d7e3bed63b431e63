// The history's and the favourites' dialogs: a standard list box under its label, a search box
// for the history, and buttons with their keys; Delete deletes, Enter or a double click opens.
#include "WordListDialog.h"

#include "AccessibleControl.h"
#include "Ids.h"
#include "WindowText.h"
#include "win32/Gdi.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

struct ListState {
    history::WordHistory* history = nullptr;
    history::Favourites* favourites = nullptr;
    std::vector<std::size_t> shown; // the list's items: their places in the list kept
    std::u16string chosen;
    win32::Gdi<HFONT> wordFont; // the words' font, kept while the dialog shows them
};

ListState& stateOf(HWND dialog) {
    return *reinterpret_cast<ListState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

const std::vector<std::u16string>& wordsOf(const ListState& state) {
    return state.history ? state.history->words() : state.favourites->words();
}

int selectedItem(HWND dialog) {
    const LRESULT item = SendDlgItemMessageW(dialog, IDC_WORDS, LB_GETCURSEL, 0, 0);
    return item == LB_ERR ? -1 : static_cast<int>(item);
}

// The list anew from the words kept (the history's through its search), `select` selected.
void fill(HWND dialog, int select) {
    ListState& state = stateOf(dialog);
    const HWND list = GetDlgItem(dialog, IDC_WORDS);
    const std::u16string filter =
        state.history ? windowText(GetDlgItem(dialog, IDC_WORDS_SEARCH)) : std::u16string();
    state.shown.clear();
    if (state.history) {
        state.shown = state.history->matching(filter);
    } else {
        for (std::size_t i = 0; i < state.favourites->words().size(); ++i)
            state.shown.push_back(i);
    }
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const std::vector<std::u16string>& words = wordsOf(state);
    for (const std::size_t at : state.shown)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(words[at].c_str()));
    const int count = static_cast<int>(state.shown.size());
    if (count > 0)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(std::clamp(select, 0, count - 1)), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);

    std::wstring note;
    if (count == 0 && words.empty())
        note = state.history ? L"No word looked up yet in this database."
                             : L"No favourites yet: Ctrl+B adds the word of the page shown, and "
                               L"Import adds the words of a text file.";
    else if (count == 0)
        note = L"No word looked up holds \u201C" + std::wstring(filter.begin(), filter.end()) +
               L"\u201D: change the search, or empty it to see all.";
    SetDlgItemTextW(dialog, IDC_WORDS_NOTE, note.c_str());
    for (const int id : {IDOK, IDC_WORDS_DELETE, IDC_WORDS_UP, IDC_WORDS_DOWN, IDC_WORDS_EXPORT})
        if (const HWND button = GetDlgItem(dialog, id))
            EnableWindow(button, count > 0);
    if (const HWND clear = GetDlgItem(dialog, IDC_WORDS_CLEAR))
        EnableWindow(clear, !words.empty());
}

// A button disabled while it has the focus would leave the keyboard nowhere.
void keepFocus(HWND dialog) {
    const HWND focus = GetFocus();
    if (focus == nullptr || !IsWindowEnabled(focus))
        SetFocus(GetDlgItem(dialog, IDC_WORDS));
}

void deleteSelected(HWND dialog) {
    ListState& state = stateOf(dialog);
    const int item = selectedItem(dialog);
    if (item < 0)
        return;
    const std::size_t at = state.shown[static_cast<std::size_t>(item)];
    if (state.history)
        state.history->remove(at);
    else
        state.favourites->remove(at);
    fill(dialog, item);
    keepFocus(dialog);
}

void move(HWND dialog, int step) {
    ListState& state = stateOf(dialog);
    const int item = selectedItem(dialog);
    if (item < 0 || !state.favourites)
        return;
    const std::size_t to = state.favourites->move(static_cast<std::size_t>(item), step);
    if (static_cast<int>(to) == item)
        MessageBeep(MB_OK); // already first or last
    fill(dialog, static_cast<int>(to));
}

void clearAll(HWND dialog) {
    ListState& state = stateOf(dialog);
    if (MessageBoxW(dialog,
                    L"Clear all the words looked up in this database?\n\nThe list cannot be "
                    L"brought back.",
                    kGlossaryName, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    state.history->clear();
    fill(dialog, 0);
    keepFocus(dialog);
}

void open(HWND dialog) {
    ListState& state = stateOf(dialog);
    const int item = selectedItem(dialog);
    if (item < 0)
        return;
    state.chosen = wordsOf(state)[state.shown[static_cast<std::size_t>(item)]];
    EndDialog(dialog, IDOK);
}

// Words in any script: the system's message font, which the system links to fonts of other
// scripts, at the size of the dialog's own font (which follows the screen's density).
void setWordFont(HWND dialog, ListState& state) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font = {};
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) ||
        dialogFont == nullptr || GetObjectW(dialogFont, sizeof font, &font) == 0)
        return;
    std::copy(std::begin(metrics.lfMessageFont.lfFaceName),
              std::end(metrics.lfMessageFont.lfFaceName), std::begin(font.lfFaceName));
    state.wordFont = win32::Gdi<HFONT>(CreateFontIndirectW(&font));
    for (const int id : {IDC_WORDS, IDC_WORDS_SEARCH})
        if (const HWND control = GetDlgItem(dialog, id))
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.wordFont.get()),
                         FALSE);
}

// The list answers screen readers with its name and items, also where the system's own
// object for a list box tells no items.
LRESULT CALLBACK listProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    if (message == WM_GETOBJECT) {
        if (const LRESULT object = answerAccessibleObject(list, wParam, lParam, true))
            return object;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, listProcedure, 0);
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const HWND list = GetDlgItem(dialog, IDC_WORDS);
        ListState& state = stateOf(dialog);
        setWordFont(dialog, state);
        setAccessibleName(list, state.history ? L"Words looked up, newest first" : L"Favourites");
        SetWindowSubclass(list, listProcedure, 0, 0);
        fill(dialog, 0);
        SetFocus(state.history ? GetDlgItem(dialog, IDC_WORDS_SEARCH) : list);
        return FALSE; // the focus is set
    }
    case WM_VKEYTOITEM:
        if (LOWORD(wParam) == VK_DELETE) {
            deleteSelected(dialog);
            return -2; // handled
        }
        return -1;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_WORDS_SEARCH:
            if (HIWORD(wParam) == EN_CHANGE)
                fill(dialog, 0);
            return TRUE;
        case IDC_WORDS:
            if (HIWORD(wParam) == LBN_DBLCLK)
                open(dialog);
            return TRUE;
        case IDC_WORDS_DELETE:
            deleteSelected(dialog);
            return TRUE;
        case IDC_WORDS_CLEAR:
            clearAll(dialog);
            return TRUE;
        case IDC_WORDS_UP:
        case IDC_WORDS_DOWN:
            move(dialog, LOWORD(wParam) == IDC_WORDS_UP ? -1 : 1);
            return TRUE;
        case IDC_WORDS_EXPORT:
            exportFavourites(dialog, *stateOf(dialog).favourites);
            return TRUE;
        case IDC_WORDS_IMPORT: {
            // The list goes on at the first word added, where the reader sees what came in.
            const std::size_t before = stateOf(dialog).favourites->words().size();
            if (importFavourites(dialog, *stateOf(dialog).favourites)) {
                fill(dialog, static_cast<int>(before));
                SetFocus(GetDlgItem(dialog, IDC_WORDS));
            }
            return TRUE;
        }
        case IDOK:
            open(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

std::u16string show(HINSTANCE instance, HWND owner, int dialog, ListState& state) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(dialog), owner, procedure,
                    reinterpret_cast<LPARAM>(&state));
    return state.chosen;
}

} // namespace

std::u16string showHistoryList(HINSTANCE instance, HWND owner, history::WordHistory& words) {
    ListState state;
    state.history = &words;
    return show(instance, owner, IDD_HISTORY, state);
}

std::u16string showFavouritesList(HINSTANCE instance, HWND owner, history::Favourites& favourites) {
    ListState state;
    state.favourites = &favourites;
    return show(instance, owner, IDD_FAVOURITES, state);
}
