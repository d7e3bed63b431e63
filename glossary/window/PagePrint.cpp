// Printing the page (Ctrl+P).
#include "PagePrint.h"

#include "PageView.h"
#include "WindowText.h"
#include "win32/ErrorText.h"
#include "win32/Gdi.h"
#include "win32/Handles.h"

#include <cderr.h>
#include <commdlg.h>
#include <richedit.h>
#include <winspool.h>

#include <algorithm>

namespace {

// Around the text on every sheet: three quarters of an inch.
constexpr int kMarginTwips = 1080;

void say(HWND owner, const std::wstring& text, UINT icon) {
    MessageBoxW(owner, text.c_str(), kGlossaryName, MB_OK | icon);
}

bool anyPrinter() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed,
                  &count);
    return needed > 0;
}

std::wstring capitalised(std::wstring text) {
    if (!text.empty())
        text[0] = static_cast<wchar_t>(towupper(text[0]));
    return text;
}

// The file that the dialog's Print to file goes to; empty when the user cancels.
std::wstring askForFile(HWND owner) {
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW file = {};
    file.lStructSize = sizeof file;
    file.hwndOwner = owner;
    file.lpstrFilter = L"Printer files (*.prn)\0*.prn\0All files (*.*)\0*.*\0";
    file.lpstrFile = path;
    file.nMaxFile = MAX_PATH;
    file.lpstrTitle = L"Print to File";
    file.lpstrDefExt = L"prn";
    file.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN |
                 OFN_HIDEREADONLY;
    return GetSaveFileNameW(&file) ? std::wstring(path) : std::wstring();
}

// Where the text goes on a sheet of `dc`, and the sheet, in twips from the printable area's
// corner, which is where the device's coordinates begin.
void sheetOf(HDC dc, RECT& sheet, RECT& text) {
    const int dpiX = std::max(1, GetDeviceCaps(dc, LOGPIXELSX));
    const int dpiY = std::max(1, GetDeviceCaps(dc, LOGPIXELSY));
    const auto across = [&](int index) { return MulDiv(GetDeviceCaps(dc, index), 1440, dpiX); };
    const auto down = [&](int index) { return MulDiv(GetDeviceCaps(dc, index), 1440, dpiY); };
    const int printableWidth = across(HORZRES), printableHeight = down(VERTRES);
    const int paperWidth = std::max(across(PHYSICALWIDTH), printableWidth);
    const int paperHeight = std::max(down(PHYSICALHEIGHT), printableHeight);
    const int left = across(PHYSICALOFFSETX), top = down(PHYSICALOFFSETY);
    sheet = {0, 0, printableWidth, printableHeight};
    text = {std::max(0, kMarginTwips - left), std::max(0, kMarginTwips - top),
            std::min(printableWidth, paperWidth - kMarginTwips - left),
            std::min(printableHeight, paperHeight - kMarginTwips - top)};
    if (text.right <= text.left || text.bottom <= text.top)
        text = sheet; // a sheet too small for margins
}

// Prints the characters [first, last) of `control` on `dc` as one document; false with the
// system's error when a step fails (ERROR_CANCELLED when the user stopped it).
bool printDocument(HDC dc, HWND control, CHARRANGE range, const std::wstring& title,
                   const std::wstring& output, DWORD& error) {
    DOCINFOW document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = title.c_str();
    document.lpszOutput = output.empty() ? nullptr : output.c_str();
    if (StartDocW(dc, &document) <= 0) {
        error = GetLastError();
        return false;
    }
    FORMATRANGE format = {};
    format.hdc = format.hdcTarget = dc;
    format.chrg = range;
    RECT text = {};
    sheetOf(dc, format.rcPage, text);
    bool printed = true;
    while (format.chrg.cpMin < range.cpMax) {
        format.rc = text; // the control gives back the part it filled
        if (StartPage(dc) <= 0) {
            printed = false;
            break;
        }
        const auto next = static_cast<LONG>(
            SendMessageW(control, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&format)));
        if (EndPage(dc) <= 0) {
            printed = false;
            break;
        }
        if (next <= format.chrg.cpMin)
            break; // nothing more fits: never a sheet after sheet of nothing
        format.chrg.cpMin = next;
    }
    SendMessageW(control, EM_FORMATRANGE, FALSE, 0);
    if (!printed) {
        error = GetLastError();
        AbortDoc(dc);
        return false;
    }
    if (EndDoc(dc) <= 0) {
        error = GetLastError();
        return false;
    }
    return true;
}

