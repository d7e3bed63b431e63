// What the window says when a search finds nothing: the nearest terms, the word's forms and the
// servers' near matches, or why no term is listed at all (every dictionary off, an empty group).
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WindowText.h"
#include "dicttext/PlainToHtml.h"

#include <algorithm>

namespace {

// Links a search that found nothing offers: the database's five, then the servers' near matches.
constexpr std::size_t kMostSuggestions = 10;

// A search that finds nothing shows its page once typing pauses this long.
constexpr UINT kNoMatchPageDelayMs = 100;

// A remembered choice of a database's dictionaries with every one of them off.
bool everyOneOff(const std::vector<std::u16string>& remembered) {
    return !remembered.empty() &&
           std::all_of(remembered.begin(), remembered.end(),
                       [](const std::u16string& line) { return line.rfind(u"-", 0) == 0; });
}

} // namespace

void GlossaryWindow::showNoMatch(const std::u16string& text) {
    // The search box says "no match" at once; finding the nearest terms takes longer than a
    // key should, and waits for the sorted index, so a burst of keys makes one page at most.
    noMatchText_ = text;
    SetTimer(window_, TIMER_NO_MATCH_PAGE, kNoMatchPageDelayMs, nullptr);
}

void GlossaryWindow::showNoMatchPage() {
    if (!glossary_.indexReady())
        return; // looked at again at the next tick
    KillTimer(window_, TIMER_NO_MATCH_PAGE);
    if (!noMatch_ || listed_.filtered() || definitionsMode_ || windowText(search_) != noMatchText_)
        return; // a later key found a term, or changed the text: its own page is due
    // The term found before the text stopped matching is the page under the nearest terms, and
    // the word looked up, as if its page had been shown.
    showDuePage();
    const std::u16string& text = noMatchText_;
    // The nearest terms as links above the page that was shown, which stays.
    std::u16string html = u"<font face='MS Sans Serif' size=2>" + whyNoTerm(escapeHtml(text));
    std::vector<std::u16string> nearest;
    for (const std::size_t entry : glossary_.suggestions(text))
        nearest.emplace_back(glossary_.term(entry));
    // The servers' near matches join them once the servers answer.
    serverPage_.ask(text);
    for (const std::u16string& word : servers().nearMatches(text)) {
        if (nearest.size() < kMostSuggestions &&
            std::find(nearest.begin(), nearest.end(), word) == nearest.end())
            nearest.push_back(word);
    }
    for (std::size_t i = 0; i < nearest.size(); ++i) {
        const std::u16string term = escapeHtml(nearest[i]);
        html +=
            (i == 0 ? u" Nearest: " : u", ") + (u"<a href=\"#" + term + u"\">" + term + u"</a>");
    }
    html += u"</font><br><br>";
    serverPage_.show(html, text, entryHtml_, true);
}

std::u16string GlossaryWindow::whyNoTerm(const std::u16string& escapedText) {
    const std::u16string why = whyNoTermListed(true);
    return why.empty() ? u"No term begins with <b>" + escapedText + u"</b>." : why;
}

std::u16string GlossaryWindow::whyNoTermListed(bool html) {
    // No term at all: a word typed is never the reason, the dictionaries chosen are.
    if (glossary_.size() > 0 || !servers().choice().empty())
        return {};
    bool everyOff = everyOneOff(databases_.choice(databasePath()));
    for (const std::wstring& added : databases_.added())
        everyOff = everyOff && everyOneOff(databases_.choice(added));
    if (everyOff)
        return u"Every dictionary is turned off, so no term is listed. Turn one on in the "
               u"Dictionaries dialog (Ctrl+D).";
    if (const std::optional<groups::Group> group = groups_.model().shown()) {
        return u"The group \u201C" + (html ? escapeHtml(group->name) : group->name) +
               u"\u201D has no dictionary in the open databases, so no term is listed. Choose "
               u"another group with Ctrl+1 (all dictionaries) to Ctrl+9, or put dictionaries "
               u"in this group in the Dictionaries dialog (Ctrl+D).";
    }
    return {};
}

void GlossaryWindow::showWhyNoTermListed(const std::wstring& note, const std::wstring& spokenNote) {
    const std::u16string why = whyNoTermListed(false);
    if (why.empty())
        return;
    // A word typed gets the reason on its no-match page (showNoMatchPage).
    if (GetWindowTextLengthW(search_) == 0)
        showPage(u"<font face='MS Sans Serif' size=2>" + whyNoTermListed(true) + u"</font>");
    const std::wstring spoken(why.begin(), why.end());
    setStatus((note.empty() ? std::wstring() : note + L" \u2013 ") + L"No term listed",
              spokenNote.empty() ? spoken : spokenNote + L" " + spoken);
}
