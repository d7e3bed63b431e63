// The search box's modes beyond a term's beginning: terms by a pattern of `*` and `?`, and
// words in the definitions (on a thread of their own), with the line that says what they found.
#include "AccessibleControl.h"
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WindowText.h"
#include "search/Query.h"
#include "search/Wildcard.h"

#include <algorithm>
#include <string>

namespace {

const wchar_t kDefinitionsCue[] = L"Search in definitions";
// The search box's accessible names.
const wchar_t kSearchNoMatchName[] = L"Search: no term begins with this";
const wchar_t kSearchNoPatternMatchName[] = L"Search: no term matches this pattern";
const wchar_t kDefinitionsName[] = L"Search in definitions";
const wchar_t kDefinitionsNoMatchName[] = L"Search in definitions: no definition holds these words";

const char16_t kNoIndexNote[] =
    u"<font face='MS Sans Serif' size=2><b>This database has no index of its definitions</b>, "
    u"so every search reads all of them, which takes a while; the next key or Escape stops it. "
    u"Build the database again with dictbuild (without --no-index) to search at once."
    u"</font><br><br>";
const char16_t kCannotSearchNote[] =
    u"<font face='MS Sans Serif' size=2 color=#A00000><b>The definitions of this database cannot "
    u"be searched:</b> its file or its index is damaged. Build it again with dictbuild, or open "
    u"another database with Ctrl+O.</font><br><br>";

std::wstring counted(std::size_t count) {
    // Digits in groups of three, as the page's figures are written.
    std::wstring digits = std::to_wstring(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, L",");
    return digits;
}

std::u16string escaped(const std::u16string& raw) {
    std::u16string html;
    for (const char16_t c : raw)
        html += c == u'&'   ? u"&amp;"
                : c == u'<' ? u"&lt;"
                : c == u'>' ? u"&gt;"
                            : std::u16string(1, c);
    return html;
}

std::u16string withoutBlanks(const std::u16string& text) {
    const std::size_t first = text.find_first_not_of(u" \t\r\n\u00A0\u3000");
    if (first == std::u16string::npos)
        return std::u16string();
    return text.substr(first, text.find_last_not_of(u" \t\r\n\u00A0\u3000") - first + 1);
}

} // namespace

void GlossaryWindow::setListed(std::vector<std::uint32_t> entries) {
    listed_.only(std::move(entries));
    fillList();
}

void GlossaryWindow::listEveryTerm() {
    listed_.every();
    fillList();
    setStatus(L"", L"");
    updateSearchName();
}

void GlossaryWindow::forgetSearches() {
    definitions_.forget();
    definitionsMode_ = false;
    SendMessageW(inDefinitions_, BM_SETCHECK, BST_UNCHECKED, 0);
    listed_.every();
    setStatus(L"", L"");
    updateSearchName();
}

void GlossaryWindow::setStatus(const std::wstring& shownText, const std::wstring& spokenText) {
    // Nothing to say while the terms are read: the note that they are stays.
    const bool note = reading_ && shownText.empty();
    const std::wstring& shown = note ? std::wstring(kReadingTerms) : shownText;
    const std::wstring& spoken = note ? std::wstring(kReadingTermsSpoken) : spokenText;
    const std::wstring name = spoken.empty() ? shown : spoken;
    if (win32::windowText(status_) == shown && statusName_ == name)
        return;
    SetWindowTextW(status_, shown.c_str());
    statusName_ = name;
    setAccessibleName(status_, statusName_.c_str());
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, status_, OBJID_CLIENT, CHILDID_SELF);
}

void GlossaryWindow::updateSearchName() {
    const wchar_t* name = definitionsMode_ ? (noMatch_ ? kDefinitionsNoMatchName : kDefinitionsName)
                          : !noMatch_      ? kSearchName
                          : listed_.filtered() ? kSearchNoPatternMatchName
                                               : kSearchNoMatchName;
    // Said by a screen reader as the search box's new name.
    setAccessibleName(search_, name);
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, search_, OBJID_CLIENT, CHILDID_SELF);
}

