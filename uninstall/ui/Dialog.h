#pragma once

#include <windows.h>

class UninstallModel;
class DialogHandler;

// Passed as the initialisation parameter of a modal dialog: makes the handler bound to it.
class DialogFactory {
public:
    using Create = DialogHandler* (*)(HWND dialog, UninstallModel* model);
    DialogFactory(Create makeHandler, UninstallModel* model)
        : create_(makeHandler), model_(model) {}
    virtual ~DialogFactory() = default;

    virtual DialogHandler* create(HWND dialog) { return create_(dialog, model_); }
    UninstallModel* model() const { return model_; }

private:
    Create create_;
    UninstallModel* model_;
};

// The object bound to one dialog box from its initialisation to its destruction; the dialog
// procedure deletes it. A command it does not handle (Escape, the close box) changes nothing.
class DialogHandler {
public:
    explicit DialogHandler(UninstallModel* model) : model_(model) {}
    virtual ~DialogHandler() = default;
    DialogHandler(const DialogHandler&) = delete;
    DialogHandler& operator=(const DialogHandler&) = delete;

    virtual bool onInitDialog(HWND dialog) = 0;
    virtual bool onCommand(HWND dialog, unsigned id, unsigned code) = 0;
    virtual bool onNotify(HWND dialog, WPARAM wParam, LPARAM lParam) = 0;
    virtual void onDestroy(HWND /*dialog*/) {}
    virtual void onTimer(HWND /*dialog*/, UINT_PTR /*timerId*/) {}

protected:
    UninstallModel* model_;
};

// The one dialog procedure of every dialog opened through a DialogFactory.
INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The handle of one dialog control; disabled at once when built with enabled false.
class DlgControl {
public:
    DlgControl() = default;
    DlgControl(HWND dialog, int id, bool enabled = true) : handle_(GetDlgItem(dialog, id)) {
        if (!enabled)
            EnableWindow(handle_, FALSE);
    }
    HWND handle() const { return handle_; }

private:
    HWND handle_ = nullptr;
};

// The three kinds the dialogs use; they behave alike.
class ProgressControl : public DlgControl {
    using DlgControl::DlgControl;
};
class ButtonControl : public DlgControl {
    using DlgControl::DlgControl;
};
class TextControl : public DlgControl {
    using DlgControl::DlgControl;
};
