// Keys that act wherever the focus is in the window, before the dialog manager sees them.
#include "GlossaryWindow.h"
#include "Ids.h"

#include <utility>

namespace {

bool down(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

} // namespace

void GlossaryWindow::focusSearch() {
    SetFocus(search_);
    SendMessageW(search_, EM_SETSEL, 0, -1);
}

bool GlossaryWindow::translateAccelerator(HWND window, MSG& message) {
    auto* self = reinterpret_cast<GlossaryWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return false;
    if (self->outside_.translate(message))
        return true;
    // Keys that act on the word or the page shown act on the page of what was typed.
    if (message.message == WM_SYSKEYDOWN || message.message == WM_XBUTTONDOWN ||
        (message.message == WM_KEYDOWN &&
         (down(VK_CONTROL) || (message.wParam >= VK_F1 && message.wParam <= VK_F24))))
        self->showDuePage();
    PageView& page = self->pageView_;
    if (page.translate(message))
        return true;
    const bool control = down(VK_CONTROL);
    // The Find dialog keeps its own keys, but for F3 and Shift+F3.
    if (page.find().owns(message.hwnd)) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_F3) {
            page.find().findAgain(!down(VK_SHIFT), self->shownTerm());
            return true;
        }
        return page.find().dialogKeys(message);
    }
    if (message.message == WM_SYSKEYDOWN) {
        // Alt+Shift+Left and Alt+Shift+Right move the splitter: Ctrl+Shift with arrows selects
        // words in the search box.
        if ((message.wParam == VK_LEFT || message.wParam == VK_RIGHT) && down(VK_SHIFT)) {
            self->splitter_.move(message.wParam == VK_LEFT ? -1 : 1);
            return true;
        }
        // Back and Forward as in a browser: Alt+Left and Alt+Right; Alt+D to the search box
        // as to a browser's address bar.
        if (message.wParam == VK_LEFT || message.wParam == VK_RIGHT) {
            self->goThroughHistory(message.wParam == VK_LEFT ? -1 : 1);
            return true;
        }
        if (message.wParam == 'D') {
            self->focusSearch();
            return true;
        }
        // Alt+G to the list of groups, as its label says.
        if (message.wParam == 'G') {
            SetFocus(self->groups_.list());
            return true;
        }
        // The buttons' access keys, as a dialog would take them.
        for (const auto& [key, id] : {std::pair<WPARAM, int>{'I', IDC_IN_DEFINITIONS},
                                      {'N', IDC_DICTIONARIES},
                                      {'X', IDC_EXIT}}) {
            if (message.wParam == key) {
                SendMessageW(GetDlgItem(self->window_, id), BM_CLICK, 0, 0);
                return true;
            }
        }
        return false;
    }
    if (message.message == WM_XBUTTONUP || message.message == WM_XBUTTONDOWN) {
        if (message.message == WM_XBUTTONUP)
            self->goThroughHistory(GET_XBUTTON_WPARAM(message.wParam) == XBUTTON1 ? -1 : 1);
        return true;
    }
    if (message.message == WM_MOUSEWHEEL && (GET_KEYSTATE_WPARAM(message.wParam) & MK_CONTROL)) {
        page.zoom(GET_WHEEL_DELTA_WPARAM(message.wParam) > 0 ? 1 : -1);
        return true;
    }
    if (message.message != WM_KEYDOWN)
        return false;
    if (message.hwnd == self->logoControl_ &&
        (message.wParam == VK_RETURN || message.wParam == VK_SPACE)) {
        self->openMakersPage();
        return true;
    }
    if (message.wParam == VK_F6 || (control && message.wParam == 'L')) {
        self->focusSearch();
        return true;
    }
    // Escape leaves the search in definitions wherever the focus is, as in the search box.
    if (message.wParam == VK_ESCAPE && self->definitionsMode_) {
        self->returnToTermSearch();
        return true;
    }
    if (message.wParam == VK_F1) {
        self->showHelp();
        return true;
    }
    if (message.wParam == VK_F3) {
        page.find().findAgain(!down(VK_SHIFT), self->shownTerm());
        return true;
    }
    if (!control)
        return false;
    switch (message.wParam) {
    case 'F':
        // Ctrl+Shift+F: the search box searches the definitions, or the terms again; Ctrl+F
        // finds in the page.
        if (down(VK_SHIFT)) {
            self->setDefinitionsMode(!self->definitionsMode_);
            self->focusSearch();
            return true;
        }
        page.find().open();
        return true;
    case 'P':
        page.print(self->window_, self->shownTerm());
        return true;
    case 'C':
    case VK_INSERT:
        if (!page.isPage(message.hwnd))
            return false;
        page.copy();
        return true;
    case 'A':
        // The page selects all of itself; the search box all of its text.
        if (message.hwnd != self->search_)
            return false;
        SendMessageW(self->search_, EM_SETSEL, 0, -1);
        return true;
    case 'O':
        self->chooseDatabase();
        return true;
    case 'D':
        self->chooseDictionaries();
        return true;
    case 'H':
        self->openHistoryList();
        return true;
    case 'B':
        // As a browser's bookmark: Ctrl+B keeps the word shown, Ctrl+Shift+B lists them.
        if (down(VK_SHIFT))
            self->openFavourites();
        else
            self->toggleFavourite();
        return true;
    case VK_OEM_PLUS:
    case VK_ADD:
        page.zoom(1);
        return true;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
        page.zoom(-1);
        return true;
    case '0':
    case VK_NUMPAD0:
        page.zoom(0);
        return true;
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        // The groups' list by its place: Ctrl+1 all dictionaries, Ctrl+2 the first group...
        self->pickGroup(static_cast<std::size_t>(message.wParam - '1'));
        return true;
    default:
        return false;
    }
}
