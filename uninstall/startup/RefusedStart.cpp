#include "RefusedStart.h"

#include "base/ProcessValues.h"
#include "base/UserMessage.h"

#include <windows.h>

namespace {

constexpr char kEventSource[] = "uninstall";
constexpr DWORD kRefusedStartEvent = 1;

void toEventLog(const std::string& text) {
    const HANDLE source = RegisterEventSourceA(nullptr, kEventSource);
    if (source == nullptr)
        return;
    const char* strings[] = {text.c_str()};
    ReportEventA(source, EVENTLOG_ERROR_TYPE, 0, kRefusedStartEvent, nullptr, 1, 0, strings,
                 nullptr);
    DeregisterEventSource(source);
}

void toStandardError(const std::string& text) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE)
        return;
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

void tellRefusedStart(UninstallReport& report, const std::string& item, const std::string& why,
                      const std::string& boxText) {
    report.note("Start", item, why);
    if (!unattended) {
        showMessage(boxText.c_str(), "Error", MB_OK | MB_ICONWARNING);
        return;
    }
    if (report.writing())
        return;
    std::string text = "uninstall.exe: " + item + ": " + why;
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    text += ". Nothing was removed.";
    toEventLog(text);
    toStandardError(text);
}
