// Find in the page (Ctrl+F, F3, Shift+F3).
#include "PageFind.h"

#include "WindowText.h"
#include "text/TextFind.h"

#include <dlgs.h>
#include <richedit.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>

namespace {

CHARRANGE selectionOf(HWND page) {
    CHARRANGE selection = {};
    SendMessageW(page, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    return selection;
}

std::wstring notFoundText(const std::wstring& wanted, const std::wstring& pageName) {
    return L"\u201C" + wanted + L"\u201D is not in " + thePageOf(pageName) +
           L". Check the spelling, or type the word in the search box to look it up as a term.";
}

// Which of the places of `wanted` in `text` `found` is, counted as F3 goes, and how many
// there are.
std::pair<std::size_t, std::size_t> placeOf(std::u16string_view text, const std::wstring& wanted,
                                            text::Span found, bool matchCase) {
    const std::u16string sought(wanted.begin(), wanted.end());
    std::size_t count = 0, which = 0;
    for (auto at = text::findText(text, sought, 0, true, matchCase); at;
         at = text::findText(text, sought, std::max(at->end, at->begin + 1), true, matchCase)) {
        ++count;
        if (at->begin == found.begin)
            which = count;
    }
    return {which, count};
}

} // namespace

void PageFind::attach(HWND owner, HWND page, Say say) {
    owner_ = owner;
    say_ = std::move(say);
    findMessage_ = RegisterWindowMessageW(FINDMSGSTRINGW);
    setPage(page);
}

void PageFind::setPage(HWND page) {
    page_ = page;
    // What is found stays marked while the dialog or another control has the focus.
    SendMessageW(page_, EM_SETOPTIONS, ECOOP_OR, ECO_NOHIDESEL);
}

void PageFind::open() {
    // A few words selected in the page are what the user wants to find, as in an editor.
    const CHARRANGE selection = selectionOf(page_);
    if (selection.cpMax > selection.cpMin &&
        selection.cpMax - selection.cpMin < static_cast<LONG>(std::size(wanted_))) {
        const std::u16string text = richText(page_);
        const auto begin = static_cast<std::size_t>(selection.cpMin);
        const std::u16string chosen =
            text.substr(begin, static_cast<std::size_t>(selection.cpMax - selection.cpMin));
        if (begin < text.size() && chosen.find_first_of(u"\r\n\v") == std::u16string::npos) {
            std::copy(chosen.begin(), chosen.end(), wanted_);
            wanted_[chosen.size()] = L'\0';
        }
    }
    if (dialog_ != nullptr) {
        SetDlgItemTextW(dialog_, edt1, wanted_);
        SetActiveWindow(dialog_);
        SetFocus(GetDlgItem(dialog_, edt1));
        SendDlgItemMessageW(dialog_, edt1, EM_SETSEL, 0, -1);
        return;
    }
    const DWORD matchCase = request_.Flags & FR_MATCHCASE; // as the last time
    request_ = {};
    request_.lStructSize = sizeof request_;
    request_.hwndOwner = owner_;
    request_.lpstrFindWhat = wanted_;
    request_.wFindWhatLen = static_cast<WORD>(std::size(wanted_));
    request_.Flags = FR_DOWN | FR_HIDEWHOLEWORD | matchCase;
    dialog_ = FindTextW(&request_);
}

void PageFind::findAgain(bool forward, const std::wstring& pageName) {
    if (wanted_[0] == L'\0') {
        open();
        return;
    }
    find(forward, pageName);
}

void PageFind::onDialogMessage(LPARAM lParam, const std::wstring& pageName) {
    const auto* request = reinterpret_cast<const FINDREPLACEW*>(lParam);
    if (request->Flags & FR_DIALOGTERM) {
        dialog_ = nullptr;
        return;
    }
    if (request->Flags & FR_FINDNEXT)
        find((request->Flags & FR_DOWN) != 0, pageName);
}

bool PageFind::owns(HWND window) const {
    return dialog_ != nullptr && (window == dialog_ || IsChild(dialog_, window));
}

bool PageFind::dialogKeys(const MSG& message) const {
    MSG copy = message;
    return dialog_ != nullptr && IsDialogMessageW(dialog_, &copy);
}

void PageFind::find(bool forward, const std::wstring& pageName) {
    const std::u16string text = richText(page_);
    const std::wstring wanted = wanted_;
    const CHARRANGE selection = selectionOf(page_);
    // On from the text found last: after it, or before it going back.
    const auto from =
        static_cast<std::size_t>(std::max<LONG>(0, forward ? selection.cpMax : selection.cpMin));
    const bool matchCase = (request_.Flags & FR_MATCHCASE) != 0;
    const auto found = text::findTextAround(text, std::u16string(wanted.begin(), wanted.end()),
                                            from, forward, matchCase);
    if (!found) {
        say_(L"Not found", L"\u201C" + wanted + L"\u201D is not in " + thePageOf(pageName));
        MessageBoxW(dialog_ != nullptr ? dialog_ : owner_, notFoundText(wanted, pageName).c_str(),
                    kGlossaryName, MB_OK | MB_ICONINFORMATION);
        return;
    }
    CHARRANGE range = {static_cast<LONG>(found->begin), static_cast<LONG>(found->end)};
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(page_, EM_SCROLLCARET, 0, 0);
    // The control does not tell assistive technology of a selection it did not make itself.
    NotifyWinEvent(EVENT_OBJECT_TEXTSELECTIONCHANGED, page_, OBJID_CLIENT, CHILDID_SELF);
    const auto [which, count] = placeOf(text, wanted, *found, matchCase);
    const std::wstring place = std::to_wstring(which) + L" of " + std::to_wstring(count);
    say_(place + L" found", L"Found \u201C" + wanted + L"\u201D, " + place + L" in the page");
    uncover(range.cpMin);
}

void PageFind::uncover(LONG found) const {
    if (dialog_ == nullptr)
        return;
    POINTL at = {};
    SendMessageW(page_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), found);
    POINT text = {at.x, at.y};
    ClientToScreen(page_, &text);
    RECT dialog = {};
    GetWindowRect(dialog_, &dialog);
    // The line found, about as high as the page's largest text.
    const int line = 2 * GetSystemMetrics(SM_CYCAPTION);
    if (text.y + line <= dialog.top || text.y >= dialog.bottom || text.x >= dialog.right)
        return;
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    GetMonitorInfoW(MonitorFromRect(&dialog, MONITOR_DEFAULTTONEAREST), &screen);
    const int height = dialog.bottom - dialog.top;
    int top = text.y + line;
    if (top + height > screen.rcWork.bottom)
        top = std::max(static_cast<int>(screen.rcWork.top), static_cast<int>(text.y) - height);
    SetWindowPos(dialog_, nullptr, dialog.left, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
