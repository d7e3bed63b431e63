// The words a search in definitions found, marked on the page that shows them.
#include "PageView.h"
#include "search/Query.h"
#include "search/Words.h"

#include <richedit.h>

#include <algorithm>

namespace {

// A page with thousands of the words marks the first of them; the rest read as they are.
constexpr std::size_t kMostMarks = 500;

// Where on the page the words stand, as the page's control counts (a paragraph's end is one
// character there).
std::vector<CHARRANGE> placesOf(const std::u16string& text, const std::vector<std::string>& words) {
    std::vector<CHARRANGE> places;
    search::forEachWord(text, false, [&](const std::string& word, std::size_t at) {
        if (places.size() >= kMostMarks ||
            std::find(words.begin(), words.end(), word) == words.end())
            return;
        std::size_t end = at;
        while (end < text.size() && search::isWordCharacter(text[end]))
            ++end;
        places.push_back({static_cast<LONG>(at), static_cast<LONG>(std::max(end, at + 1))});
    });
    return places;
}

} // namespace

void PageView::markWords(const std::u16string& search) {
    const std::vector<std::string> words = search::parseQuery(search).words();
    if (words.empty())
        return;
    GETTEXTLENGTHEX length = {GTL_DEFAULT | GTL_NUMCHARS, 1200};
    const LRESULT characters =
        SendMessageW(page_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    if (characters <= 0)
        return;
    std::u16string text(static_cast<std::size_t>(characters) + 1, u'\0');
    GETTEXTEX get = {};
    get.cb = static_cast<DWORD>(text.size() * sizeof(char16_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    const LRESULT got = SendMessageW(page_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    const std::vector<CHARRANGE> places = placesOf(text, words);
    if (places.empty())
        return;

    // As a highlighter marks paper; in the system's colours where the page is drawn in them.
    CHARFORMAT2W mark = {};
    mark.cbSize = sizeof mark;
    mark.dwMask = CFM_BACKCOLOR | CFM_COLOR;
    const bool system = pageColours().system;
    mark.crBackColor = system ? GetSysColor(COLOR_HIGHLIGHT) : RGB(255, 236, 64);
    mark.crTextColor = system ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0);
    const LRESULT events = SendMessageW(page_, EM_SETEVENTMASK, 0, 0);
    SendMessageW(page_, WM_SETREDRAW, FALSE, 0);
    for (const CHARRANGE& place : places) {
        SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&place));
        SendMessageW(page_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&mark));
    }
    // The caret before the first found word, which is in view.
    CHARRANGE first = {places.front().cpMin, places.front().cpMin};
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageW(page_, WM_SETREDRAW, TRUE, 0);
    SendMessageW(page_, EM_SCROLLCARET, 0, 0);
    SendMessageW(page_, EM_SETEVENTMASK, 0, events);
    RedrawWindow(page_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
}
