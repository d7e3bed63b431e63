// The page view: what it shows, its zoom, its links and the history of pages.
#include "GlossaryWindow.h"
#include "Ids.h"

#include <richedit.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

namespace {

// Pages remembered for Back and Forward.
constexpr std::size_t kHistoryLength = 200;

} // namespace

void GlossaryWindow::zoom(int step) {
    // From half to four times the size, in steps of a tenth; 0 goes back to the designed size.
    zoomPercent_ = step == 0 ? 100 : std::min(400, std::max(50, zoomPercent_ + 10 * step));
    SendMessageW(page_, EM_SETZOOM, static_cast<WPARAM>(zoomPercent_), 100);
}

void GlossaryWindow::showSelected() {
    const LRESULT selected = SendMessageW(terms_, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || static_cast<std::size_t>(selected) >= listCount())
        return;
    showEntry(entryOfItem(static_cast<std::size_t>(selected)), true);
    if (definitionsMode_)
        markFoundWords();
}

void GlossaryWindow::showEntry(std::size_t index, bool remember, History from,
                               const std::u16string& note) {
    // A null definition leaves the entry shown as it was, under the note if there is one.
    const auto definition = glossary_.definitionShownFor(index);
    if (!definition) {
        if (!note.empty())
            showPage(note + entryHtml_);
        return;
    }
    entryHtml_ = Glossary::page(std::u16string(glossary_.term(index)), *definition);
    showPage(note + entryHtml_);
    shownEntry_ = index;
    if (!remember)
        return;
    // Each word looked up is an entry of the history: the pages a search shows while its word
    // is typed are one entry, and a pause, Enter or an emptied search box ends the word.
    const bool sameWord = from == History::Search && lastFrom_ == History::Search && !wordEnded_;
    if (!history_.empty() && history_[historyAt_] == index) {
        // The page shown already: a word that begins on it has no entry of its own yet.
        if (!sameWord) {
            lastFrom_ = from;
            wordEnded_ = true;
        }
        return;
    }
    lastFrom_ = from;
    wordEnded_ = false;
    // A new page after going back drops the pages ahead, as a browser does.
    if (!history_.empty())
        history_.resize(historyAt_ + 1);
    if (sameWord && !history_.empty())
        history_.back() = index;
    else
        history_.push_back(index);
    if (history_.size() > kHistoryLength)
        history_.erase(history_.begin());
    historyAt_ = history_.size() - 1;
}

void GlossaryWindow::goThroughHistory(int step) {
    if (history_.empty() || (step < 0 && historyAt_ == 0) ||
        (step > 0 && historyAt_ + 1 >= history_.size()))
        return;
    historyAt_ = step < 0 ? historyAt_ - 1 : historyAt_ + 1;
    lastFrom_ = History::Other;
    const std::size_t index = history_[historyAt_];
    selectInList(itemOfEntry(index));
    showEntry(index, false);
}

void GlossaryWindow::showTermInSearch(std::size_t index) {
    const std::u16string_view term = glossary_.term(index);
    searchFromProgram_ = true;
    SetWindowTextW(search_, std::wstring(term.begin(), term.end()).c_str());
    searchFromProgram_ = false;
    SendMessageW(search_, EM_SETSEL, term.size(), term.size());
    setNoMatch(false);
    // What is typed next is another word.
    wordEnded_ = true;
}

// Opens nothing but a term of this glossary or a web or mail address: a page must never be
// able to start a program or open a file.
void GlossaryWindow::followLink(const std::u16string& target) {
    if (!target.empty() && target[0] == u'#') {
        const int index = glossary_.find(target.substr(1));
        if (index < 0)
            return;
        selectInList(itemOfEntry(static_cast<std::size_t>(index)));
        showEntry(static_cast<std::size_t>(index), true);
        showTermInSearch(static_cast<std::size_t>(index));
        return;
    }
    std::u16string scheme;
    for (const char16_t c :
         target.substr(0, target.find(u':') == std::u16string::npos ? 0 : target.find(u':') + 1))
        scheme += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    const bool web =
        (scheme == u"http:" || scheme == u"https:") && target.compare(scheme.size(), 2, u"//") == 0;
    if (!web && scheme != u"mailto:")
        return;
    // An address that a shell or a handler's command line could read as more than one.
    for (const char16_t c : target) {
        if (c < 0x21 || c == u'"' || c == u'<' || c == u'>' || c == u'\\' || c == u'^' ||
            c == u'`' || c == u'|')
            return;
    }
    ShellExecuteW(window_, L"open", reinterpret_cast<const wchar_t*>(target.c_str()), nullptr,
                  nullptr, SW_SHOWNORMAL);
}

