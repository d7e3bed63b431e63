// The page view: what it shows, its zoom, its links and the history of pages.
#include "GlossaryWindow.h"
#include "Ids.h"

#include <richedit.h>
#include <shellapi.h>

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
    if (selected == LB_ERR || static_cast<std::size_t>(selected) >= glossary_.size())
        return;
    showEntry(static_cast<std::size_t>(selected), true);
}

void GlossaryWindow::showEntry(std::size_t index, bool remember, History from) {
    // A null definition leaves the page as it was.
    const auto definition = glossary_.definitionShownFor(index);
    if (!definition)
        return;
    entryHtml_ = Glossary::page(std::u16string(glossary_.term(index)), *definition);
    showPage(entryHtml_);
    if (!remember)
        return;
    // The pages one search shows while it is typed are one page of the history: going back
    // returns to the term shown before the search.
    const bool sameSearch = from == History::Search && lastFrom_ == History::Search;
    lastFrom_ = from;
    if (!history_.empty() && history_[historyAt_] == index)
        return;
    // A new page after going back drops the pages ahead, as a browser does.
    if (!history_.empty())
        history_.resize(historyAt_ + 1);
    if (sameSearch && !history_.empty())
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
    selectInList(static_cast<int>(index));
    showEntry(index, false);
}

bool GlossaryWindow::onNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != page_ || header.code != EN_LINK)
        return false;
    const auto& link = reinterpret_cast<const ENLINK&>(header);
    if (link.msg == WM_SETCURSOR) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    }
    if (link.msg != WM_LBUTTONUP)
        return false;
    for (const PageLink& candidate : links_) {
        if (link.chrg.cpMin >= candidate.start && link.chrg.cpMin < candidate.end) {
            // Followed once the page has finished with its click: following replaces the page.
            pendingLink_ = candidate.target;
            PostMessageW(window_, MSG_FOLLOW_LINK, 0, 0);
            break;
        }
    }
    result = 0;
    return true;
}

// Opens nothing but a term of this glossary or a web or mail address: a page must never be
// able to start a program or open a file.
void GlossaryWindow::followLink(const std::u16string& target) {
    if (!target.empty() && target[0] == u'#') {
        const int index = glossary_.find(target.substr(1));
        if (index < 0)
            return;
        selectInList(index);
        showSelected();
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

void GlossaryWindow::showPage(const std::u16string& html) {
    shownHtml_ = html;
    shownColours_ = pageColours();
    RtfPage page = htmlToPage(html, shownColours_);
    SETTEXTEX setting = {ST_DEFAULT, CP_ACP};
    SendMessageW(page_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&setting),
                 reinterpret_cast<LPARAM>(page.rtf.c_str()));
    // RTF has no word for a link the control acts on: the ranges are marked as links here.
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_LINK;
    format.dwEffects = CFE_LINK;
    for (const PageLink& link : page.links) {
        CHARRANGE range = {link.start, link.end};
        SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SendMessageW(page_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    CHARRANGE start = {0, 0};
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
    links_ = std::move(page.links);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, page_, OBJID_CLIENT, CHILDID_SELF);
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
