#include "UserMessage.h"

#include "base/ProcessValues.h"

int showMessage(const char* text, const char* caption, UINT type) {
    if (unattended)
        return IDOK;
    return MessageBoxA(nullptr, text, caption, type);
}
