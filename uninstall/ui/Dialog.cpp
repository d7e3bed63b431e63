#include "Dialog.h"

#include "HeldException.h"

#include <memory>

namespace {

DialogHandler* boundTo(HWND dialog) {
    return reinterpret_cast<DialogHandler*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogHandler* handler = boundTo(dialog);
    // The worker's commands arrive as user messages; the message number itself is not passed.
    if (message >= WM_USER && handler != nullptr &&
        handler->onCommand(dialog, LOWORD(wParam), HIWORD(wParam)))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        handler = reinterpret_cast<DialogFactory*>(lParam)->create(dialog);
        SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(handler));
        return handler != nullptr && handler->onInitDialog(dialog) ? TRUE : FALSE;
    }
    case WM_COMMAND:
        return handler != nullptr && handler->onCommand(dialog, LOWORD(wParam), HIWORD(wParam))
                   ? TRUE
                   : FALSE;
    case WM_NOTIFY:
        return handler != nullptr && handler->onNotify(dialog, wParam, lParam) ? TRUE : FALSE;
    case WM_TIMER:
        if (handler != nullptr)
            handler->onTimer(dialog, wParam);
        return TRUE;
    case WM_DESTROY:
        if (handler != nullptr) {
            handler->onDestroy(dialog);
            SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
            const std::unique_ptr<DialogHandler> owned(handler);
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = FALSE;
    try {
        result = dispatch(dialog, message, wParam, lParam);
    } catch (...) {
        holdCurrentException();
    }
    // A failure here or in a dialog opened from here ends this dialog too, up to the loop.
    if (exceptionHeld() && message != WM_DESTROY && message != WM_NCDESTROY)
        EndDialog(dialog, -1);
    return result;
}
