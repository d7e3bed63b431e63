// What the page shows: an entry, the history of pages, the links followed.
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WindowText.h"

#include <richedit.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

void GlossaryWindow::showPage(const std::u16string& html) {
    // A find's count was of the page before.
    if (!findStatus_.empty() && win32::windowText(status_) == findStatus_)
        setStatus(L"", L"");
    findStatus_.clear();
    serverPage_.shown = false;
    pageView_.show(damageNote_ + databases_.pageNote(glossary_) + html);
}

std::wstring GlossaryWindow::shownTerm() const {
    if (shownEntry_ >= glossary_.size())
        return std::wstring();
    const std::u16string_view term = glossary_.term(shownEntry_);
    return std::wstring(term.begin(), term.end());
}

void GlossaryWindow::showSelected() {
    const LRESULT selected = SendMessageW(terms_, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || static_cast<std::size_t>(selected) >= listed_.count())
        return;
    showEntry(listed_.entryOf(static_cast<std::size_t>(selected)), true);
    if (definitionsMode_)
        markFoundWords();
}

void GlossaryWindow::showEntry(std::size_t index, bool remember, History from,
                               const std::u16string& note) {
    dropDuePage(); // this page is the newer one
    // A null definition leaves the entry shown as it was, under the note if there is one.
    const auto definition = glossary_.definitionShownFor(index);
    if (!definition) {
        if (!note.empty())
            showPage(note + entryHtml_);
        return;
    }
    entryHtml_ = Glossary::page(std::u16string(glossary_.term(index)), *definition);
    serverPage_.show(note + entryHtml_, std::u16string(glossary_.term(index)), u"", false);
    shownEntry_ = index;
    if (!remember)
        return;
    lookUps_.shown(std::u16string(glossary_.term(index)), index, from, wordEnded_, !startPage_);
}

void GlossaryWindow::goThroughHistory(int step) {
    const std::size_t index = lookUps_.step(step, glossary_);
    if (index == kNoEntry)
        return;
    selectInList(listed_.itemOf(index));
    showEntry(index, false);
    showTermInSearch(index);
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
        if (index < 0) {
            // A word of a server's dictionary: looked up there as typed.
            if (!servers().choice().empty())
                lookUp(std::wstring(target.begin() + 1, target.end()));
            return;
        }
        selectInList(listed_.itemOf(static_cast<std::size_t>(index)));
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
