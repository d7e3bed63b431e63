#include "UninstallWindow.h"

#include "RunningPrograms.h"
#include "base/ProcessValues.h"
#include "base/UserMessage.h"
#include "ui/Dialog.h"
#include "ui/Dialogs.h"
#include "ui/HeldException.h"
#include "ui/ProgressDialog.h"
#include "ui/ResourceIds.h"

#include <algorithm>

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
            if (programsClosed())
                runDialog(IDD_PROGRESS, ProgressDialog::create);
            else
                onCommand(MSG_CLOSE, 0); // as after No: nothing removed
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
    const INT_PTR end = DialogBoxParamW(instanceHandle, MAKEINTRESOURCEW(resource), nullptr,
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

// The product's own programs hold its files: they are named, and closed, retried or left
// running as the user says, before anything is removed.
bool UninstallWindow::programsClosed() {
    const SetupLog* log = model_.setupLog();
    for (;;) {
        const std::vector<RunningProgram> running =
            log != nullptr ? runningProductPrograms(*log, relayProcessId)
                           : std::vector<RunningProgram>();
        if (running.empty())
            return true;
        const std::wstring text =
            runningText(running) +
            L"\nContinue closes the programs and removes the product. Close them yourself and "
            L"choose Try Again, or choose Cancel to remove nothing.";
        switch (showMessage(text, L"Programs still running",
                            MB_CANCELTRYCONTINUE | MB_ICONWARNING | MB_DEFBUTTON2)) {
        case IDCONTINUE: {
            // What may not be asked to close (a service, another session's program) is only
            // named: the files it holds go at the next restart.
            const std::vector<RunningProgram> left = closePrograms(running, kCloseTimeoutMs);
            if (std::none_of(left.begin(), left.end(),
                             [](const RunningProgram& program) { return program.ours; }))
                return true;
            break;
        }
        case IDTRYAGAIN:
            break;
        default:
            return false;
        }
    }
}