void GlossaryWindow::openMakersPage() {
    wchar_t url[512] = {};
    if (LoadStringW(instance_, IDS_MAKER_URL, url, 512) > 0)
        ShellExecuteW(window_, L"open", url, L"", L"", SW_SHOW);
}

PageColours GlossaryWindow::pageColours() const {
    // A high-contrast theme, or any whose window is dark, where the page's own dark text
    // could not be read: the system's colours, links in the hot-light colour.
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    const bool high = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                      (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const bool dark =
        GetRValue(window) * 299 + GetGValue(window) * 587 + GetBValue(window) * 114 < 128 * 1000;
    const COLORREF link = GetSysColor(COLOR_HOTLIGHT);
    return PageColours{high || dark, static_cast<std::uint32_t>(GetRValue(link)) << 16 |
                                         static_cast<std::uint32_t>(GetGValue(link)) << 8 |
                                         GetBValue(link)};
}

const PageLink* GlossaryWindow::linkAt(POINT point) const {
    POINTL at = {point.x, point.y};
    const LRESULT character = SendMessageW(page_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at));
    // The control answers the nearest character: the point must lie on it, not beside it.
    POINTL first = {}, next = {};
    SendMessageW(page_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), character);
    SendMessageW(page_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&next), character + 1);
    if (point.x < first.x || point.y < first.y || (next.y == first.y && point.x >= next.x))
        return nullptr;
    for (const PageLink& link : links_) {
        if (character >= link.start && character < link.end)
            return &link;
    }
    return nullptr;
}

bool GlossaryWindow::pageMouse(UINT message, LPARAM lParam) {
    if (message == WM_SETCURSOR) {
        POINT cursor = {};
        GetCursorPos(&cursor);
        ScreenToClient(page_, &cursor);
        if (linkAt(cursor) == nullptr)
            return false;
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return true;
    }
    // A click on a link, not the end of a selection dragged over it.
    CHARRANGE selection = {};
    SendMessageW(page_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const PageLink* link = linkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    if (link == nullptr || selection.cpMax != selection.cpMin)
        return false;
    // Followed once the page has finished with its click: following replaces the page.
    pendingLink_ = link->target;
    PostMessageW(window_, MSG_FOLLOW_LINK, 0, 0);
    return false;
}

bool GlossaryWindow::pageKey(WPARAM key, bool back) {
    // As in a browser's page: Tab and Shift+Tab select the next and the previous link, Enter
    // follows the selected one. Past the last link Tab leaves the page.
    CHARRANGE selection = {};
    SendMessageW(page_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const auto on = std::find_if(links_.begin(), links_.end(), [&](const PageLink& link) {
        return selection.cpMin >= link.start && selection.cpMin < link.end;
    });
    if (key == VK_RETURN) {
        if (on == links_.end())
            return false;
        pendingLink_ = on->target;
        PostMessageW(window_, MSG_FOLLOW_LINK, 0, 0);
        return true;
    }
    const PageLink* next = nullptr;
    if (!back) {
        const auto after = std::find_if(links_.begin(), links_.end(), [&](const PageLink& link) {
            return on != links_.end() ? link.start >= on->end : link.start >= selection.cpMin;
        });
        next = after != links_.end() ? &*after : nullptr;
    } else {
        for (const PageLink& link : links_) {
            if (on != links_.end() ? link.end <= on->start : link.end <= selection.cpMin)
                next = &link;
        }
    }
    if (next == nullptr) {
        CHARRANGE none = {0, 0};
        SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
        SetFocus(GetNextDlgTabItem(window_, page_, back));
        return true;
    }
    CHARRANGE range = {next->start, next->end};
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(page_, EM_SCROLLCARET, 0, 0);
    return true;
}
