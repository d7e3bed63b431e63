#include "MessageLoop.h"

#include "HeldException.h"

#include <windows.h>

int runMessageLoop() {
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return -1;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (exceptionHeld())
            rethrowHeldException();
    }
}
