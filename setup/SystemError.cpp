#include "SystemError.h"

#include "Installation.h"
#include "base/ErrorAdvice.h"
#include "recovery/Utf8.h"
#include "win32/ErrorText.h"

#include <cwctype>

std::wstring systemError(DWORD error) {
    std::wstring advice = wide(errorAdvice(error, utf8(kProductName)));
    if (!advice.empty()) {
        advice[0] = static_cast<wchar_t>(towupper(advice[0])); // it begins a line here
        return advice;
    }
    const std::wstring message = win32::systemMessage(error);
    return (message.empty() ? L"Error" : message) + L" (" + std::to_wstring(error) + L")";
}
