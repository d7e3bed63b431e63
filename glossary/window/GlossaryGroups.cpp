// Groups of dictionaries in the window: the one shown is chosen in the list below the terms
// or by Ctrl+1 ... Ctrl+9, made in the dictionaries dialog, and remembered per user. The
// terms are read again through the group, so the list, the pages and every search follow it.
#include "GlossaryWindow.h"

void GlossaryWindow::pickGroup(std::size_t choice) {
    if (groups_.choose(choice))
        showGroup();
    else if (choice > groups_.model().list().size())
        MessageBeep(MB_OK); // no such group
}

bool GlossaryWindow::takeGroups(groups::Groups made) {
    if (groups_.take(std::move(made))) {
        showGroup();
        return true;
    }
    if (mayKeepSettings())
        groups_.save();
    return false;
}

void GlossaryWindow::showGroup() {
    if (mayKeepSettings())
        groups_.save();
    // The terms are read again through the group, on a thread of their own: the window answers
    // meanwhile, and the note says which group is coming.
    if (reading_.reread(true))
        setStatus(groups_.note() + L" \u2013 " + kReadingTerms,
                  groups_.spokenNote() + L" " + kReadingTermsSpoken);
}
