#include "RefusedStart.h"

#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "base/UserMessage.h"
#include "win32/AdministratorNotice.h"

#include <windows.h>

namespace {

constexpr wchar_t kEventSource[] = L"uninstall";

} // namespace

void tellRefusedStart(UninstallReport& report, const std::wstring& item, const std::wstring& why,
                      const std::wstring& boxText) {
    report.note("Start", item, why);
    if (!unattended) {
        showMessage(boxText, L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    if (report.writing())
        return;
    std::wstring text = L"uninstall.exe: " + item + L": " + why;
    while (!text.empty() && text.back() == L'.')
        text.pop_back();
    text += L". Nothing was removed.";
    win32::tellAdministrators(kEventSource, win32::NoticeKind::Refusal, text);
}

void tellRefusedStart(UninstallReport& report, const std::wstring& item, const std::string& why,
                      const std::wstring& boxText) {
    tellRefusedStart(report, item, ansiToWide(why), boxText);
}

void tellRefusedStart(UninstallReport& report, const std::string& item, const std::string& why,
                      const std::wstring& boxText) {
    tellRefusedStart(report, ansiToWide(item), why, boxText);
}

void tellKeptAtStart(const std::wstring& item, const std::string& why) {
    win32::tellAdministrators(kEventSource, win32::NoticeKind::Recovery,
                              L"uninstall.exe: " + item + L": " + ansiToWide(why) + L".");
}
