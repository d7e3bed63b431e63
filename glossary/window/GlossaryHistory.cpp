// The window's side of the words looked up and the favourites (LookUpHistory): Ctrl+H and
// Ctrl+Shift+B list them, Ctrl+B adds or removes the word shown.
#include "GlossaryWindow.h"
#include "WordListDialog.h"
#include "dicttext/PlainToHtml.h"

namespace {

std::wstring fullPathOf(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

void GlossaryWindow::historyForDatabase() {
    startPage_ = true;
    lookUps_.openDatabase(fullPathOf(databasePath()));
}

void GlossaryWindow::showRememberedInSearch() {
    // As a browser's address bar: the word shown, selected, so that typing replaces it.
    if (shownEntry_ >= glossary_.size())
        return;
    showTermInSearch(shownEntry_);
    SendMessageW(search_, EM_SETSEL, 0, -1);
}

void GlossaryWindow::toggleFavourite() {
    const std::wstring term = shownTerm();
    if (term.empty()) {
        const wchar_t said[] = L"No word on the page to keep: look one up first.";
        setStatus(said, said);
        MessageBeep(MB_OK);
        return;
    }
    const bool added = lookUps_.toggleFavourite(std::u16string(term.begin(), term.end()));
    // What happened first, since the status line is narrow and cuts the end; the whole names
    // the word and the keys to take it back and to see the list, and is spoken.
    const std::wstring said =
        (added ? L"Favourite added: \u201C" : L"Favourite removed: \u201C") + term +
        (added ? L"\u201D. Ctrl+B again removes it; Ctrl+Shift+B lists the favourites."
               : L"\u201D. Ctrl+B again adds it back; Ctrl+Shift+B lists the favourites.");
    setStatus(said, said);
    // The line shows only the beginning: the page says it whole, above the entry, until the
    // next page.
    showEntry(shownEntry_, false, History::Other,
              u"<font face='MS Sans Serif' size=2>" +
                  escapeHtml(std::u16string(said.begin(), said.end())) + u"</font><br><br>");
}

void GlossaryWindow::openHistoryList() {
    const std::vector<std::u16string> before = lookUps_.words().words();
    const std::u16string word = showHistoryList(instance_, window_, lookUps_.words());
    if (lookUps_.words().words() != before)
        lookUps_.edited();
    if (!word.empty())
        lookUp(wide(word));
}

void GlossaryWindow::openFavourites() {
    const std::vector<std::u16string> before = lookUps_.favourites().words();
    const std::u16string word = showFavouritesList(instance_, window_, lookUps_.favourites());
    if (lookUps_.favourites().words() != before)
        lookUps_.saveFavourites();
    if (!word.empty())
        lookUp(wide(word));
}