void GlossaryWindow::paintModeCue() {
    // The box says what it searches while it is empty, as a cue banner does.
    if (!definitionsMode_ || GetWindowTextLengthW(search_) > 0)
        return;
    const win32::WindowDc dc(search_);
    RECT client = {};
    GetClientRect(search_, &client);
    client.left += 3;
    const win32::Selection font(dc.dc(), textFont_.get());
    SetBkMode(dc.dc(), TRANSPARENT);
    SetTextColor(dc.dc(), GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc.dc(), kDefinitionsCue, -1, &client,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void GlossaryWindow::startDefinitionSearch() {
    const HWND window = window_;
    std::vector<search::SetSearch::Database> databases;
    const auto opener = [](std::string path) {
        return [path = std::move(path)] { return jet::Database::open(path); };
    };
    for (const auto& [path, terms] : glossary_.parts())
        databases.push_back({opener(path), terms});
    if (databases.empty())
        databases.push_back({opener(utf8(databasePath())), glossary_.size()});
    definitions_.prepare(databases, [window] { PostMessageW(window, MSG_SEARCH_NEWS, 0, 0); });
}

void GlossaryWindow::setDefinitionsMode(bool on) {
    SendMessageW(inDefinitions_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    if (on == definitionsMode_)
        return;
    definitionsMode_ = on;
    // No news of a search from before counts: one turned off was cancelled.
    if (on)
        startDefinitionSearch();
    else
        definitions_.cancel();
    setNoMatch(false);
    updateSearchName();
    InvalidateRect(search_, nullptr, TRUE);
    // The text typed is searched again in the new mode.
    wordEnded_ = true;
    searchChanged();
}

void GlossaryWindow::returnToTermSearch() {
    // The box emptied first, so that the term search starts from the first term at once.
    searchFromProgram_ = true;
    SetWindowTextW(search_, L"");
    searchFromProgram_ = false;
    setDefinitionsMode(false);
    SetFocus(search_);
}

void GlossaryWindow::filterByWildcards(const std::u16string& text) {
    const SearchIndex* index = glossary_.sortedIndex();
    std::vector<std::uint32_t> found;
    if (index != nullptr)
        found = search::wildcardMatches(glossary_.folded(withoutBlanks(text)), *index,
                                        glossary_.foldedTerms());
    setListed(std::move(found));
    const std::size_t count = listed_.only().size();
    setStatus(count == 0 ? L"" : counted(count) + L" match",
              count == 0 ? L"" : counted(count) + L" terms match the pattern");
    selectInList(count == 0 ? -1 : 0);
    setNoMatch(count == 0);
    updateSearchName();
    if (count > 0)
        showEntry(listed_.only().front(), true, History::Search);
}

void GlossaryWindow::searchDefinitions(const std::u16string& text) {
    if (search::parseQuery(text).empty()) {
        // Nothing to look for: an empty list, and the page as it was.
        definitions_.cancel();
        setListed({});
        setStatus(L"", L"");
        setNoMatch(false);
        return;
    }
    startDefinitionSearch();
    definitions_.start(text);
}

void GlossaryWindow::takeSearchNews() {
    const std::optional<search::BackgroundSearch::Progress> news = definitions_.take();
    if (!news || !definitionsMode_)
        return;
    if (!news->indexed && !news->failed && definitions_.noteNoIndex(news->search)) {
        // Said once a search, above the page shown, while the scan reads.
        showPage(kNoIndexNote + entryHtml_);
    }
    // The term chosen among the first found, by its entry: the databases of a set answer in
    // turn, so the whole answer may list it at another place.
    const int selected = static_cast<int>(SendMessageW(terms_, LB_GETCURSEL, 0, 0));
    const bool firstShown = definitions_.firstHitsListed(news->search);
    const std::size_t chosen =
        firstShown && selected >= 0 && static_cast<std::size_t>(selected) < listed_.count()
            ? listed_.entryOf(static_cast<std::size_t>(selected))
            : kNoEntry;
    const auto keepChosen = [&] {
        const int item = chosen == kNoEntry ? -1 : listed_.itemOf(chosen);
        if (item < 0)
            return false;
        selectInList(item);
        setNoMatch(false);
        return true;
    };
    if (!news->finished && news->indexed) {
        // The first of a long answer, listed while the rest is ranked.
        definitions_.listFirstHits(news->search);
        setListed(listed_.entriesOfRows(news->rows));
        setStatus(L"Searching\u2026",
                  counted(listed_.only().size()) + L" terms found so far; the search goes on");
        // More of the beginning: the page and the choice stay.
        if (keepChosen())
            return;
        setNoMatch(false);
        selectInList(listed_.only().empty() ? -1 : 0);
        if (!listed_.only().empty()) {
            showEntry(listed_.only().front(), true, History::Search);
            markFoundWords();
        }
        return;
    }
    if (!news->finished) {
        const std::size_t percent =
            news->rowCount == 0 ? 0
                                : std::min<std::size_t>(99, news->rowsRead * 100 / news->rowCount);
        setStatus(L"Reading " + std::to_wstring(percent) + L" %",
                  L"This database has no index: reading every definition, " +
                      std::to_wstring(percent) + L" percent done. Escape stops it.");
        return;
    }
    if (news->failed) {
        setListed({});
        setStatus(L"Cannot search",
                  L"The definitions of this database cannot be searched: it is damaged");
        setNoMatch(true);
        showPage(kCannotSearchNote + entryHtml_);
        return;
    }
    setListed(listed_.entriesOfRows(news->rows));
    const std::size_t count = listed_.only().size();
    const std::wstring how = news->indexed ? L"" : L" by reading every definition (no index)";
    setStatus(counted(count) + L" found", counted(count) + (count == 1 ? L" term" : L" terms") +
                                              L" found in definitions" + how);
    // The one chosen among the first found stays, wherever it is listed now.
    if (keepChosen())
        return;
    selectInList(count == 0 ? -1 : 0);
    setNoMatch(count == 0);
    if (count == 0) {
        showPage(u"<font face='MS Sans Serif' size=2>No definition holds <b>" +
                 escaped(withoutBlanks(definitions_.words())) + u"</b>.</font><br><br>" +
                 (news->indexed ? u"" : kNoIndexNote) + entryHtml_);
        return;
    }
    // The note stays above the first found.
    showEntry(listed_.only().front(), true, History::Search, news->indexed ? u"" : kNoIndexNote);
    markFoundWords();
}
