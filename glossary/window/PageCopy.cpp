// Copying the page's selection (Ctrl+C, Ctrl+Insert): its lines stay lines in the plain text
// (the control would copy a line break as a blank), and its formatting goes along as RTF.
#include "PageView.h"
#include "WindowText.h"
#include "page/PageText.h"
#include "win32/Handles.h"

#include <richedit.h>

#include <cstring>

namespace {

DWORD CALLBACK appendRtf(DWORD_PTR to, LPBYTE bytes, LONG count, LONG* done) {
    reinterpret_cast<std::string*>(to)->append(reinterpret_cast<const char*>(bytes),
                                               static_cast<std::size_t>(count));
    *done = count;
    return 0;
}

// Puts `size` bytes on the open clipboard as `format`; the clipboard owns them then.
void offer(UINT format, const void* data, std::size_t size) {
    win32::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    void* bytes = memory ? GlobalLock(memory.get()) : nullptr;
    if (bytes == nullptr)
        return;
    std::memcpy(bytes, data, size);
    GlobalUnlock(memory.get());
    if (SetClipboardData(format, memory.get()) != nullptr)
        memory.release();
}

} // namespace

void PageView::copy() {
    CHARRANGE selection = {};
    SendMessageW(page_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMax <= selection.cpMin)
        return;
    // The line breaks and rules stand where the page's converter put them.
    const RtfPage layout = htmlToPage(shownHtml_, shownColours_);
    const std::u16string text = copiedText(richText(page_), layout.lineBreaks, layout.rules,
                                           selection.cpMin, selection.cpMax);
    std::string rtf;
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&rtf), 0, appendRtf};
    SendMessageW(page_, EM_STREAMOUT, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
    if (!OpenClipboard(view_))
        return;
    EmptyClipboard();
    offer(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    if (!rtf.empty())
        offer(RegisterClipboardFormatW(CF_RTF), rtf.c_str(), rtf.size() + 1);
    CloseClipboard();
}
