#include "SetupReport.h"

#include "Destination.h"
#include "engine/PathRules.h"
#include "journal/LineForm.h"
#include "win32/FileWrite.h"
#include "win32/ReportFile.h"

#include <windows.h>

bool SetupReport::open(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (path.size() < 4 || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/') ||
        slash == std::wstring::npos || slash + 1 == path.size() ||
        namesDevice(utf8(path.substr(slash + 1))) || path.find(L"\\..") != std::wstring::npos)
        return false;
    file_ = win32::openReportFile(
        path,
        [](HANDLE handle, const std::wstring& named) { return namedByItsPath(handle, named); },
        [](const BY_HANDLE_FILE_INFORMATION&) { return false; });
    return file_.valid();
}

void SetupReport::scheduled(const char* stage, const std::wstring& item, const std::wstring& why) {
    ++scheduled_;
    line(stage, item, "scheduled for restart: " + utf8(why));
}

void SetupReport::kept(const char* stage, const std::wstring& item, const std::wstring& why) {
    ++kept_;
    line(stage, item, "kept: " + utf8(why));
}

void SetupReport::failed(const char* stage, const std::wstring& item, const std::wstring& why) {
    ++failed_;
    line(stage, item, "failed: " + utf8(why));
}

void SetupReport::note(const char* stage, const std::wstring& item, const std::string& text) {
    line(stage, item, text);
    if (std::string(stage) == "Recovery")
        tellWithoutFile(win32::NoticeKind::Recovery, item + L": " + wide(text) + L".");
}

void SetupReport::tellWithoutFile(win32::NoticeKind kind, const std::wstring& text) const {
    if (!file_)
        win32::tellAdministrators(L"Technical Glossary Setup", kind, L"setup.exe: " + text);
}

void SetupReport::summary(int exitCode) {
    if (!file_)
        return;
    const std::string text = "Summary\tinstalled " + std::to_string(installed_) + ", replaced " +
                             std::to_string(replaced_) + ", kept " + std::to_string(kept_) +
                             ", scheduled for restart " + std::to_string(scheduled_) + ", failed " +
                             std::to_string(failed_) + "\texit code " +
                             std::to_string(static_cast<DWORD>(exitCode)) + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void SetupReport::line(const char* stage, const std::wstring& item, const std::string& outcome) {
    if (outcome == "installed")
        ++installed_;
    else if (outcome == "replaced")
        ++replaced_;
    if (!file_)
        return;
    // Straight to the system, line by line: nothing waits in a buffer of ours.
    const std::string text = std::string(stage) + "\t" + controlsEscaped(utf8(item)) + "\t" +
                             controlsEscaped(outcome) + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
