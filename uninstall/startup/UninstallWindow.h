#pragma once

#include "ui/Dialog.h"
#include "ui/Model.h"
#include "ui/Window.h"

// The hidden application window of the main stage: owns the model and runs the dialog chain
// by messages (1030 confirm, 1031 remove, 1032 close).
class UninstallWindow : public FrameWindow {
public:
    // Opens the model on the application directory, for a run with these options and this
    // report; a missing setup log has been reported when the FileException leaves here.
    UninstallWindow(const UninstallOptions& options, UninstallReport& report);

    void onCommand(unsigned id, LPARAM parameter) override;
    bool onNotify(WPARAM, LPARAM, LRESULT&) override { return false; }

    UninstallModel& model() { return model_; }
    // Set when a dialog could not be created: the run then ends with -1.
    bool failed() const { return failed_; }

private:
    void runDialog(int resource, DialogHandler* (*makeHandler)(HWND, UninstallModel*));
    bool programsClosed();

    UninstallModel model_;
    bool failed_ = false;
};
