// What the DICT servers' part of the page asks of the window.
#include "GlossaryWindow.h"
#include "WindowText.h"

ServerPage::Owner GlossaryWindow::serverOwner() {
    return {[this] { return window_; },
            [this](const std::u16string& html) { showPage(html); },
            [this](const std::u16string& word) { showNoMatch(word); },
            [this] { return windowText(search_); },
            [this](const std::u16string& word) { serversAnswered(word); },
            [this](const std::u16string& address, const std::u16string& name) {
                return groups_.model().lets({address, name});
            }};
}

void GlossaryWindow::serversAnswered(const std::u16string& word) {
    if (definitionsMode_)
        markFoundWords(); // the page drawn anew lost them
    // The page a screen reader is reading changed without a key of the reader's: said as an
    // alert of the status line, whose shown text stays.
    const std::wstring spoken(word.begin(), word.end());
    setStatus(win32::windowText(status_), L"The DICT servers have answered for \u201C" + spoken +
                                              L"\u201D: the page now shows their part.");
    NotifyWinEvent(EVENT_SYSTEM_ALERT, status_, OBJID_CLIENT, CHILDID_SELF);
}
