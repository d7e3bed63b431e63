#include "MessageCatalogue.h"

#include "base/ProcessValues.h"
// Upward: the texts live in the model, which the application window holds.
#include "startup/UninstallWindow.h"

namespace {

std::string& textBuffer() {
    static std::string buffer;
    return buffer;
}

} // namespace

const std::string& messageText(int id) {
    std::string& text = textBuffer();
    text.clear();
    const SetupLog* log = mainWindow != nullptr ? mainWindow->model().setupLog() : nullptr;
    if (log != nullptr)
        log->value(text, "COMMON", std::to_string(id), "", true);
    return text;
}

const char* messageChars(int id) {
    return messageText(id).c_str();
}

std::string messageTextOr(int id, const char* english) {
    std::string text;
    const SetupLog* log = mainWindow != nullptr ? mainWindow->model().setupLog() : nullptr;
    if (log != nullptr)
        log->value(text, "COMMON", std::to_string(id), "", true);
    return text.empty() ? std::string(english) : text;
}
