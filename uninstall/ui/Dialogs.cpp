#include "Dialogs.h"

#include "HeldException.h"
#include "Model.h"
#include "ResourceIds.h"
#include "base/Placeholders.h"
#include "base/SystemErrorText.h"
#include "ui/MessageCatalogue.h"

BOOL centreOnDesktop(HWND window) {
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    OffsetRect(&own, -own.left, -own.top);
    const int x = desktop.left + (desktop.right - own.right - desktop.left) / 2;
    const int y = desktop.top + (desktop.bottom - own.bottom - desktop.top) / 2;
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ConfirmDialog::ConfirmDialog(HWND dialog, UninstallModel* model)
    : DialogHandler(model), model_(model), text_(GetDlgItem(dialog, IDC_TEXT)),
      icon_(GetDlgItem(dialog, IDC_QUESTION_ICON)) {}

DialogHandler* ConfirmDialog::create(HWND dialog, UninstallModel* model) {
    return new ConfirmDialog(dialog, model);
}

bool ConfirmDialog::onInitDialog(HWND dialog) {
    SetWindowTextW(dialog, ansiToWide(messageText(1101)).c_str());
    std::string question = messageText(1102);
    fillPlaceholder(question, model_ != nullptr ? model_->applicationName() : std::string());
    SetWindowTextW(text_, ansiToWide(question).c_str());
    SendMessageA(icon_, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_QUESTION)), 0);
    centreOnDesktop(dialog);
    return true;
}

bool ConfirmDialog::onCommand(HWND dialog, unsigned id, unsigned) {
    if (id == IDC_ANSWER_YES) {
        EndDialog(dialog, MSG_REMOVE);
        return true;
    }
    if (id == IDC_ANSWER_NO || id == IDCANCEL) {
        EndDialog(dialog, MSG_CLOSE);
        return true;
    }
    return false;
}

DetailsDialog::DetailsDialog(HWND dialog, UninstallModel* model)
    : DialogHandler(model), model_(model), text_(GetDlgItem(dialog, IDC_DETAILS_TEXT)) {}

DialogHandler* DetailsDialog::create(HWND dialog, UninstallModel* model) {
    return new DetailsDialog(dialog, model);
}

bool DetailsDialog::onInitDialog(HWND dialog) {
    SetWindowTextW(dialog, ansiToWide(messageText(1400)).c_str());
    centreOnDesktop(dialog);
    std::string lines;
    if (model_ != nullptr) {
        for (const std::string& line : model_->problems())
            lines += line + "\r\n";
    }
    SetWindowTextW(text_, ansiToWide(lines).c_str());
    return true;
}

bool DetailsDialog::onCommand(HWND dialog, unsigned id, unsigned) {
    // Nothing waits on this list's answer, so Escape and the close box may end it like OK.
    if (id != IDOK && id != IDCANCEL)
        return false;
    EndDialog(dialog, 0);
    return true;
}

namespace {

INT_PTR sharedFileDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // A path without a backslash is all name, in no directory.
        const std::string path = reinterpret_cast<const char*>(lParam);
        const std::size_t split = path.rfind('\\');
        const std::string directory =
            split == std::string::npos ? std::string() : path.substr(0, split);
        const std::string name = split == std::string::npos ? path : path.substr(split + 1);
        std::string question = messageText(1302);
        fillPlaceholders(question, name, directory);
        SetDlgItemTextW(dialog, IDC_TEXT, ansiToWide(question).c_str());
        return FALSE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) >= IDC_ANSWER_YES &&
        LOWORD(wParam) <= IDC_ANSWER_NO_TO_ALL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK sharedFileDialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    try {
        return sharedFileDialog(dialog, message, wParam, lParam);
    } catch (...) {
        // The worker throws it again when the dialog has ended.
        holdCurrentException();
        EndDialog(dialog, -1);
        return TRUE;
    }
}