std::wstring printerName(HGLOBAL names) {
    const auto* devices = static_cast<const DEVNAMES*>(GlobalLock(names));
    if (devices == nullptr)
        return std::wstring();
    const std::wstring name = reinterpret_cast<const wchar_t*>(devices) + devices->wDeviceOffset;
    GlobalUnlock(names);
    return name;
}

} // namespace

void printPage(HWND owner, const PrintedPage& page) {
    const std::wstring what = thePageOf(page.term);
    if (!anyPrinter()) {
        say(owner,
            L"No printer is set up on this computer, so " + what +
                L" cannot be printed. Add a printer in the system's printer settings, then "
                L"press Ctrl+P again.",
            MB_ICONINFORMATION);
        return;
    }
    PRINTDLGW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOWARNING |
                   (page.last > page.first ? 0 : PD_NOSELECTION);
    const BOOL chosen = PrintDlgW(&dialog);
    const win32::GlobalMemory settings(dialog.hDevMode), names(dialog.hDevNames);
    const win32::MemoryDc dc(dialog.hDC);
    if (!chosen || !dc) {
        const DWORD failure = CommDlgExtendedError();
        if (failure == PDERR_NODEFAULTPRN || failure == PDERR_NODEVICES)
            say(owner,
                L"No printer is ready on this computer, so " + what +
                    L" cannot be printed. Add a printer or choose a default one in the system's "
                    L"printer settings, then press Ctrl+P again.",
                MB_ICONINFORMATION);
        else if (failure != 0)
            say(owner,
                capitalised(what) + L" cannot be printed: the Print dialog failed (error " +
                    std::to_wstring(failure) + L"). Press Ctrl+P to try again.",
                MB_ICONWARNING);
        return;
    }
    std::wstring output;
    if (dialog.Flags & PD_PRINTTOFILE) {
        output = askForFile(owner);
        if (output.empty())
            return;
    }

    // The page again, in a control of its own that is never shown: in the colours of paper
    // whatever the screen's, and without moving what the user sees.
    const win32::OwnWindow copy(CreateWindowExW(0, L"RichEdit20W", L"", ES_MULTILINE, 0, 0, 0, 0,
                                                HWND_MESSAGE, nullptr, nullptr, nullptr));
    DWORD error = ERROR_NOT_ENOUGH_MEMORY;
    bool printed = false;
    if (copy) {
        SendMessageW(copy.get(), EM_SETLANGOPTIONS, 0, IMF_AUTOFONT | IMF_DUALFONT);
        SETTEXTEX setting = {ST_DEFAULT, CP_ACP};
        SendMessageW(copy.get(), EM_SETTEXTEX, reinterpret_cast<WPARAM>(&setting),
                     reinterpret_cast<LPARAM>(page.rtf.c_str()));
        GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
        const auto characters = static_cast<LONG>(
            SendMessageW(copy.get(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
        CHARRANGE range = {0, characters};
        if (dialog.Flags & PD_SELECTION)
            range = {std::min(page.first, characters), std::min(page.last, characters)};
        printed = printDocument(dc.get(), copy.get(), range,
                                std::wstring(kGlossaryName) +
                                    (page.term.empty() ? L"" : L" - " + page.term),
                                output, error);
    }
    if (printed || error == ERROR_CANCELLED)
        return;
    const std::wstring where = output.empty() ? L"on \u201C" + printerName(names.get()) + L"\u201D"
                                              : L"into \u201C" + output + L"\u201D";
    const std::wstring remedy =
        output.empty() ? L"Check that the printer is on and ready, then press Ctrl+P again."
                       : L"Choose a file in another folder, then press Ctrl+P again.";
    say(owner,
        capitalised(what) + L" could not be printed " + where + L": " +
            win32::systemMessage(error) + L" " + remedy,
        MB_ICONWARNING);
}

void PageView::print(HWND owner, const std::wstring& term) {
    CHARRANGE selection = {};
    SendMessageW(page_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    ::printPage(owner, PrintedPage{htmlToPage(shownHtml_, PageColours()).rtf, selection.cpMin,
                                   selection.cpMax, term});
}
