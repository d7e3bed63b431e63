#pragma once

#include "Dialog.h"

#include <windows.h>

// Centres the window on the desktop without sizing or activating it.
BOOL centreOnDesktop(HWND window);

// Dialog 159: "remove the product?"; ends with MSG_REMOVE ("&Yes") or MSG_CLOSE.
class ConfirmDialog : public DialogHandler {
public:
    static DialogHandler* create(HWND dialog, UninstallModel* model);
    bool onInitDialog(HWND dialog) override;
    bool onCommand(HWND dialog, unsigned id, unsigned code) override;
    bool onNotify(HWND, WPARAM, LPARAM) override { return false; }

private:
    ConfirmDialog(HWND dialog, UninstallModel* model);
    UninstallModel* model_;
    HWND text_, icon_;
};

// Dialog 168: the items that could not be removed; OK, Escape or the close box end it.
class DetailsDialog : public DialogHandler {
public:
    static DialogHandler* create(HWND dialog, UninstallModel* model);
    bool onInitDialog(HWND dialog) override;
    bool onCommand(HWND dialog, unsigned id, unsigned code) override;
    bool onNotify(HWND, WPARAM, LPARAM) override { return false; }

private:
    DetailsDialog(HWND dialog, UninstallModel* model);
    UninstallModel* model_;
    HWND text_;
};

// Dialog 167, run with the shared file's path as its parameter; ends only by its four buttons.
INT_PTR CALLBACK sharedFileDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
