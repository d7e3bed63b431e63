#include "SetupDialog.h"

#include "Installation.h"
#include "SetupOptions.h"
#include "SetupReport.h"
#include "res/resource.h"
#include "win32/Com.h"
#include "win32/WindowText.h"

#include <commctrl.h>
#include <shlobj.h>

namespace {

struct State {
    HINSTANCE instance;
    InstallRequest request;
};

void browse(HWND dialog) {
    BROWSEINFOW info = {};
    info.hwndOwner = dialog;
    info.lpszTitle = L"Choose the folder to install Technical Glossary in:";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    const win32::TaskMemory<PIDLIST_ABSOLUTE> chosen(SHBrowseForFolderW(&info));
    if (!chosen)
        return;
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen.get(), path)) {
        std::wstring folder = path;
        if (!folder.empty() && folder.back() != L'\\')
            folder += L'\\';
        SetDlgItemTextW(dialog, IDC_FOLDER, (folder + kProductName).c_str());
    }
}

void enableInput(HWND dialog, bool enable) {
    for (const int id : {IDC_FOLDER, IDC_BROWSE, IDOK, IDCANCEL})
        EnableWindow(GetDlgItem(dialog, id), enable);
}

void installFrom(HWND dialog, State& state) {
    const HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
    enableInput(dialog, false);
    std::wstring restart;
    const SetupOutcome outcome = guardedInstall([&] {
        InstallRequest request = state.request;
        request.destination = win32::windowText(GetDlgItem(dialog, IDC_FOLDER));
        restart = install(state.instance, request, [bar](int done, int total) {
            SendMessageW(bar, PBM_SETRANGE32, 0, total);
            SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(done), 0);
            UpdateWindow(bar);
        });
    });
    if (outcome.code != kSetupInstalled) {
        if (state.request.report != nullptr)
            state.request.report->failed("Setup", win32::windowText(GetDlgItem(dialog, IDC_FOLDER)),
                                         outcome.message);
        SendMessageW(bar, PBM_SETPOS, 0, 0);
        MessageBoxW(dialog, outcome.message.c_str(), L"Technical Glossary Setup",
                    MB_OK | MB_ICONERROR);
        enableInput(dialog, true);
        return;
    }
    MessageBoxW(dialog,
                (L"Technical Glossary has been installed. " +
                 (restart.empty() ? std::wstring(L"Start it from the Start menu.") : restart))
                    .c_str(),
                L"Technical Glossary Setup", MB_OK | MB_ICONINFORMATION);
    EndDialog(dialog, restart.empty() ? kSetupInstalled : kSetupRestartNeeded);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetDlgItemTextW(dialog, IDC_FOLDER,
                        reinterpret_cast<State*>(lParam)->request.destination.c_str());
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            installFrom(dialog, *state);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, kSetupCancelled);
            return TRUE;
        case IDC_BROWSE:
            browse(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

} // namespace

int runSetupDialog(HINSTANCE instance, const InstallRequest& request) {
    State state{instance, request};
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETUP), nullptr,
                                           procedure, reinterpret_cast<LPARAM>(&state));
    return result == -1 ? kSetupFailed : static_cast<int>(result);
}
