// The page's links: the hand over them, a click or Enter follows one, Tab goes from one to the
// next as in a browser's page.
#include "Ids.h"
#include "PageView.h"

#include <richedit.h>
#include <windowsx.h>

#include <algorithm>

const PageLink* PageView::linkAt(POINT point) const {
    POINTL at = {point.x, point.y};
    const LRESULT character = SendMessageW(page_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at));
    // The control answers the nearest character: the point must lie on it, not beside it.
    POINTL first = {}, next = {};
    SendMessageW(page_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), character);
    SendMessageW(page_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&next), character + 1);
    if (point.x < first.x || point.y < first.y || (next.y == first.y && point.x >= next.x))
        return nullptr;
    for (const PageLink& link : links_) {
        if (character >= link.start && character < link.end)
            return &link;
    }
    return nullptr;
}

bool PageView::pageMouse(UINT message, LPARAM lParam) {
    if (message == WM_SETCURSOR) {
        POINT cursor = {};
        GetCursorPos(&cursor);
        ScreenToClient(page_, &cursor);
        if (linkAt(cursor) == nullptr)
            return false;
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return true;
    }
    // A click on a link, not the end of a selection dragged over it.
    CHARRANGE selection = {};
    SendMessageW(page_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const PageLink* link = linkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    if (link == nullptr || selection.cpMax != selection.cpMin)
        return false;
    // Followed once the page has finished with its click: following replaces the page.
    pendingLink_ = link->target;
    PostMessageW(view_, MSG_FOLLOW_LINK, 0, 0);
    return false;
}

bool PageView::pageKey(WPARAM key, bool back) {
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
        PostMessageW(view_, MSG_FOLLOW_LINK, 0, 0);
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
        SetFocus(GetNextDlgTabItem(GetAncestor(view_, GA_ROOT), page_, back));
        return true;
    }
    CHARRANGE range = {next->start, next->end};
    SendMessageW(page_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(page_, EM_SCROLLCARET, 0, 0);
    return true;
}
