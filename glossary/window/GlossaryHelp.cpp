// F1: the program's keys and the search's syntax, in a dialog a screen reader reads whole.
#include "GlossaryWindow.h"
#include "Ids.h"

namespace {

// Kept true to GlossaryKeyboard.cpp, the search box's keys and the README's keys.
const wchar_t kHelp[] =
    L"Search\r\n"
    L"Type a term: the list selects the first term that begins with it, ignoring case and "
    L"accents, and the page shows it. A word no term begins with may be found as a form of one "
    L"(\"dogs\" finds \"dog\").\r\n"
    L"* stands for any run of characters, ? for one character: run*ing, colo?r, *ology list "
    L"only the terms that match.\r\n"
    L"In definitions (Ctrl+Shift+F): every word typed must occur in a definition; a phrase in "
    L"double quotes as written.\r\n"
    L"\r\n"
    L"In the search box\r\n"
    L"Up, Down, Page Up, Page Down: move the list's selection.\r\n"
    L"Ctrl+Home, Ctrl+End: the first and the last term.\r\n"
    L"Enter: to the page. Escape: clears the search, or returns from the search in "
    L"definitions.\r\n"
    L"\r\n"
    L"Anywhere in the window\r\n"
    L"F1: this help.\r\n"
    L"Tab, Shift+Tab: search box, In definitions, list, group list, page, Exit, Dictionaries, "
    L"logo.\r\n"
    L"Alt+I: search in definitions on or off. Alt+N: Dictionaries. Alt+X: exit.\r\n"
    L"F6, Ctrl+L, Alt+D: to the search box.\r\n"
    L"Alt+Shift+Right, Alt+Shift+Left: widen or narrow the term list (the bar between the list "
    L"and the page can also be dragged with the mouse).\r\n"
    L"Alt+Left, Alt+Right: back and forward through the words looked up.\r\n"
    L"Ctrl+H: the words looked up, newest first, to search, open, delete or clear.\r\n"
    L"Ctrl+B: add the word of the page to the favourites, or remove it. Ctrl+Shift+B: the "
    L"favourites, to open, move, delete, export to a text file or import from one.\r\n"
    L"Ctrl+F: find in the page. F3, Shift+F3: find the next or the previous place.\r\n"
    L"Ctrl+P: print the page. Ctrl+C: copy the page's selection. Ctrl+A: select all.\r\n"
    L"Ctrl+plus, Ctrl+minus, Ctrl+0, Ctrl+wheel: zoom the page.\r\n"
    L"Ctrl+O: open another database. Ctrl+D: choose the dictionaries shown, and add or remove "
    L"databases shown together. A database dropped on the window with Ctrl or Shift held joins "
    L"those shown.\r\n"
    L"Ctrl+1 ... Ctrl+9: show a group of dictionaries (Ctrl+1 all of them, Ctrl+2 the first "
    L"group); the list below the terms (Alt+G) shows them all. Make groups with Ctrl+D.\r\n"
    L"\r\n"
    L"From any other program\r\n"
    L"Select a word and press Ctrl+C twice quickly: its page shows in a small window near the "
    L"pointer. Escape closes it; Enter opens the word in this window. The window menu "
    L"(Alt+Space) chooses a key of your own instead, every copy, or no look-up, and can keep "
    L"the glossary in the notification area when this window is closed.\r\n"
    L"\r\n"
    L"In the list\r\n"
    L"A letter: the next term that begins with it.\r\n"
    L"\r\n"
    L"In the lists of words looked up and of favourites\r\n"
    L"Enter: open the word. Delete: delete it from the list.\r\n"
    L"\r\n"
    L"In the page\r\n"
    L"Tab, Shift+Tab: the next or the previous link. Enter: follow it.\r\n"
    L"\r\n"
    L"On the logo\r\n"
    L"Enter or Space: the maker's web page.\r\n";

INT_PTR CALLBACK helpProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        const HWND text = GetDlgItem(dialog, IDC_HELP_TEXT);
        SetWindowTextW(text, kHelp);
        // The reader starts at the top, nothing selected.
        SetFocus(text);
        SendMessageW(text, EM_SETSEL, 0, 0);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void GlossaryWindow::showHelp() {
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_HELP), window_, helpProcedure, 0);
}
