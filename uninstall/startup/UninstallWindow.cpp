#include "UninstallWindow.h"

#include "base/ProcessValues.h"
#include "base/UserMessage.h"
#include "ui/Dialog.h"
#include "ui/Dialogs.h"
#include "ui/HeldException.h"
#include "ui/ProgressDialog.h"
#include "ui/ResourceIds.h"

UninstallWindow::UninstallWindow(const UninstallOptions& options, UninstallReport& report) {
    model_.attach(options, report);
    model_.open(applicationDirectory);
}

void UninstallWindow::onCommand(unsigned id, LPARAM) {
    if (id > 1025 && id < 1041) {
        switch (id) {
        case MSG_CONFIRM:
            runDialog(IDD_CONFIRM, ConfirmDialog::create);
            break;
        case MSG_REMOVE:
            runDialog(IDD_PROGRESS, ProgressDialog::create);
            break;
        case MSG_CLOSE:
            PostMessageA(handle(), WM_CLOSE, 0, 0);
            break;
        default:
            break;
        }
    } else if (id == IDM_EXIT) {
        onCommand(MSG_CLOSE, 0);
    }
}

void UninstallWindow::runDialog(int resource,
                                DialogHandler* (*makeHandler)(HWND, UninstallModel*)) {
    DialogFactory factory(makeHandler, &model_);
    const INT_PTR end = DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(resource), nullptr,
                                        dialogProcedure, reinterpret_cast<LPARAM>(&factory));
    if (exceptionHeld())
        return; // the message loop reports it
    if (end == -1) {
        // No dialog means nothing the user could answer: say so once and end the run.
        showMessage("Can't show the uninstaller's dialog", "Error", MB_OK | MB_ICONWARNING);
        failed_ = true;
        PostMessageA(handle(), WM_CLOSE, 0, 0);
        return;
    }
    PostMessageA(handle(), static_cast<UINT>(end), 0, 0);
}
