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
    showPage(Glossary::page(std::u16string(glossary_.term(index)), *definition));
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

void GlossaryWindow::showPage(const std::u16string& html) {
    RtfPage page = htmlToPage(html);
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
}
