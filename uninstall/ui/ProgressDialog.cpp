#include "ProgressDialog.h"

#include "Dialogs.h"
#include "Model.h"
#include "ResourceIds.h"
#include "base/Placeholders.h"
#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "engine/UninstallWorker.h"
#include "ui/MessageCatalogue.h"
#include "win32/ScaledBitmap.h"

#include <commctrl.h>

namespace {

constexpr char kRestartCompletes[] = "Restart the computer to complete the removal.";

constexpr int kStages[] = {IDC_STAGE_SHARED,  IDC_STAGE_STANDARD,    IDC_STAGE_FILES,
                           IDC_STAGE_FOLDERS, IDC_STAGE_DIRECTORIES, IDC_STAGE_REGISTRY};
constexpr int kMarks[] = {IDC_MARK_SHARED,  IDC_MARK_STANDARD,    IDC_MARK_FILES,
                          IDC_MARK_FOLDERS, IDC_MARK_DIRECTORIES, IDC_MARK_REGISTRY};
// The worker posts its last message just before its thread ends.
constexpr DWORD kWorkerEndMs = 10000;

// Bitmap `id` drawn at the screen's density; null at 96 dpi, where it is as it was made.
win32::Gdi<HBITMAP> forDensity(int id) {
    const int dpi = GetDeviceCaps(win32::WindowDc(nullptr).dc(), LOGPIXELSY);
    if (dpi <= 96)
        return win32::Gdi<HBITMAP>();
    const win32::Gdi<HBITMAP> made(static_cast<HBITMAP>(
        LoadImageA(instanceHandle, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP size = {};
    if (!made || GetObject(made.get(), sizeof size, &size) == 0)
        return win32::Gdi<HBITMAP>();
    return win32::scaledBitmap(made.get(), MulDiv(size.bmWidth, dpi, 96),
                               MulDiv(size.bmHeight, dpi, 96));
}

// The picture a control shows becomes `picture`; the one it had is ours to free.
void show(HWND control, HBITMAP picture) {
    if (control == nullptr || picture == nullptr ||
        (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
        return;
    const auto previous = reinterpret_cast<HBITMAP>(
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    if (previous != nullptr && previous != picture)
        DeleteObject(previous);
}

} // namespace

ProgressDialog::ProgressDialog(HWND dialog, UninstallModel* model)
    : DialogHandler(model), model_(model), text_(dialog, IDC_TEXT), status_(dialog, IDC_STATUS),
      progress_(dialog, IDC_PROGRESS), ok_(dialog, IDC_OK), details_(dialog, IDC_DETAILS) {
    for (int i = 0; i < 6; ++i) {
        stages_[i] = TextControl(dialog, kStages[i]);
        marks_[i] = DlgControl(dialog, kMarks[i]);
    }
}

DialogHandler* ProgressDialog::create(HWND dialog, UninstallModel* model) {
    return new ProgressDialog(dialog, model);
}

ProgressDialog::~ProgressDialog() {
    // The worker goes once its thread has ended; a thread that does not end keeps its object.
    if (worker_ && worker_->wait(kWorkerEndMs) != WAIT_OBJECT_0)
        worker_.release();
}

bool ProgressDialog::onInitDialog(HWND dialog) {
    SetWindowTextW(dialog, ansiToWide(messageText(1201)).c_str());
    std::string introduction = messageText(1202);
    fillPlaceholder(introduction, model_ != nullptr ? model_->applicationName() : std::string());
    SetWindowTextW(text_.handle(), ansiToWide(introduction).c_str());
    SetWindowTextW(status_.handle(), L"");
    drawPicturesForDensity(dialog);
    for (const DlgControl& mark : marks_)
        ShowWindow(mark.handle(), SW_HIDE);
    EnableWindow(ok_.handle(), FALSE);
    EnableWindow(details_.handle(), FALSE);
    centreOnDesktop(dialog);
    worker_ = std::make_unique<UninstallWorker>(dialog, model_, progress_);
    worker_->start();
    return true;
}

void ProgressDialog::drawPicturesForDensity(HWND dialog) {
    // Made for 96 dpi, they would shrink beside the text at a higher density: the check marks
    // to specks. The side picture is the dialog's first control without an identifier.
    side_ = forDensity(IDB_SIDE);
    check_ = forDensity(IDB_CHECK);
    show(GetDlgItem(dialog, -1), side_.get());
    for (const DlgControl& mark : marks_)
        show(mark.handle(), check_.get());
}

bool ProgressDialog::onCommand(HWND dialog, unsigned id, unsigned code) {
    if (id >= CMD_SHARED_DONE && id <= CMD_REGISTRY_DONE) {
        ShowWindow(marks_[id - CMD_SHARED_DONE].handle(), SW_SHOW);
        return true;
    }
    switch (id) {
    case IDC_DETAILS: {
        DialogFactory factory(DetailsDialog::create, model_);
        DialogBoxParamW(instanceHandle, MAKEINTRESOURCEW(IDD_DETAILS), dialog, dialogProcedure,
                        reinterpret_cast<LPARAM>(&factory));
        return false;
    }
    case CMD_SET_STEP:
        SendMessageA(progress_.handle(), PBM_SETSTEP, code, 0);
        return true;
    case CMD_FINISHED:
        finish(true);
        return true;
    case CMD_ABORTED:
        finish(false);
        return true;
    case IDC_OK:
        EndDialog(dialog, MSG_CLOSE);
        return true;
    default:
        return false;
    }
}

void ProgressDialog::finish(bool completed) {
    // An aborted run did not remove everything, whatever the list says.
    const bool problems = model_ != nullptr && !model_->problems().empty();
    if (completed && !problems) {
        SetWindowTextW(status_.handle(), ansiToWide(messageText(1204)).c_str());
    } else {
        if (problems)
            EnableWindow(details_.handle(), TRUE);
        std::string status = messageChars(1203);
        // What waits for the restart is not lost: the user is told how it ends.
        if (completed && model_->report().count(UninstallReport::Outcome::Scheduled) > 0) {
            status = model_->report().count(UninstallReport::Outcome::Failed) > 0
                         ? status + " " + messageTextOr(kTextRestartCompletes, kRestartCompletes)
                         : messageTextOr(kTextRestartCompletes, kRestartCompletes);
        }
        SetWindowTextW(status_.handle(), ansiToWide(status).c_str());
    }
    EnableWindow(ok_.handle(), TRUE);
}
