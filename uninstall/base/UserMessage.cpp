#include "UserMessage.h"

#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"

int showMessage(const std::wstring& text, const std::wstring& caption, UINT type) {
    if (unattended)
        return IDOK;
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), type);
}

int showMessage(const std::string& text, const std::string& caption, UINT type) {
    return showMessage(ansiToWide(text), ansiToWide(caption), type);
}
