// The pages of words looked up from other programs, resolved as the search box resolves them.
#include "GlossaryWindow.h"
#include "dicttext/PlainToHtml.h"

std::u16string GlossaryWindow::lookupPage(const std::u16string& word, std::u16string& term,
                                          bool& whole) {
    whole = true;
    popupAwaitsIndex_ = false;
    term = word;
    // Until every term is read the list holds the first of them only: no answer yet.
    if (reading_) {
        whole = false;
        return u"<font face='MS Sans Serif' size=2>" +
               escapeHtml(std::u16string(kReadingTerms,
                                         kReadingTerms +
                                             std::char_traits<wchar_t>::length(kReadingTerms))) +
               u" The page of <b>" + escapeHtml(word) + u"</b> follows once they are in.</font>";
    }
    // As the search box resolves a word: the term it begins, found ignoring accents, or the
    // term it is a form of; the note says which.
    Glossary::Match match = matchFor(word);
    std::u16string note;
    if (match.index < 0)
        match = wordFormMatch(word, note);
    if (match.index < 0) {
        // The nearest terms as links, which show their pages in the popup. They need the sorted
        // index: until it is built the answer comes without them, and they follow.
        std::u16string html = u"<font face='MS Sans Serif' size=2>No term begins with <b>" +
                              escapeHtml(word) + u"</b>.";
        if (!glossary_.indexReady()) {
            whole = false;
            popupAwaitsIndex_ = true;
            return damageNote_ + html + u"</font>";
        }
        const std::vector<std::size_t> nearest = glossary_.suggestions(word);
        for (std::size_t i = 0; i < nearest.size(); ++i) {
            const std::u16string nearTerm = escapeHtml(std::u16string(glossary_.term(nearest[i])));
            html += (i == 0 ? u" Nearest: " : u", ") +
                    (u"<a href=\"#" + nearTerm + u"\">" + nearTerm + u"</a>");
        }
        return damageNote_ + html + u"</font>";
    }
    const auto index = static_cast<std::size_t>(match.index);
    if (note.empty())
        note = glossary_.accentNote(match);
    term = std::u16string(glossary_.term(index));
    const auto definition = glossary_.definitionShownFor(index);
    return damageNote_ + note + Glossary::page(term, definition ? *definition : std::u16string());
}

std::optional<std::u16string> GlossaryWindow::wholeLookupPage(const std::u16string& word) {
    // Looked at often: nothing is searched again before what was missing is there.
    if (reading_ || (popupAwaitsIndex_ && !glossary_.indexReady()))
        return std::nullopt;
    std::u16string term;
    bool whole = true;
    std::u16string html = lookupPage(word, term, whole);
    if (!whole)
        return std::nullopt;
    return html;
}

OutsideLookUps::Owner GlossaryWindow::lookUpOwner() {
    return {[this](const std::u16string& word, std::u16string& term, bool& whole) {
                return lookupPage(word, term, whole);
            },
            [this](const std::u16string& word) { return wholeLookupPage(word); },
            [this](const std::u16string& name) -> std::optional<std::u16string> {
                const int index = glossary_.find(name);
                if (index < 0)
                    return std::nullopt;
                return std::u16string(glossary_.term(static_cast<std::size_t>(index)));
            },
            [this](const std::u16string& target) { followLink(target); },
            [this](const std::u16string& word) { lookUp(std::wstring(word.begin(), word.end())); },
            [this] { saveSettings(); }};
}
