#pragma once

#include "Dialog.h"

#include "win32/Gdi.h"

#include <memory>

class UninstallWorker;

// Dialog 146: starts the worker, marks each finished stage, and at the end offers the details
// and OK. Only OK ends it.
class ProgressDialog : public DialogHandler {
public:
    static DialogHandler* create(HWND dialog, UninstallModel* model);
    ~ProgressDialog() override;
    bool onInitDialog(HWND dialog) override;
    bool onCommand(HWND dialog, unsigned id, unsigned code) override;
    bool onNotify(HWND, WPARAM, LPARAM) override { return false; }

private:
    ProgressDialog(HWND dialog, UninstallModel* model);
    void finish(bool completed);
    void drawPicturesForDensity(HWND dialog);

    UninstallModel* model_;
    TextControl text_, stages_[6], status_;
    DlgControl marks_[6];
    ProgressControl progress_;
    ButtonControl ok_, details_;
    std::unique_ptr<UninstallWorker> worker_;
    win32::Gdi<HBITMAP> side_, check_; // the pictures at the screen's density
};
